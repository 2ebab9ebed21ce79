// The roster in the scenario: one line per member,
//
//     VEMOCREW <missionId>-<name>-<age>-<pulse>-<weight>
//
// with every blank of the value written as "_", and a transfer line of the same form,
// VEMOTRANSFER, for a member still on the way in a transfer vessel. The loader is offered
// every line of the vessel's block and takes only valid crew and transfer lines; it trusts
// nothing in them.
#include <cstdio>
#include <cstring>

#include "CrewLineReading.h"
#include "CrewManager.h"
#include "CrewText.h"

namespace {

// Room for one value: the member's text and three numbers with their "-".
constexpr std::size_t SAVED_VALUE_SIZE = 80;
static_assert(CREW_TEXT_MAX_LENGTH + 3 * (1 + 11) < SAVED_VALUE_SIZE, "a value fits its buffer");

// Decimal integer with an optional sign; stops at the first other character. False without
// a digit: a field such as "inf" or "x" holds no number, and reading it as 0 would make up
// a value (a pulse of 0 is within its window). The text is at most LINE_NUMBER_MAX_LENGTH
// characters, so it cannot overflow.
bool ParseDecimal(const char *text, int *value) {
    int sign = 1;
    if (*text == '+' || *text == '-') {
        sign = (*text == '-') ? -1 : 1;
        ++text;
    }
    if (*text < '0' || *text > '9') {
        return false;
    }
    int number = 0;
    while (*text >= '0' && *text <= '9') {
        number = number * 10 + (*text - '0');
        ++text;
    }
    *value = sign * number;
    return true;
}

// The first characters of a field, at most `limit` of them, terminated; `out` holds limit + 1.
void CopyField(const char *line, const CrewLineSpan &field, std::size_t limit, char *out) {
    const std::size_t n = field.length < limit ? field.length : limit;
    std::memcpy(out, line + field.start, n);
    out[n] = '\0';
}

// Fills reading.member from the fields of a line as LayOutCrewLine splits it, or reading's
// fault and field.
void ParseCrewValue(const char *line, const CrewLineLayout &layout, CrewLineReading &reading) {
    CrewMember *member = &reading.member;
    CopyField(line, layout.fields[CREW_VALUE_MISSION], MISSION_ID_MAX_LENGTH, member->missionId);
    crewtext::CleanMissionId(member->missionId, sizeof member->missionId);
    if (layout.fieldCount <= CREW_VALUE_NAME) {
        reading.fault = CREW_LINE_NO_NAME;
        return;
    }
    CopyField(line, layout.fields[CREW_VALUE_NAME], CREW_NAME_MAX_LENGTH, member->name);
    for (char *c = member->name; *c; ++c) {
        *c = (*c == '_') ? ' ' : *c;
    }
    CrewManager::SanitizeCrewName(member->name);
    // An empty name is kept: the roster accepts one, and a saved member must come back.

    struct Window {
        CrewValueField at;
        CrewLineField field;
        int low, high;
    };
    static const Window windows[] = {
        {CREW_VALUE_AGE, CREW_FIELD_AGE, MIN_CREW_AGE, MAX_CREW_AGE},
        {CREW_VALUE_PULSE, CREW_FIELD_PULSE, MIN_CREW_PULSE, MAX_CREW_PULSE},
        {CREW_VALUE_WEIGHT, CREW_FIELD_WEIGHT, MIN_CREW_WEIGHT, MAX_CREW_WEIGHT}};
    int numbers[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const Window &w = windows[i];
        reading.field = w.field;
        if (layout.fieldCount <= w.at) {
            reading.fault = CREW_LINE_FIELD_MISSING;
            return;
        }
        char text[LINE_NUMBER_MAX_LENGTH + 1];
        CopyField(line, layout.fields[w.at], LINE_NUMBER_MAX_LENGTH, text);
        if (!ParseDecimal(text, &numbers[i])) {
            reading.fault = CREW_LINE_NOT_A_NUMBER;
            return;
        }
        if (numbers[i] < w.low || numbers[i] > w.high) {
            reading.fault = CREW_LINE_OUT_OF_RANGE;
            reading.value = numbers[i];
            return;
        }
    }
    reading.field = CREW_FIELD_NONE;
    member->age = numbers[0];
    member->pulse = numbers[1];
    member->weight = numbers[2];
}

// The value of a member as a line carries it, blanks as "_".
void FormatCrewValue(const CrewMember &member, char (&value)[SAVED_VALUE_SIZE]) {
    std::snprintf(value, sizeof value, "%.*s-%.*s-%d-%d-%d", MISSION_ID_MAX_LENGTH,
                  member.missionId, CREW_NAME_MAX_LENGTH, member.name, member.age, member.pulse,
                  static_cast<int>(member.weight));
    for (char *p = value; *p; ++p) {
        if (*p == ' ') {
            *p = '_';
        }
    }
}

// Writes one line under the keyword; the host's call takes texts it may not change as char *.
void WriteLine(FILEHANDLE scn, const char *keyword, char *value) {
    char item[sizeof TRANSFER_LINE_KEYWORD];
    std::snprintf(item, sizeof item, "%s", keyword);
    oapiWriteScenario_string(scn, item, value);
}

}  // namespace

bool CrewManager::IsTransferLine(const char *line) {
    if (!line) {
        return false;
    }
    for (std::size_t i = 0; i < TRANSFER_KEYWORD_LENGTH; ++i) {
        if (crewtext::LowerAscii(line[i]) != crewtext::LowerAscii(TRANSFER_LINE_KEYWORD[i])) {
            return false;
        }
    }
    return line[TRANSFER_KEYWORD_LENGTH] == '\0' ||
           crewtext::IsBlankSpace(line[TRANSFER_KEYWORD_LENGTH]);
}

bool CrewManager::IsCrewLine(const char *line) {
    if (!line) {
        return false;
    }
    // A line shorter than the keyword differs at its terminator and is never read past.
    for (std::size_t i = 0; i < CREW_KEYWORD_LENGTH; ++i) {
        if (crewtext::LowerAscii(line[i]) != crewtext::LowerAscii(CREW_LINE_KEYWORD[i])) {
            return false;
        }
    }
    return true;
}

CrewLineReading ReadCrewLine(const char *line) {
    CrewLineReading reading;
    std::memset(&reading, 0, sizeof reading);
    reading.transfer = CrewManager::IsTransferLine(line);
    if (!reading.transfer && !CrewManager::IsCrewLine(line)) {
        reading.fault = CREW_LINE_NOT_CREW;
        return reading;
    }
    ParseCrewValue(line, LayOutCrewLine(line), reading);
    if (reading.fault != CREW_LINE_READ) {
        std::memset(&reading.member, 0, sizeof reading.member);
    }
    return reading;
}

CrewResult CrewManager::SaveCrewLines(FILEHANDLE scn) {
    if (!IsReady() || !scn) {
        return CREW_REFUSED;
    }
    char value[SAVED_VALUE_SIZE];
    const int count = roster.count < ROSTER_SIZE ? roster.count : ROSTER_SIZE;
    for (int i = 0; i < count; ++i) {
        FormatCrewValue(roster.members[i], value);
        WriteLine(scn, CREW_LINE_KEYWORD, value);
    }
    // Members on the way are known only from transfer lines and the hand-over file, which the
    // scenario does not carry: without these lines a member would come aboard nameless once
    // the scenario is loaded where that file is gone. Every transfer line read is written
    // again until its member is aboard, whether or not its transfer vessel is still there.
    const int awaitedLines =
        awaited.count > 0 && awaited.count <= MAX_AWAITED_MEMBERS ? awaited.count : 0;
    for (int i = 0; i < awaitedLines; ++i) {
        FormatCrewValue(awaited.members[i], value);
        WriteLine(scn, TRANSFER_LINE_KEYWORD, value);
    }
    // With no transfer line, the member a transfer vessel brings may still be named by the
    // hand-over file (FindAwaitedMember): the transfer was made in this session.
    CrewMember fromFile;
    const bool named = awaitedLines == 0 && FindAwaitedMember(fromFile);
    if (named) {
        FormatCrewValue(fromFile, value);
        WriteLine(scn, TRANSFER_LINE_KEYWORD, value);
    }
    return count > 0 || awaitedLines > 0 || named ? CREW_OK : CREW_REFUSED;
}

void CrewManager::StartLoading() {
    // The scenario's roster replaces whatever the vessel held, and the weight of that crew
    // comes off the vessel's empty mass.
    oapiSetEmptyMass(vesselHandle, oapiGetEmptyMass(vesselHandle) - roster.mass);
    std::memset(&roster.members, 0, sizeof roster.members);
    roster.mass = 0.0;
    roster.loadedLines = 0;
    roster.count = 0;
    std::memset(&awaited, 0, sizeof awaited);
    PublishSeats();
}

CrewResult CrewManager::LoadCrewLine(const char *line) {
    if (!IsReady() || !line) {
        return CREW_REFUSED;
    }
    if (roster.loadedLines == CREW_LINES_NOT_STARTED) {
        StartLoading();  // the first line of the vessel's block, whatever it holds
    }

    // A member on the way takes no seat yet: the line is read whatever the seats. Lines
    // beyond the room for them are refused, and the vessel keeps them to save them again.
    if (IsTransferLine(line)) {
        const CrewLineReading reading = ReadCrewLine(line);
        if (reading.fault != CREW_LINE_READ || awaited.count < 0 ||
            awaited.count >= MAX_AWAITED_MEMBERS) {
            return CREW_REFUSED;
        }
        awaited.members[awaited.count++] = reading.member;
        return CREW_OK;
    }

    if (roster.count >= roster.maxSeats || roster.count >= ROSTER_SIZE || roster.count < 0) {
        return CREW_REFUSED;
    }
    if (!IsCrewLine(line)) {
        return CREW_REFUSED;
    }
    CrewMember &member = roster.members[roster.count];
    const CrewLineReading reading = ReadCrewLine(line);
    member = reading.member;  // cleared when the line is refused
    if (reading.fault != CREW_LINE_READ) {
        return CREW_REFUSED;
    }

    ++roster.loadedLines;
    ++roster.count;
    // A loaded member weighs like any other: the empty mass the class sets holds no crew.
    CountCrewMass(member.weight);
    airlock.PublishFreeSeats(roster.maxSeats - roster.count);
    return CREW_OK;
}

const CrewMember *CrewManager::GetAwaitedMember(int index) const {
    const bool held = IsReady() && index >= 0 && index < awaited.count;
    return held && index < MAX_AWAITED_MEMBERS ? &awaited.members[index] : nullptr;
}
