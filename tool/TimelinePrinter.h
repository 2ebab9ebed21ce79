// Prints a headless run's event log as a timeline a user can follow: one line per thing that
// happened, with the time, the vessel and what happened in a pilot's words, under a header,
// in columns as wide as the run's longest name.
//
// The world logs every host-level detail: each mesh mode, each thruster group, each update
// of an attachment point's vectors. The printer tells the same run at the level a pilot
// thinks in:
//   - what a vessel's class set up at its creation is summarised on one line;
//   - attachment points that follow the crew conventions are told as what they say
//     (CrewStory), and only when what they say has changed; other points, meshes shown and
//     hidden and thruster groups made are the host's business and left out;
//   - the capsule's deployment is told as such, an engine as ready, lit and held;
//   - key events say which key went down, and whether the vessel left it to the host;
//   - numbers are written one way: at most two decimals, vectors as (x, y, z) with a unit;
//   - at the end, every vessel with its position, velocity, tanks and crew.
// Verbose mode tells the same story and adds, after each line, the host's events it came
// from, item by item, as the world logged them ("host" lines).
//
// The lines are kept until finish() (or the printer's end), or until a run's first
// kRowsToAlignAtMost lines are there, and then written in columns aligned to them; later
// lines go out at once in those columns, so a long run holds no more than that. Output is a pure function of the event log and the world's state when a batch of
// events is printed, so the same run prints the same bytes.
#ifndef VEMO_TOOL_TIMELINEPRINTER_H
#define VEMO_TOOL_TIMELINEPRINTER_H

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "CrewStory.h"
#include "ScenarioFile.h"
#include "World.h"

namespace vemosim {

class TimelinePrinter {
public:
    // Kind of the printer's own line for a timeline action.
    static constexpr const char *kTimeline = "timeline";

    struct Options {
        bool quiet = false;    // print nothing
        bool verbose = false;  // every event as logged
    };

    TimelinePrinter(const sim::World &world, std::FILE *out, Options options);
    TimelinePrinter(const TimelinePrinter &) = delete;
    TimelinePrinter &operator=(const TimelinePrinter &) = delete;

    // The ships as the scenario gave them, for who came aboard with them. Call before the
    // events of loading are printed.
    void setLoadedShips(const std::vector<sim::ShipBlock> &ships);

    // Prints every event logged since the last call.
    void flush();
    // The world's event log was emptied after a flush: printing goes on from its start.
    void eventsCleared() { printed_ = 0; }
    // As flush, for events that a key event of the timeline caused: the key event itself is
    // printed first (it is logged last, once the vessel has answered), as `keyText`, or not
    // at all when `keyText` is empty.
    void flushKey(const std::string &keyText);
    // As flush, printing the last event of `kind` as `text` instead of as logged.
    void flushReplacing(const char *kind, const std::string &text);

    // A line of the printer's own, e.g. a timeline action.
    void printLine(double time, const std::string &vessel, const char *kind,
                   const std::string &text);

    // The pilot commanded a thruster group of a vessel to this level (timeline "thrust").
    void notePilotCommand(const std::string &vessel, THGROUP_TYPE group, double level);
    // The next scenario the world saves goes to this file, as the user named it.
    void noteSaveTarget(const std::string &shown) { saveTarget_ = shown; }

    // Writes the lines so far under the header, in aligned columns; later lines follow in
    // the same columns. The printer's end calls it too.
    void finish();
    ~TimelinePrinter() { finish(); }

    // Every vessel at the end: position, velocity, tanks, and crew as `saved` holds it.
    void summary(const sim::ScenarioFile &saved);

private:
    struct Override {
        const char *kind = nullptr;
        std::string text;
        bool first = false;  // print it before the others
    };
    void flushWith(const Override *o);
    void printEvent(const std::vector<sim::Event> &events, std::size_t &i, std::size_t end);
    void printSetUp(const std::vector<sim::Event> &events, std::size_t &i, std::size_t end);
    void printAttachment(const sim::Event &e);
    void printLevel(const sim::Event &e);
    void printPublished(double time, const sim::VesselRecord &v);
    std::string nearest(const sim::VesselRecord &v) const;
    void printAnimation(const sim::Event &e, const sim::VesselRecord *v);
    void printMoved(const sim::Event &e);
    void printScenarioLine(const sim::Event &e, const sim::VesselRecord *v);
    void raw(const sim::Event &e) { printLine(e.time, e.vessel, e.kind.c_str(), e.text); }
    // The host's own line for an event, in verbose mode.
    void host(const sim::Event &e);

    struct Row {
        std::string time, vessel, kind, text;
    };

    const sim::World &world_;
    std::FILE *out_;
    Options options_;
    std::size_t printed_ = 0;
    std::vector<Row> rows_;
    std::size_t timeWidth_ = 0, vesselWidth_ = 0, kindWidth_ = 0;  // 0: header not written
    std::vector<sim::ShipBlock> loadedShips_;
    bool loading_ = false;
    std::string saveTarget_;
    CrewStory story_;
    // The pilot's last command per vessel and group name.
    std::map<std::pair<std::string, std::string>, double> pilot_;
};

}  // namespace vemosim

#endif
