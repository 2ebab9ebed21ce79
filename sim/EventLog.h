// The world's event log: everything a user or a test would look at, as plain sentences, in
// the order it happened.
#ifndef VEMO_SIM_EVENTLOG_H
#define VEMO_SIM_EVENTLOG_H

#include <string>

#include "Orbitersdk.h"

namespace sim {

// Event kinds in the log.
namespace ev {
constexpr const char *kCreated = "created";        // vessel created
constexpr const char *kDeleted = "deleted";        // vessel deleted
constexpr const char *kFocus = "focus";            // focus moved to this vessel
constexpr const char *kKey = "key";                // key event and whether consumed
constexpr const char *kMesh = "mesh";              // mesh visibility changed
constexpr const char *kThrusterGroup = "thgroup";  // thruster group created
constexpr const char *kLevel = "level";            // thruster group level changed
constexpr const char *kPilot = "pilot";            // pilot command without a group
constexpr const char *kTankEmpty = "tank";         // a tank ran empty
constexpr const char *kAnimation = "animation";    // animation starts moving / comes to rest
constexpr const char *kAttachment = "attachment";  // attachment point created or changed
constexpr const char *kDock = "dock";              // docked
constexpr const char *kUndock = "undock";          // undocked
constexpr const char *kScenarioLine = "line";      // a line reached the default parser
constexpr const char *kSaved = "saved";            // scenario saved
constexpr const char *kMoved = "moved";            // position/velocity set from outside
constexpr const char *kSurface = "surface";        // landed, crashed, lifted off, moved out
constexpr const char *kError = "error";            // a request the host refused
// A destroyed vessel's handle was used: a crash in the simulator, a failed run here.
constexpr const char *kDestroyedHandle = "destroyed-handle";
constexpr const char *kLog = "log";  // a line a module wrote to the host's log
}  // namespace ev

struct Event {
    double time = 0.0;   // simulation time, s
    std::string vessel;  // vessel name, empty for world events
    std::string kind;    // one of ev::*
    std::string text;
};

// How the log words things.
// Names of the thruster group types ("main", "pitch up", ...; "user" past the named ones).
const char *groupTypeName(THGROUP_TYPE t);
// What a mesh visibility mode means ("shown in external views", ...), or "in visibility
// mode N" for a mode the host does not name.
std::string visibilityText(WORD mode);

}  // namespace sim

#endif
