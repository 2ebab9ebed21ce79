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
// Blanks and tabs, as scenario files and timelines separate words by them.
constexpr const char *kBlanks = " \t";
// The text without leading blanks, or without blanks at either end.
std::string_view stripLeadingBlanks(std::string_view s);
std::string_view stripBlanks(std::string_view s);
// Equal when ASCII letters are compared without regard to case.
bool equalNoCase(std::string_view a, std::string_view b);

}  // namespace sim

#endif
