// The crew in a run's story: the conventions by which crew-capable vessels and crew members
// outside tell each other what they are, read as what they say. This is the only place of
// the host and its tool that knows them:
//   - a crew-capable vessel publishes its airlock on a to-child attachment point "Vemo":
//     position (min x, max x, min y), direction (max y, min z, max z) of the box in its own
//     frame, rotation (door 1 open / 0 closed, status, free seats);
//   - a crew member outside is a vessel whose class name begins with "Vemo"; once it is
//     ready to come aboard, the last of its two or more to-parent points is "V-em", with
//     (age, pulse, weight) in its position;
//   - a vessel's crew is saved as scenario lines "VEMOCREW <mission>-<name>-<age>-<pulse>-
//     <weight>".
#ifndef VEMO_TOOL_CREWSTORY_H
#define VEMO_TOOL_CREWSTORY_H

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ScenarioFile.h"
#include "World.h"

namespace vemosim {

// What an airlock point "Vemo" publishes, decoded from its three vectors.
struct AirlockView {
    double box[6] = {0, 0, 0, 0, 0, 0};  // min x, max x, min y, max y, min z, max z; m
    double door = 0.0;                   // 1 open, 0 closed
    double status = 0.0;
    double freeSeats = 0.0;

    static AirlockView from(const sim::Attachment &a);
    bool contains(const VECTOR3 &p) const;  // p in the vessel's frame, bounds included
    std::string text() const;               // "airlock open, box ±2 m, 1 free seat"
    bool operator==(const AirlockView &o) const;
};

// The airlock point "Vemo" (to child) of a vessel, or null.
const sim::Attachment *findAirlock(const sim::VesselRecord &v);

// ", inside its airlock box" or ", outside its airlock box" for a point in the frame of a
// vessel with an airlock; empty for a vessel without one.
std::string airlockPlaceNote(const sim::VesselRecord &v, const VECTOR3 &p);

// A crew line's value ("A01-John_Doe-35-72-80") as a user reads it: "John Doe (A01), age 35,
// pulse 72, 80 kg". A value that is not of that form is given back as it stands.
std::string describeCrewValue(const std::string &value);

// What the story has told of the crew so far, so that it tells only what changes.
class CrewStory {
public:
    // Kinds of the story's own lines.
    static constexpr const char *kAirlock = "airlock";  // a vessel's airlock as it publishes it
    static constexpr const char *kCrew = "crew";        // who is aboard, or ready to come aboard

    // True when the point follows a crew convention; `text` is then what it says now, or
    // empty when it says what it said when last told.
    bool describePoint(const sim::VesselRecord &v, const sim::Attachment &a, std::string &kind,
                       std::string &text);

    // A vessel was deleted. When it was a crew member's that showed its point, the name of the
    // vessel that took the member aboard: the first vessel told since the last
    // forgetTakers() whose airlock's free seats went down (a vessel takes a member in its
    // post-step and deletes the member's vessel, which goes at the end of that frame). Empty
    // otherwise: a member whose vessel goes with no seat taken was not taken aboard anywhere.
    std::string boardedBy(const std::string &deleted);
    // The events told so far are all of a frame: a seat taken now belongs to no deletion.
    void forgetTakers() { takers_.clear(); }

    // Who came aboard a crew-capable vessel with the scenario: its crew lines in `block`,
    // less those in `refused`, the lines the vessel passed on to the host's parser. A vessel
    // may keep such lines and save them again; the summary will not show them as aboard.
    std::vector<std::string> aboardAtLoad(const sim::VesselRecord &v, const sim::ShipBlock &block,
                                          std::vector<std::string> refused);

    // The crew lines of a vessel's summary at the end, as `saved` holds its crew.
    std::vector<std::string> summary(const sim::VesselRecord &v, const sim::ScenarioFile &saved);

private:
    // A point of a vessel: the vessel's handle is never reused, the point's address may be
    // once its vessel is gone.
    using PointKey = std::pair<OBJHANDLE, const sim::Attachment *>;
    static PointKey keyOf(const sim::VesselRecord &v, const sim::Attachment &a) {
        return {v.handle(), &a};
    }

    // What each convention point said when last told.
    std::map<PointKey, AirlockView> airlocks_;
    std::map<PointKey, std::string> points_;
    std::set<std::string> memberVessels_;  // live vessels that showed a crew member's point
    std::vector<std::string> takers_;      // vessels whose free seats went down, in order
    // Per vessel, the values of crew lines it refused at loading.
    std::map<std::string, std::vector<std::string>> refusedCrew_;
};

}  // namespace vemosim

#endif
