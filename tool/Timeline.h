// Timelines: plain text that says what happens to a headless run at which simulation time,
// as a pilot at the keyboard or a flight controller would make it happen.
//
// One action per line: the time in simulated seconds, the action and its arguments, all
// separated by blanks. '#' starts a comment that runs to the end of the line; blank lines
// are skipped. Times never decrease from one line to the next, so the file reads in the
// order things happen.
//
//     TIME key KEYS                    press and release keys on the focus vessel; KEYS is a
//                                      key name (K) or several held together (LSHIFT+K)
//     TIME thrust GROUP LEVEL          set a thruster group of the focus vessel, 0..1
//     TIME velocity VESSEL VX VY VZ    velocity relative to the reference body, m/s
//     TIME position VESSEL X Y Z       position relative to the reference body, m
//     TIME place VESSEL at OTHER X Y Z put VESSEL at OTHER's local point (X, Y, Z), m,
//                                      moving with OTHER
//     TIME dock VESSEL PORT OTHER PORT join two vessels' docking ports
//     TIME undock VESSEL PORT          release a docking port
//     TIME focus VESSEL                give the keyboard to VESSEL
//     TIME save FILE                   save the scenario as it stands to FILE
//
// The parser is a pure function from text to a Timeline: any byte sequence gives either a
// timeline or an error naming the file and line, never anything in between.
#ifndef VEMO_TOOL_TIMELINE_H
#define VEMO_TOOL_TIMELINE_H

#include <string>
#include <string_view>
#include <vector>

#include "Orbitersdk.h"
#include "ScenarioText.h"

namespace vemosim {

// Most keys one "key" action may hold together.
constexpr std::size_t kMaxChordKeys = 8;
// Longest timeline line, in bytes: a line is one action, never more than a few names long.
constexpr std::size_t kMaxTimelineLineLength = 255;
// Docking port numbers a timeline may name: 0 .. kMaxDockPort.
constexpr int kMaxDockPort = 999;

enum class ActionKind { Key, Thrust, Velocity, Position, Place, Dock, Undock, Focus, Save };

struct TimelineAction {
    double time = 0.0;  // simulated seconds
    int line = 0;       // line in the timeline file, 1-based
    ActionKind kind = ActionKind::Key;

    std::vector<int> keys;              // Key: key codes in the order they go down
    THGROUP_TYPE group = THGROUP_MAIN;  // Thrust
    double level = 0.0;                 // Thrust: 0..1
    std::string vessel;                 // every kind but Key, Thrust and Save
    std::string other;                  // Place, Dock
    double vec[3] = {0.0, 0.0, 0.0};    // Velocity, Position, Place
    int port = 0;                       // Dock, Undock
    int otherPort = 0;                  // Dock
    std::string file;                   // Save
};

struct Timeline {
    std::string fileName;
    std::vector<TimelineAction> actions;  // in time order, as written
};

// Parse a timeline's text. fileName goes into the timeline and the error messages.
// Returns true and fills out, or false and fills error.
bool parseTimelineText(std::string_view text, const std::string &fileName, Timeline &out,
                       sim::InputError &error);
// Read and parse the file at path (errors for a missing or unreadable file have line 0).
bool readTimelineFile(const std::string &path, Timeline &out, sim::InputError &error);

// Thruster group types by the names a pilot would use: main, retro, hover, pitchup,
// pitchdown, yawleft, yawright, bankleft, bankright, right, left, up, down, forward, back,
// user. false if unknown.
bool thrusterGroupFromName(std::string_view name, THGROUP_TYPE &group);
// The name of a group type ("user" for THGROUP_USER and anything above it).
const char *thrusterGroupName(THGROUP_TYPE group);

// The action as one line of timeline text without the time: "key LSHIFT+K",
// "place Vemo_A at Pod1 0.5 0 0". Parsing the time and this text gives the action again.
std::string describeAction(const TimelineAction &action);

}  // namespace vemosim

#endif
