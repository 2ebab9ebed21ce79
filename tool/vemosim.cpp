// vemosim: runs a scenario on the headless host, with a timeline of actions, prints what
// happened and saves the scenario as it stands at the end.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Options.h"
#include "Run.h"

int main(int argc, char **argv) {
    using namespace vemosim;
    // Past a file size limit (ulimit -f) a write fails with EFBIG instead of killing the
    // process: the writer then says so, removes its temporary file and the run exits 1.
    signal(SIGXFSZ, SIG_IGN);
    Options options;
    if (!parseOptions(argc, argv, options)) {
        return kExitBadInput;
    }
    if (options.help) {
        std::fputs(kHelp, stdout);
        return kExitOk;
    }
    std::vector<char> cwd(4096);
    if (getcwd(cwd.data(), cwd.size()) == nullptr) {
        printError(std::string("cannot tell the current folder: ") + std::strerror(errno));
        return kExitBadInput;
    }
    Run run(options, cwd.data());
    const int rc = run.main();
    std::fflush(stdout);
    return rc;
}
