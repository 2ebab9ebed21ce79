// The one reading of a crew line ("VEMOCREW <missionId>-<name>-<age>-<pulse>-<weight>") and of
// a transfer line ("VEMOTRANSFER", same value): what a vessel takes from the line, or why it
// refuses it. The crew manager's loader reads lines through it, and so does any tool that
// wants to tell a user what a vessel will make of a line.
#ifndef VEMO_CREW_CREWLINEREADING_H
#define VEMO_CREW_CREWLINEREADING_H

#include <cstddef>
#include <cstring>

#include "CrewManager.h"
#include "CrewProtocol.h"
#include "CrewText.h"

// Why a line is refused; CREW_LINE_READ when it is not.
enum CrewLineFault : int {
    CREW_LINE_READ = 0,       // read: the reading's member is what the line names
    CREW_LINE_NOT_CREW,       // the line begins with neither keyword (or is null)
    CREW_LINE_NO_NAME,        // the value holds no "-", so no name
    CREW_LINE_FIELD_MISSING,  // the value stops before the reading's field
    CREW_LINE_NOT_A_NUMBER,   // the reading's field has no digit where its number begins
    CREW_LINE_OUT_OF_RANGE,   // the reading's field lies outside its window (its value)
};

// The number a fault is about.
enum CrewLineField : int {
    CREW_FIELD_NONE = 0,
    CREW_FIELD_AGE,     // years, MIN_CREW_AGE..MAX_CREW_AGE
    CREW_FIELD_PULSE,   // beats per minute, MIN_CREW_PULSE..MAX_CREW_PULSE
    CREW_FIELD_WEIGHT,  // kg, MIN_CREW_WEIGHT..MAX_CREW_WEIGHT
};

struct CrewLineReading {
    CrewLineFault fault;
    CrewLineField field;  // CREW_LINE_FIELD_MISSING, _NOT_A_NUMBER, _OUT_OF_RANGE: which number
    int value;            // CREW_LINE_OUT_OF_RANGE: the number as read
    bool transfer;        // the line is a transfer line, not a crew line
    CrewMember member;    // CREW_LINE_READ: the member, as the roster would hold him
};

// Reads one scenario line as a vessel's loader does. Uses no manager and changes nothing.
CrewLineReading ReadCrewLine(const char *line);

// Where the parts of a crew or transfer line stand, as the loader splits it: the value (the
// first run of characters without blanks after the keyword), and in the part of it that is
// read its fields as written, each up to the next "-" and before any cut. ReadCrewLine reads
// the fields from this layout (cut, cleaned, as numbers), and a tool shows a user from it what
// the line says where. Offsets are into the line.
struct CrewLineSpan {
    std::size_t start, length;
};

// The fields of a value in order: mission id, name, age, pulse, weight.
enum CrewValueField : int {
    CREW_VALUE_MISSION = 0,
    CREW_VALUE_NAME,
    CREW_VALUE_AGE,
    CREW_VALUE_PULSE,
    CREW_VALUE_WEIGHT,
    CREW_VALUE_FIELDS
};

struct CrewLineLayout {
    bool crew;           // the line begins with either keyword
    CrewLineSpan value;  // the whole value, uncut
    CrewLineSpan read;   // the part of the value the loader reads
    CrewLineSpan fields[CREW_VALUE_FIELDS];
    int fieldCount;     // fields present in the part read
    CrewLineSpan rest;  // what follows the weight in the part read
};

// Splits a line as the loader does. Uses no manager and changes nothing.
inline CrewLineLayout LayOutCrewLine(const char *line) {
    CrewLineLayout layout;
    std::memset(&layout, 0, sizeof layout);
    const bool transfer = CrewManager::IsTransferLine(line);
    layout.crew = transfer || CrewManager::IsCrewLine(line);
    if (!layout.crew) {
        return layout;
    }
    std::size_t at = transfer ? TRANSFER_KEYWORD_LENGTH : CREW_KEYWORD_LENGTH;
    while (crewtext::IsBlankSpace(line[at])) {
        ++at;
    }
    std::size_t end = at;
    while (line[end] != '\0' && !crewtext::IsBlankSpace(line[end])) {
        ++end;
    }
    layout.value = {at, end - at};
    layout.read = {at, end - at < LINE_VALUE_MAX_LENGTH ? end - at : LINE_VALUE_MAX_LENGTH};
    const std::size_t readEnd = at + layout.read.length;
    for (std::size_t from = at; layout.fieldCount < CREW_VALUE_FIELDS;) {
        std::size_t dash = from;
        while (dash < readEnd && line[dash] != '-') {
            ++dash;
        }
        layout.fields[layout.fieldCount++] = {from, dash - from};
        if (dash == readEnd) {
            return layout;
        }
        from = dash + 1;
    }
    const CrewLineSpan &weight = layout.fields[CREW_VALUE_WEIGHT];
    layout.rest = {weight.start + weight.length, readEnd - weight.start - weight.length};
    return layout;
}

#endif  // VEMO_CREW_CREWLINEREADING_H
