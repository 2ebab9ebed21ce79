// Numbers and names as text, the same way wherever the host and its tools write or match them.
#ifndef VEMO_SIM_TEXT_H
#define VEMO_SIM_TEXT_H

#include <string>
#include <string_view>

#include "Orbitersdk.h"

namespace sim {

// Shortest text that reads back as the same number, and three of them: "x y z".
std::string numberText(double x);
std::string vectorText(const VECTOR3 &v);
// Equal when ASCII letters are compared without regard to case.
bool equalNoCase(std::string_view a, std::string_view b);

}  // namespace sim

#endif
