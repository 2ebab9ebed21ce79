// The crew in what the tool shows: the conventions by which crew-capable vessels and crew
// members outside tell each other what they are, read as what they say. This is the only
// place of the host and its tool that reads them; the story, the picture and the check all
// ask here. The names and the airlock point's encoding are the crew library's own
// (CrewNames.h, AirlockPoint.h), so the tool reads them exactly as vessels write them:
//   - a crew-capable vessel publishes its airlock on a to-child attachment point "Vemo":
//     position (min x, max x, min y), direction (max y, min z, max z) of the box in its own
//     frame, rotation (door 1 open / 0 closed, status, free seats);
//   - a crew member outside is a vessel whose class name begins with "Vemo"; once it is
//     ready to come aboard, the last of its two or more to-parent points is "V-em", with
//     (age, pulse, weight) in its position; one named VemoT<receiver> carries a member
//     handed over to <receiver>;
//   - a vessel's crew is saved as scenario lines "VEMOCREW <mission>-<name>-<age>-<pulse>-
//     <weight>"; a vessel hands the lines it does not take on to the host's parser.
#ifndef VEMO_TOOL_CREWSTORY_H
#define VEMO_TOOL_CREWSTORY_H

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "AirlockPoint.h"
#include "ScenarioFile.h"
#include "World.h"

namespace vemosim {

// --- The airlock point ------------------------------------------------------------------

// The airlock point "Vemo" (to child) of a vessel, or null.
const sim::Attachment *findAirlock(const sim::VesselRecord &v);
// What a point publishes, decoded as the crew library decodes it.
AirlockPoint airlockOf(const sim::Attachment &a);
// "airlock open, box ±2 m, 1 free seat".
std::string airlockText(const AirlockPoint &a);
// The same box and door; and the same seats and status besides.
bool sameBox(const AirlockPoint &a, const AirlockPoint &b);
bool sameAirlock(const AirlockPoint &a, const AirlockPoint &b);

// ", inside its airlock box" or ", outside its airlock box" for a point in the frame of a
// vessel with an airlock; empty for a vessel without one.
std::string airlockPlaceNote(const sim::VesselRecord &v, const VECTOR3 &p);

// --- Crew members outside ---------------------------------------------------------------

// The vessel is of the crew-member class.
bool isCrewMember(const sim::VesselRecord &v);
// The member's "V-em" point, shown once the member is ready to come aboard, or null.
const sim::Attachment *readyPoint(const sim::VesselRecord &v);
// The vessel carries a member handed over to a docked vessel; `receiver` is that vessel.
bool isTransferVessel(const std::string &name, std::string *receiver = nullptr);

// --- Crew lines -------------------------------------------------------------------------

// A crew line (or a transfer line) read by the crew library's own reader, as crew-capable
// vessels read it, with what tells a user how the line was taken differently or why not at
// all. What a vessel actually did comes from the vessel; this reading only explains it.
//
// The keyword comes first, in any letter case, then after blanks one value without blanks:
//     <mission>-<name>-<age>-<pulse>-<weight>      e.g. A01-John_Doe-35-72-80
// The mission id is taken from at most its first 4 characters; the name from at most 25,
// with '_' for blanks and any character other than a letter or digit made a blank; each
// number from at most its first 5 characters, as far as it reads as a whole number, and it
// must lie in the crew library's window for it. Whatever follows the weight is not read.
struct CrewReading {
    bool valid = false;
    std::string why;  // when not valid: what a vessel finds wrong with it
    std::string mission;
    std::string name;  // with blanks
    long age = 0, pulse = 0, weight = 0;
    // How what is taken differs from what is written ("name cut at 25 characters: ...").
    std::vector<std::string> changes;

    // The value as a vessel saves it again: A01-John_Doe-35-72-80.
    std::string value() const;
    // As a user reads it: "John Doe (A01), age 35, pulse 72, 80 kg".
    std::string text() const;
};

// The line begins with the keyword, in any letter case.
bool isCrewLine(const std::string &line);
// The line's first word is the transfer keyword "VEMOTRANSFER", in any letter case: a member
// on the way to the vessel in a transfer vessel.
bool isTransferLine(const std::string &line);
// Reads a crew or transfer line (keyword first).
CrewReading readCrewLine(const std::string &line);
// The value of a crew or transfer line: the first run of characters without blanks after the
// keyword.
std::string crewLineValue(const std::string &line);
// A crew line's value ("A01-John_Doe-35-72-80") as a user reads it: "John Doe (A01), age 35,
// pulse 72, 80 kg". A value that no vessel would take is given back as it stands.
std::string describeCrewValue(const std::string &value);

// The lines the vessel handed to the host's parser, in order, among events [from, to).
std::vector<std::string> linesHandedOn(const std::vector<sim::Event> &events,
                                       const std::string &vessel, std::size_t from, std::size_t to);
// For each line of a block, whether it is one the vessel handed on (`handed`, in order);
// handed lines that are none of the block's go to `strays`.
std::vector<bool> matchHandedOn(const std::vector<std::string> &lines,
                                const std::vector<std::string> &handed,
                                std::vector<std::string> *strays = nullptr);
// How many of the block's crew lines the vessel took: those it did not hand on.
std::size_t crewLinesTaken(const sim::ShipBlock &block, const std::vector<std::string> &handed);

// --- The story --------------------------------------------------------------------------

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
    // less those in `handed`, the lines the vessel passed on to the host's parser. A vessel
    // may keep such lines and save them again; the summary will not show them as aboard.
    std::vector<std::string> aboardAtLoad(const sim::VesselRecord &v, const sim::ShipBlock &block,
                                          const std::vector<std::string> &handed);

    // The crew lines of a vessel's summary at the end, as its block in the saved scenario
    // holds its crew (`saved`, null when it has none); names may repeat, so the caller
    // finds the block by the vessel's place in the list.
    std::vector<std::string> summary(const sim::VesselRecord &v, const sim::ShipBlock *saved);

private:
    // A point of a vessel: the vessel's handle is never reused, the point's address may be
    // once its vessel is gone.
    using PointKey = std::pair<OBJHANDLE, const sim::Attachment *>;
    static PointKey keyOf(const sim::VesselRecord &v, const sim::Attachment &a) {
        return {v.handle(), &a};
    }

    // What each convention point said when last told.
    std::map<PointKey, AirlockPoint> airlocks_;
    std::map<PointKey, std::string> points_;
    std::set<std::string> memberVessels_;  // live vessels that showed a crew member's point
    std::vector<std::string> takers_;      // vessels whose free seats went down, in order
    // Per vessel, the values of crew lines it refused at loading.
    std::map<OBJHANDLE, std::vector<std::string>> refusedCrew_;
};

}  // namespace vemosim

#endif
