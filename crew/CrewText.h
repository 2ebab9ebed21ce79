// Small text helpers of the crew library. They work on bytes, never on the locale, and never
// read past the count they are given: names come from scenario files and other vessels.
#ifndef VEMO_CREW_CREWTEXT_H
#define VEMO_CREW_CREWTEXT_H

#include <cstddef>

namespace crewtext {

// Length of text, but at most maxCount: a field filled to its last byte has no terminator.
inline std::size_t BoundedLength(const char *text, std::size_t maxCount) {
    std::size_t n = 0;
    while (n < maxCount && text[n] != '\0') {
        ++n;
    }
    return n;
}

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// The blank characters of the C locale.
inline bool IsBlankSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Equal texts, ASCII letter case ignored, comparing at most maxCount characters.
inline bool EqualNoCase(const char *a, const char *b, std::size_t maxCount) {
    for (std::size_t i = 0; i < maxCount; ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
        if (a[i] == '\0') {
            return true;
        }
    }
    return true;
}

// A mission id is written in front of the name, joined by "-", both in scenario lines and in
// crew-vessel names. A "-" inside it would shift every field after it, a control character
// would break the scenario line, a vessel name must be printable ASCII for every host to take
// it and write it back (a name is the member's name too, already letters, digits and
// blanks), and ':' or ';' in a vessel name breaks the scenario the simulator saves. So those
// become "_"; a blank inside stays (it becomes "_" where a blank cannot stand), and a blank
// at either end becomes "_" too.
inline void CleanMissionId(char *missionId, std::size_t fieldSize) {
    std::size_t length = 0;
    for (; length < fieldSize && missionId[length] != '\0'; ++length) {
        const unsigned char c = static_cast<unsigned char>(missionId[length]);
        if (c == '-' || c == ':' || c == ';' || c < 0x20 || c >= 0x7F) {
            missionId[length] = '_';
        }
    }
    for (std::size_t i = 0; i < length && missionId[i] == ' '; ++i) {
        missionId[i] = '_';
    }
    for (std::size_t i = length; i > 0 && missionId[i - 1] == ' '; --i) {
        missionId[i - 1] = '_';
    }
}

}  // namespace crewtext

#endif  // VEMO_CREW_CREWTEXT_H
