// Names of the host's key codes (its keyboard's scan codes), as logs and timelines give them.
#ifndef VEMO_SIM_KEYS_H
#define VEMO_SIM_KEYS_H

#include <string>
#include <string_view>

namespace sim {

// Highest key code: the host's key state has 256 entries.
constexpr int kMaxKeyCode = 255;

// The key code of a name (K, E, LSHIFT, NUMPAD0, F1, ...), matched without regard to case,
// or of a code in hex, 0x25. -1 if unknown.
int keyFromName(std::string_view name);
// The usual name of a key code, or its number as 0xNN when it has none.
std::string keyName(int code);

}  // namespace sim

#endif
