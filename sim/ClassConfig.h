// Class config files, config/vessels/<Class>.cfg: what the simulator reads of a vessel class
// before it makes a vessel of it.
//
// One "Key = Value" item a line; ';' starts a comment that runs to the end of the line; keys
// are matched without regard to letter case, and blanks around keys and values do not count.
// The items that matter here:
//   Module = NAME        the vessel module, modules/NAME.dll; without it the class's vessels
//                        are plain vessels with the simulator's default behaviour
//   EnableFocus = FALSE  the class's vessels never take the keyboard focus (default TRUE)
// Every other item is read past.
#ifndef VEMO_SIM_CLASSCONFIG_H
#define VEMO_SIM_CLASSCONFIG_H

#include <string>
#include <string_view>

namespace sim {

struct ClassConfig {
    std::string module;  // empty: no Module item
    bool enableFocus = true;
};

// Parses a class config file's text. Never fails: an item it cannot read counts as absent,
// as in the simulator.
ClassConfig parseClassConfig(std::string_view text);

}  // namespace sim

#endif
