// The vemosim command line: its options, its help text and its exit codes.
#ifndef VEMO_TOOL_OPTIONS_H
#define VEMO_TOOL_OPTIONS_H

#include <cstdint>
#include <string>

namespace vemosim {

#ifndef VEMO_DEFAULT_ROOT
#define VEMO_DEFAULT_ROOT "."
#endif

constexpr char kDefaultRoot[] = VEMO_DEFAULT_ROOT;  // the runtime root the build laid out
constexpr double kDefaultUntil = 10.0;              // s of simulation time
constexpr double kDefaultStep = 0.05;               // s per step

// Exit codes.
constexpr int kExitOk = 0;
// The run went wrong: a module used a destroyed vessel's handle (which crashes the
// simulator), or a scenario or picture could not be written.
constexpr int kExitFailed = 1;
constexpr int kExitChanged = 1;   // --check: a crew line is changed, kept aside or refused
constexpr int kExitBadInput = 2;  // bad option, file, line or action; nothing was written

// What `vemosim --help` prints: the options, the timeline's actions and the output.
extern const char kHelp[];

struct Options {
    std::string scenario;  // as given
    std::string root = kDefaultRoot;
    std::string timeline;   // as given; empty for none
    std::string out;        // as given; empty for none
    std::string plot;       // as given; empty for none
    std::string plotFrame;  // empty: the first vessel with a crew airlock
    double until = kDefaultUntil;
    double step = kDefaultStep;
    std::uint64_t seed = 1;
    bool quiet = false;
    bool verbose = false;
    bool check = false;  // read the scenario's crew lines, do not run it
    bool help = false;
};

// Reads the command line into `o`. Returns false after printing the reason.
bool parseOptions(int argc, char **argv, Options &o);

// "vemosim: message" on standard error.
void printError(const std::string &message);

}  // namespace vemosim

#endif
