#include "CrewValue.h"

#include <cstddef>

#include "CrewManager.h"

namespace vemosim {

namespace {

const char kKeyword[] = "VEMOCREW";
constexpr std::size_t kKeywordLength = sizeof kKeyword - 1;
constexpr std::size_t kMaxValue = 399;  // characters of the value a vessel reads
constexpr std::size_t kMaxMission = MISSION_ID_MAX_LENGTH;
constexpr std::size_t kMaxName = CREW_NAME_MAX_LENGTH;
constexpr std::size_t kMaxNumber = 5;  // characters a number is read from

struct Window {
    const char *field;
    long low, high;
    const char *missing;  // when the value stops before this field
};
// The crew library's own windows: a line outside them is refused.
const Window kNumbers[] = {
    {"age", MIN_CREW_AGE, MAX_CREW_AGE, "no age after the name"},
    {"pulse", MIN_CREW_PULSE, MAX_CREW_PULSE, "the value stops after the age: no pulse"},
    {"weight", MIN_CREW_WEIGHT, MAX_CREW_WEIGHT, "the value stops after the pulse: no weight"},
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isLetterOrDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// A whole number as a vessel reads it: an optional sign, then digits, up to the first other
// character; no digits read as 0.
long readNumber(const std::string &text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

std::string quoted(const std::string &s) {
    return "'" + s + "'";
}

}  // namespace

bool isCrewLine(const std::string &line) {
    if (line.size() < kKeywordLength) {
        return false;
    }
    for (std::size_t i = 0; i < kKeywordLength; ++i) {
        const char c = line[i];
        if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != kKeyword[i]) {
            return false;
        }
    }
    return true;
}

std::string crewLineValue(const std::string &line) {
    std::size_t first = kKeywordLength;
    while (first < line.size() && isBlank(line[first])) {
        ++first;
    }
    std::size_t last = first;
    while (last < line.size() && !isBlank(line[last])) {
        ++last;
    }
    return first < line.size() ? line.substr(first, last - first) : std::string();
}

CrewReading readCrewLine(const std::string &line) {
    CrewReading r;
    if (!isCrewLine(line)) {
        r.why = "not a crew line";
        return r;
    }
    std::string token = crewLineValue(line);
    std::size_t after = line.find(token, kKeywordLength) + token.size();
    while (after < line.size() && isBlank(line[after])) {
        ++after;
    }
    if (after < line.size()) {
        r.changes.push_back(quoted(line.substr(after)) + " after the value is not read");
    }
    if (token.size() > kMaxValue) {
        r.changes.push_back("only the first " + std::to_string(kMaxValue) +
                            " characters of the value are read");
        token.resize(kMaxValue);
    }
    if (token.empty()) {
        r.why = "no value after the keyword";
        return r;
    }

    std::vector<std::string> parts;
    for (std::size_t from = 0;;) {
        const std::size_t dash = token.find('-', from);
        parts.push_back(token.substr(from, dash == std::string::npos ? dash : dash - from));
        if (dash == std::string::npos) {
            break;
        }
        from = dash + 1;
    }

    r.mission = parts[0].substr(0, kMaxMission);
    for (char &c : r.mission) {
        const unsigned char u = static_cast<unsigned char>(c);
        c = u < 0x20 || u == 0x7f ? '_' : c;  // it would break the saved line
    }
    if (r.mission != parts[0]) {
        r.changes.push_back("mission id " + quoted(parts[0]) + " cut to " + quoted(r.mission));
    }
    if (parts.size() < 2) {
        r.why = "no '-' in the value " + quoted(token) + ", so no name";
        return r;
    }
    // An empty name is taken: the roster holds one, and a saved member must come back.
    const std::string &written = parts[1];
    r.name = written.substr(0, kMaxName);
    if (written.size() > kMaxName) {
        r.changes.push_back("name cut at " + std::to_string(kMaxName) + " characters, from " +
                            std::to_string(written.size()) + " to " + quoted(r.name));
    }
    bool odd = false;
    for (char &c : r.name) {
        odd = odd || (c != '_' && !isLetterOrDigit(c));
        c = isLetterOrDigit(c) ? c : ' ';
    }
    if (odd) {
        r.changes.push_back("characters other than letters, digits and '_' in the name " +
                            quoted(written.substr(0, kMaxName)) + " became blanks");
    }

    long *const numbers[] = {&r.age, &r.pulse, &r.weight};
    for (std::size_t i = 0; i < 3; ++i) {
        const Window &w = kNumbers[i];
        if (parts.size() < i + 3) {
            r.why = w.missing;
            return r;
        }
        const std::string &text = parts[i + 2];
        const long value = readNumber(text.substr(0, kMaxNumber));
        *numbers[i] = value;
        if (text.size() > kMaxNumber) {
            r.changes.push_back(std::string(w.field) + " " + quoted(text) +
                                " read from its first five characters " +
                                quoted(text.substr(0, kMaxNumber)) + " as " +
                                std::to_string(value));
        } else if (text != std::to_string(value)) {
            r.changes.push_back(std::string(w.field) + " " + quoted(text) + " read as " +
                                std::to_string(value));
        }
        if (value < w.low || value > w.high) {
            r.why = std::string(w.field) + " " + std::to_string(value) + " is outside " +
                    std::to_string(w.low) + " to " + std::to_string(w.high);
            return r;
        }
    }
    if (parts.size() > 5) {
        std::string rest;
        for (std::size_t i = 5; i < parts.size(); ++i) {
            rest += "-" + parts[i];
        }
        r.changes.push_back(quoted(rest) + " after the weight is not read");
    }
    r.valid = true;
    return r;
}

std::string CrewReading::value() const {
    std::string shown = name;
    for (char &c : shown) {
        c = c == ' ' ? '_' : c;
    }
    return mission + "-" + shown + "-" + std::to_string(age) + "-" + std::to_string(pulse) + "-" +
           std::to_string(weight);
}

std::string CrewReading::text() const {
    bool blank = true;
    for (char c : name) {
        blank = blank && c == ' ';
    }
    std::string text = name.empty() ? "no name"
                       : blank      ? "a name of " + std::to_string(name.size()) + " blanks"
                       : name.front() == ' ' || name.back() == ' ' ? "'" + name + "'"
                                                                   : name;
    if (!mission.empty()) {
        text += " (" + mission + ")";
    }
    return text + ", age " + std::to_string(age) + ", pulse " + std::to_string(pulse) + ", " +
           std::to_string(weight) + " kg";
}

}  // namespace vemosim
