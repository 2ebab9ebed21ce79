// vemosim --check: what the vessels of a scenario make of its lines, without running it.
//
// The scenario's vessels are made and handed their blocks, as at the start of a run, and then
// saved once; no step is taken. Every verdict comes from what the vessels did:
//   - a line that reached the host's default parser is in the world's event log; a crew line
//     there was not taken aboard;
//   - a crew line that did not reach it was taken aboard, and the vessel's saved block shows
//     as whom (its crew lines come in the order they were taken, then any it kept aside);
//   - the airlock a crew-capable vessel publishes tells its free seats, hence its seats.
// The crew conventions are read only to explain a verdict (CrewStory.h).
#ifndef VEMO_TOOL_SCENARIOCHECK_H
#define VEMO_TOOL_SCENARIOCHECK_H

#include <string>
#include <vector>

#include "ScenarioText.h"

namespace sim {
class World;
}

namespace vemosim {

enum class Verdict {
    AsWritten,      // a crew member taken aboard just as the line says
    Changed,        // taken aboard, but not as written
    KeptAside,      // not aboard; the vessel keeps the line and saves it again
    Refused,        // not aboard, and the line is gone once the scenario is saved
    NotUnderstood,  // not a crew line, and the host does not know it
    HostError,      // the host could not do what the vessel's lines asked
};

struct LineVerdict {
    int line = 0;  // in the scenario file, 1-based; 0 when no line of the file says it
    std::string vessel;
    std::string text;  // the line as written, without indentation
    Verdict verdict = Verdict::AsWritten;
    std::string what;              // "John Doe (A01), age 35, pulse 72, 80 kg", or why not
    std::vector<std::string> how;  // how it changed, or what else to know
};

struct CheckReport {
    std::vector<LineVerdict> lines;  // in file order, vessel by vessel
    std::vector<std::string> notes;  // "LINE: what", kept without modelling (no fault)

    // 0 when every crew line is taken as written and the host knows every other line; 1
    // otherwise.
    int exitCode() const;
    // One entry per line: "FILE:LINE: VESSEL: TEXT" and what became of it; then a summary.
    std::string text(const std::string &file) const;
};

// Checks a scenario already loaded into `world` (a fresh world, nothing stepped) from `parsed`,
// whose text is `fileText`. `root` is the runtime root, where the companion module would be.
CheckReport checkLoadedScenario(sim::World &world, const sim::ParsedScenario &parsed,
                                const std::string &fileText, const std::string &root);

}  // namespace vemosim

#endif
