// How the tool reads and writes the small pieces of text it deals in: numbers as a user
// reads them, text from modules and files made safe for a terminal, quoted parts of the
// host's log sentences.
#ifndef VEMO_TOOL_WORDS_H
#define VEMO_TOOL_WORDS_H

#include <cstddef>
#include <string>
#include <string_view>

#include "Orbitersdk.h"

namespace vemosim {

// A number as a user reads it: at most two decimals (or `decimals`), no trailing zeros
// ("1.5", "0", "inf").
std::string shortNumber(double x, int decimals = 2);
// "(x, y, z)" with short numbers.
std::string shortVector(const VECTOR3 &v);
// "1 seat", "2 seats".
std::string countOf(std::size_t n, const char *one, const char *many);

// A whole token as a finite number, in the C locale's notation whatever the process locale;
// a leading '+' is allowed.
bool parseNumber(std::string_view token, double &value);

// Text from vessel modules and files made safe for a terminal: control characters become '?'.
std::string printable(const std::string &s);
// The text between the first double quote and the next one (or the last one, with
// `toLast`), or false when there is none.
bool quoted(const std::string &text, std::string &inner, bool toLast);
bool startsWith(const std::string &s, const char *prefix);

}  // namespace vemosim

#endif
