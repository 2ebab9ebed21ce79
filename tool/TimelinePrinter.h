// Prints a headless run's event log as a timeline a user can follow: one line per thing that
// happened, with the time, the vessel and what changed in plain words.
//
// The world logs every host-level detail: each mesh mode, each thruster group, each update
// of an attachment point's vectors. The printer tells the same run at the level a user
// thinks in:
//   - what a vessel's class set up at its creation is summarised on one line (and a line
//     for its meshes by name), instead of a line per item;
//   - attachment points that follow the crew conventions between vessels are read as what
//     they say: the airlock point "Vemo" of a crew-capable vessel (box, door, free seats)
//     and the "V-em" point of a crew-member vessel (age, pulse, weight); a point is printed
//     only when what it says has changed;
//   - meshes are named by their global mesh name, key events say whether the vessel took
//     the key, placements say whether they put a vessel inside the other's airlock box;
//   - at the end, every vessel with its position, velocity, tanks and crew.
// In verbose mode every event is printed as the world logged it, item by item.
//
// Output is a pure function of the event log and the world's state when a batch of events
// is printed, so the same run prints the same bytes.
#ifndef VEMO_SIM_TIMELINEPRINTER_H
#define VEMO_SIM_TIMELINEPRINTER_H

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ScenarioFile.h"
#include "World.h"

namespace sim {

// Kinds the printer adds to the world's (ev::*).
namespace story {
constexpr const char *Airlock = "airlock";    // a vessel's airlock as it publishes it
constexpr const char *Crew = "crew";          // who is aboard, or ready to come aboard
constexpr const char *Timeline = "timeline";  // a timeline action
}  // namespace story

// Text from vessel modules and files made safe for a terminal: control characters become '?'.
std::string Printable(const std::string &s);

// A crew line's value ("A01-John_Doe-35-72-80") as a user reads it: "John Doe (A01), age 35,
// pulse 72, 80 kg". A value that is not of that form is given back as it stands.
std::string DescribeCrewValue(const std::string &value);

// What an airlock point "Vemo" publishes, decoded from its three vectors.
struct AirlockView {
    double box[6] = {0, 0, 0, 0, 0, 0};  // min x, max x, min y, max y, min z, max z; m
    double door = 0.0;                   // 1 open, 0 closed
    double status = 0.0;
    double freeSeats = 0.0;

    static AirlockView From(const Attachment &a);
    bool Contains(const VECTOR3 &p) const;  // p in the vessel's frame, bounds included
    std::string Text() const;               // "airlock open, box ±2 m, 1 free seat"
    bool operator==(const AirlockView &o) const;
};

// The airlock point "Vemo" (to child) of a vessel, or null.
const Attachment *FindAirlock(const VesselRecord &v);

class TimelinePrinter {
public:
    struct Options {
        bool quiet = false;    // print nothing
        bool verbose = false;  // every event as logged
    };

    TimelinePrinter(const World &world, std::FILE *out, Options options);

    // The ships as the scenario gave them, for who came aboard with them. Call before the
    // events of loading are printed.
    void SetLoadedShips(const std::vector<ShipBlock> &ships);

    // Prints every event logged since the last call.
    void Flush();
    // As Flush, for events that a key event of the timeline caused: the key event itself is
    // printed first (it is logged last, once the vessel has answered), as `keyText`, or not
    // at all when `keyText` is empty.
    void FlushKey(const std::string &keyText);
    // As Flush, printing the last event of `kind` as `text` instead of as logged.
    void FlushReplacing(const char *kind, const std::string &text);

    // A line of the printer's own, e.g. a timeline action.
    void Line(double time, const std::string &vessel, const char *kind, const std::string &text);

    // The pilot commanded a thruster group of a vessel to this level (timeline "thrust").
    void NotePilotCommand(const std::string &vessel, THGROUP_TYPE group, double level);
    // The next scenario the world saves goes to this file, as the user named it.
    void NoteSaveTarget(const std::string &shown) { saveTarget_ = shown; }

    // Every vessel at the end: position, velocity, tanks, and crew as `saved` holds it.
    void Summary(const ScenarioFile &saved);

private:
    struct Override {
        const char *kind = nullptr;
        std::string text;
        bool first = false;  // print it before the others
    };
    void FlushWith(const Override *o);
    void PrintEvent(const std::vector<Event> &events, std::size_t &i, std::size_t end);
    void PrintSetUp(const std::vector<Event> &events, std::size_t &i, std::size_t end);
    void PrintAttachment(const Event &e);
    void PrintLevel(const Event &e);
    void PrintPublished(double time, const VesselRecord &v);
    bool DescribePoint(const VesselRecord &v, const Attachment &a, std::string &kind,
                       std::string &text);
    std::string Nearest(const VesselRecord &v) const;
    void Raw(const Event &e) { Line(e.time, e.vessel, e.kind.c_str(), e.text); }

    const World &world_;
    std::FILE *out_;
    Options options_;
    std::size_t printed_ = 0;
    std::vector<ShipBlock> loadedShips_;
    bool loading_ = false;
    std::string saveTarget_;
    // What each convention point said when last printed.
    std::map<const Attachment *, AirlockView> airlocks_;
    std::map<const Attachment *, std::string> points_;
    std::set<std::string> crewVessels_;  // live vessels that showed a crew member's point
    // Per vessel, the values of crew lines it refused at loading. A vessel may keep such
    // lines and save them again; the summary must not show those members as aboard.
    std::map<std::string, std::vector<std::string>> refusedCrew_;
    // The pilot's last command per vessel and group name.
    std::map<std::pair<std::string, std::string>, double> pilot_;
};

}  // namespace sim

#endif
