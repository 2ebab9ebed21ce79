// The one reading of a crew line ("VEMOCREW <missionId>-<name>-<age>-<pulse>-<weight>") and of
// a transfer line ("VEMOTRANSFER", same value): what a vessel takes from the line, or why it
// refuses it. The crew manager's loader reads lines through it, and so does any tool that
// wants to tell a user what a vessel will make of a line.
#ifndef VEMO_CREW_CREWLINEREADING_H
#define VEMO_CREW_CREWLINEREADING_H

#include "CrewManager.h"

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

#endif  // VEMO_CREW_CREWLINEREADING_H
