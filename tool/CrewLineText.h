// Crew lines as a user reads them. Whether a vessel takes a line, and as whom, is the crew
// library's own reading (CrewLineReading.h); what is here only puts that reading in words and
// tells how what a vessel takes differs from what is written.
//
// The keyword comes first, in any letter case, then after blanks one value without blanks:
//     <mission>-<name>-<age>-<pulse>-<weight>      e.g. A01-John_Doe-35-72-80
// The mission id is taken from at most its first 4 characters; the name from at most 25,
// with '_' for blanks and any character other than a letter or digit made a blank; each
// number from at most its first 5 characters, as far as it reads as a whole number, and it
// must lie in the crew library's window for it. Whatever follows the weight is not read.
#ifndef VEMO_TOOL_CREWLINETEXT_H
#define VEMO_TOOL_CREWLINETEXT_H

#include <string>
#include <vector>

namespace vemosim {

// A crew line (or a transfer line) as a vessel reads it, with what tells a user how the line
// was taken differently or why not at all. What a vessel actually did comes from the vessel;
// this reading only explains it.
struct CrewReading {
    bool valid = false;
    std::string why;  // when not valid: what a vessel finds wrong with it
    std::string mission;
    std::string name;  // with blanks
    long age = 0, pulse = 0, weight = 0;
    // How what is taken differs from what is written ("name cut at 25 characters: ...").
    std::vector<std::string> changes;

    // The value as a vessel saves it again: A01-John_Doe-35-72-80.
    std::string value() const;
    // As a user reads it: "John Doe (A01), age 35, pulse 72, 80 kg".
    std::string text() const;
};

// The line begins with the keyword, in any letter case.
bool isCrewLine(const std::string &line);
// The line's first word is the transfer keyword "VEMOTRANSFER", in any letter case: a member
// on the way to the vessel in a transfer vessel.
bool isTransferLine(const std::string &line);
// Reads a crew or transfer line (keyword first).
CrewReading readCrewLine(const std::string &line);
// The value of a crew or transfer line: the first run of characters without blanks after the
// keyword.
std::string crewLineValue(const std::string &line);
// A crew line's member as a user reads it: "John Doe (A01), age 35, pulse 72, 80 kg". The value
// of a line that no vessel would take is given back as it stands.
std::string describeCrewLine(const std::string &line);

}  // namespace vemosim

#endif
