// Scenario files in the host's text format: reading them into a ScenarioFile
// (ScenarioReader.cpp) and writing a ScenarioFile back out (ScenarioWriter.cpp).
//
// A file is a sequence of sections, each opened by BEGIN_<NAME> and closed by END_<NAME>:
//
//     BEGIN_DESC            free text, kept line for line as written
//     END_DESC
//     BEGIN_ENVIRONMENT     kept line for line and written back unchanged, but for the date;
//     END_ENVIRONMENT       only the ground's height and "Date MJD <days>" are read from it
//     BEGIN_FOCUS
//       Ship Pod1           the vessel that gets the keyboard; it must be one of the ships
//     END_FOCUS
//     BEGIN_SHIPS
//     Pod1:Capsule          one block per vessel: "Name:Class" split at the first ':' (a
//                           name may hold blanks; without ':' the class is the name), its
//                           lines, END
//       STATUS Orbiting Earth   ; everything from a ';' on is a comment
//     END
//     END_SHIPS
//
//     BEGIN_CAMERA          any other section (camera, HUD, MFDs, panels, the HTML
//       BEGIN_PRESET        description, ...): kept line for line as read, nested sections
//       END_PRESET          included, up to its own END_<NAME>, and written back after the
//     END_CAMERA            environment; these may repeat ("BEGIN_MFD Left", "... Right")
//
// A UTF-8 byte-order mark before the first line is skipped. Each of the four sections the
// host reads may appear at most once, in any order; blank lines between sections are
// skipped. Outside the description, a ';' starts a comment that runs to the end of the
// line, and a line means what is left of it without blanks and tabs at either end: that is
// how a vessel's lines reach its module, and how the section and block words are found. A
// vessel's block ends at a line END in any letter case. Lines have no length limit. Names
// need not be unique: the simulator's scenarios may carry two vessels of one name.
// Anything else is refused with the file name and line number, never guessed at: the
// reader is a pure function from bytes to a result and holds up against any input.
#ifndef VEMO_SIM_SCENARIOTEXT_H
#define VEMO_SIM_SCENARIOTEXT_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ScenarioFile.h"
#include "TextFile.h"

namespace sim {

// Longest vessel or class name, in bytes.
constexpr std::size_t kMaxNameLength = 255;

// What the reader produces: the scenario, and the environment section carried along so a
// saved scenario keeps it.
struct ParsedScenario {
    ScenarioFile scenario;
    std::vector<std::string> environment;  // lines with leading white space stripped
    bool hasEnvironment = false;           // the file had the section (possibly empty)
};

// A line as the scenario means it: without the comment from its first ';' on (or anything
// from a NUL byte on, for a reader that lets one through), and without blanks, tabs and
// carriage returns at either end.
std::string_view scenarioLineText(std::string_view line);
// An environment line (as scenarioLineText gives it) that dates the scenario: "Date MJD
// <days>". mjd is the date, or not a number when the line gives none readable.
bool isMjdDateLine(std::string_view text, double &mjd);
// Some ship of the scenario bears this name, letter case aside, as the simulator finds a
// vessel by its name.
bool namesShip(const ScenarioFile &scenario, std::string_view name);

// A vessel line of a default kind the simulator's parser knows and the host keeps without
// modelling: ALT, AFCMODE, ATTACHED, FLIGHTDATA, IDS, NAVFREQ, RCSMODE, XPDR. The keyword is
// matched as the simulator matches it, ignoring letter case and as a prefix ("ALTITUDE" is
// ALT). Such a line is written back as read when the vessel is saved.
bool isKeptDefaultLine(std::string_view line);

// Names a timeline can give (words separated by blanks): 1 to kMaxNameLength printable
// ASCII characters, no blank, no ':' and no ';'.
bool isValidVesselName(std::string_view name);
// Names a scenario file gives back as written: 1 to kMaxNameLength bytes, blanks included,
// but no ':' (the header splits at the first), no ';' (a comment starts there), no line break
// or NUL, and no blank, tab or carriage return first (the line is trimmed). The simulator
// takes any name for a vessel and writes it as it is; a name this refuses does not read back.
bool isScenarioVesselName(std::string_view name);
// Class names follow the vessel-name rule and also hold no path separator and do not start
// with '.', because the host turns a class name into a module file name under modules/.
bool isValidClassName(std::string_view name);

// Parse a whole file's text. fileName is only used in error messages. Returns true and
// fills out, or returns false and fills error (out is then unspecified).
bool parseScenarioText(std::string_view text, const std::string &fileName, ParsedScenario &out,
                       InputError &error);

// Read and parse the file at path. A file that cannot be opened or read is an error naming
// the file, with line 0.
bool readScenarioFile(const std::string &path, ParsedScenario &out, InputError &error);

// Format a scenario as text in the same format, such that parsing it gives the same data
// back, as far as the simulator's own format allows: a vessel name is written as it is, as
// the simulator writes it, even one with ':' or ';' that will not read back the same (the
// reader then refuses it, naming the line). Returns false with a reason in error, and leaves
// out unchanged, when the data cannot be written at all: a line holding a line break, a NUL
// or a ';' (the rest would read as a comment), a block line reading END, an invalid class
// name, a block header longer than kMaxNameLength (the simulator cannot read it back), or a
// focus naming no ship. environment is written as its own section when hasEnvironment is true;
// when the scenario has a date, its "Date MJD" lines are written with that date (a line that
// already reads it stays as it is).
bool formatScenarioText(const ScenarioFile &scenario, const std::vector<std::string> &environment,
                        bool hasEnvironment, std::string &out, std::string &error);

}  // namespace sim

#endif
