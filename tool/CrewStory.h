// The crew in what the tool shows: the conventions by which crew-capable vessels and crew
// members outside tell each other what they are, read as what they say. The story, the
// picture and the check all ask here, and read crew lines through CrewLineText.h and crew
// events through CrewEvents.h. The names and the airlock point's encoding are the crew
// library's own (CrewNames.h, AirlockPoint.h), so the tool reads them exactly as vessels
// write them:
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
#include "CrewEvents.h"
#include "CrewLineText.h"
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
    // forgetTakers() whose airlock's free seats went down (CrewMoves). Empty otherwise: a
    // member whose vessel goes with no seat taken was not taken aboard anywhere.
    std::string boardedBy(const std::string &deleted);
    // The events told so far are all of a frame: a seat taken now belongs to no deletion.
    void forgetTakers() { moves_.endRound(); }

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
    CrewMoves<std::string> moves_;         // seats taken, by vessel name, in order
    // Per vessel, the values of crew lines it refused at loading.
    std::map<OBJHANDLE, std::vector<std::string>> refusedCrew_;
};

}  // namespace vemosim

#endif
