#include "CrewLineText.h"

#include <algorithm>

#include "CrewLineReading.h"

namespace vemosim {

namespace {

// The numbers of a value, with the crew library's windows for them.
struct Window {
    const char *field;
    long low, high;
    const char *missing;  // when the value stops before this field
};
const Window kNumbers[] = {
    {"age", MIN_CREW_AGE, MAX_CREW_AGE, "no age after the name"},
    {"pulse", MIN_CREW_PULSE, MAX_CREW_PULSE, "the value stops after the age: no pulse"},
    {"weight", MIN_CREW_WEIGHT, MAX_CREW_WEIGHT, "the value stops after the pulse: no weight"},
};

std::string inQuotes(const std::string &s) {
    return "'" + s + "'";
}

std::string part(const std::string &line, const CrewLineSpan &span) {
    return line.substr(span.start, span.length);
}

// What a user is told of a line the crew library refuses.
std::string refusalText(const CrewLineReading &reading, const std::string &line,
                        const CrewLineLayout &layout) {
    const std::string value = part(line, layout.value);
    switch (reading.fault) {
        case CREW_LINE_READ:
            return std::string();
        case CREW_LINE_NOT_CREW:
            return "not a crew line";
        case CREW_LINE_NO_NAME:
            return value.empty() ? "no value after the keyword"
                                 : "no '-' in the value " + inQuotes(value) + ", so no name";
        default:
            break;
    }
    const std::size_t i = reading.field >= CREW_FIELD_AGE && reading.field <= CREW_FIELD_WEIGHT
                              ? static_cast<std::size_t>(reading.field - CREW_FIELD_AGE)
                              : 0;
    const Window &w = kNumbers[i];
    if (reading.fault == CREW_LINE_FIELD_MISSING) {
        return w.missing;
    }
    if (reading.fault == CREW_LINE_NOT_A_NUMBER) {
        const int field = CREW_VALUE_AGE + static_cast<int>(i);
        const std::string text =
            field < layout.fieldCount ? part(line, layout.fields[field]) : std::string();
        return std::string(w.field) + " " + inQuotes(text.substr(0, LINE_NUMBER_MAX_LENGTH)) +
               " holds no number";
    }
    return std::string(w.field) + " " + std::to_string(reading.value) + " is outside " +
           std::to_string(w.low) + " to " + std::to_string(w.high);
}

// How the fields of a line the crew library took differ from what it took of them.
void explainFields(const std::string &line, const CrewLineLayout &layout, CrewReading &r) {
    const std::string mission = part(line, layout.fields[CREW_VALUE_MISSION]);
    if (mission.size() > static_cast<std::size_t>(MISSION_ID_MAX_LENGTH)) {
        r.changes.push_back("mission id " + inQuotes(mission) + " cut to " +
                            inQuotes(mission.substr(0, MISSION_ID_MAX_LENGTH)));
    }
    const std::string written = part(line, layout.fields[CREW_VALUE_NAME]);
    const std::string cut = written.substr(0, CREW_NAME_MAX_LENGTH);
    if (written.size() > cut.size()) {
        r.changes.push_back("name cut at " + std::to_string(CREW_NAME_MAX_LENGTH) +
                            " characters, from " + std::to_string(written.size()) + " to " +
                            inQuotes(cut));
    }
    std::string blanked = cut;
    std::replace(blanked.begin(), blanked.end(), '_', ' ');
    if (blanked != r.name) {
        r.changes.push_back("characters other than letters, digits and '_' in the name " +
                            inQuotes(cut) + " became blanks");
    }
    const long numbers[] = {r.age, r.pulse, r.weight};
    for (int i = 0; i < 3; ++i) {
        const std::string text = part(line, layout.fields[CREW_VALUE_AGE + i]);
        const std::string value = std::to_string(numbers[i]);
        if (text.size() > LINE_NUMBER_MAX_LENGTH) {
            r.changes.push_back(std::string(kNumbers[i].field) + " " + inQuotes(text) +
                                " read from its first five characters " +
                                inQuotes(text.substr(0, LINE_NUMBER_MAX_LENGTH)) + " as " + value);
        } else if (text != value) {
            r.changes.push_back(std::string(kNumbers[i].field) + " " + inQuotes(text) +
                                " read as " + value);
        }
    }
    if (layout.rest.length > 0) {
        r.changes.push_back(inQuotes(part(line, layout.rest)) + " after the weight is not read");
    }
}

// How what a vessel takes from a line it took differs from what is written.
void explainCrewLine(const std::string &line, const CrewLineLayout &layout, CrewReading &r) {
    std::size_t after = layout.value.start + layout.value.length;
    while (after < line.size() && crewtext::IsBlankSpace(line[after])) {
        ++after;
    }
    if (after < line.size()) {
        r.changes.push_back(inQuotes(line.substr(after)) + " after the value is not read");
    }
    if (layout.read.length < layout.value.length) {
        r.changes.push_back("only the first " + std::to_string(LINE_VALUE_MAX_LENGTH) +
                            " characters of the value are read");
    }
    explainFields(line, layout, r);
}

}  // namespace

bool isCrewLine(const std::string &line) {
    return CrewManager::IsCrewLine(line.c_str());
}

bool isTransferLine(const std::string &line) {
    return CrewManager::IsTransferLine(line.c_str());
}

std::string crewLineValue(const std::string &line) {
    const CrewLineLayout layout = LayOutCrewLine(line.c_str());
    return layout.crew ? part(line, layout.value) : std::string();
}

CrewReading readCrewLine(const std::string &line) {
    CrewReading r;
    // Whether the line is taken, and as whom, is the crew library's own reading; the rest
    // only explains it to the user.
    const CrewLineReading reading = ReadCrewLine(line.c_str());
    const CrewLineLayout layout = LayOutCrewLine(line.c_str());
    r.valid = reading.fault == CREW_LINE_READ;
    r.why = refusalText(reading, line, layout);
    r.mission = reading.member.missionId;
    r.name = reading.member.name;
    r.age = reading.member.age;
    r.pulse = reading.member.pulse;
    r.weight = static_cast<long>(reading.member.weight);
    if (r.valid) {
        explainCrewLine(line, layout, r);
    }
    return r;
}

std::string CrewReading::value() const {
    std::string shown = name;
    std::replace(shown.begin(), shown.end(), ' ', '_');
    return mission + "-" + shown + "-" + std::to_string(age) + "-" + std::to_string(pulse) + "-" +
           std::to_string(weight);
}

std::string CrewReading::text() const {
    const bool blank = std::all_of(name.begin(), name.end(), [](char c) { return c == ' '; });
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

std::string describeCrewLine(const std::string &line) {
    const CrewReading r = readCrewLine(line);
    return r.valid ? r.text() : crewLineValue(line);
}

}  // namespace vemosim
