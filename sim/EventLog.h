// The world's event log: everything a user or a test would look at, as plain sentences, in
// the order it happened.
#ifndef VEMO_SIM_EVENTLOG_H
#define VEMO_SIM_EVENTLOG_H

#include <string>

#include "Orbitersdk.h"
#include "Text.h"

namespace sim {

// Event kinds in the log.
namespace ev {
constexpr const char *Created = "created";        // vessel created
constexpr const char *Deleted = "deleted";        // vessel deleted
constexpr const char *Focus = "focus";            // focus moved to this vessel
constexpr const char *Key = "key";                // key event and whether consumed
constexpr const char *Mesh = "mesh";              // mesh visibility changed
constexpr const char *ThrusterGroup = "thgroup";  // thruster group created
constexpr const char *Level = "level";            // thruster group level changed
constexpr const char *Pilot = "pilot";            // pilot command without a group
constexpr const char *TankEmpty = "tank";         // a tank ran empty
constexpr const char *Animation = "animation";    // animation starts moving / comes to rest
constexpr const char *Attachment = "attachment";  // attachment point created or changed
constexpr const char *Dock = "dock";              // docked
constexpr const char *Undock = "undock";          // undocked
constexpr const char *ScenarioLine = "line";      // a line reached the default parser
constexpr const char *Saved = "saved";            // scenario saved
constexpr const char *Moved = "moved";            // position/velocity set from outside
constexpr const char *Error = "error";            // a request the host refused
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
