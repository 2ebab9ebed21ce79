// vemosim --check's notes on what of a scenario the host keeps without modelling it: the
// simulator's own sections (camera, HUD, MFDs, panels, the HTML description, ...) and the
// default vessel lines it only carries (ALT, XPDR, ATTACHED, ...). Both are written back
// when the scenario is saved; a note is no fault and does not change the exit status.
#ifndef VEMO_TOOL_SCENARIOCHECKNOTES_H
#define VEMO_TOOL_SCENARIOCHECKNOTES_H

#include <string>
#include <vector>

#include "ScenarioText.h"

namespace vemosim {

// One note per kept section and per kept vessel line, in file order: "LINE: what".
std::vector<std::string> keptWithoutModelling(const sim::ParsedScenario &parsed,
                                              const std::string &fileText);

}  // namespace vemosim

#endif
