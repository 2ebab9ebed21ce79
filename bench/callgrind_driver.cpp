// A tiny driver for counting instructions under callgrind: one world, one vessel of the
// chosen kind, N post-step calls made as the host makes them. Only RunPostSteps is meant to
// be collected (callgrind --toggle-collect=RunPostSteps), so set-up and loading stay out.
//
//   callgrind_driver empty|crewed|free N
//     empty   a VESSEL2 with the host's default callbacks
//     crewed  a stowed capsule with its one seat taken: nothing to look for
//     free    a stowed capsule with its seat free: the scan timer runs, no scan falls due
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BenchWorld.h"

// Out of line and with C linkage, so that callgrind can find it by name.
extern "C" __attribute__((noinline)) void RunPostSteps(VESSEL2 *vessel, long n) {
    double t = 0.0;
    for (long i = 0; i < n; ++i) {
        vessel->clbkPostStep(t, bench::kTinyStep, 0.0);
        t += bench::kTinyStep;
        asm volatile("" ::: "memory");
    }
}

int main(int argc, char **argv) {
    if (argc != 3 || (std::strcmp(argv[1], "empty") != 0 && std::strcmp(argv[1], "crewed") != 0 &&
                      std::strcmp(argv[1], "free") != 0)) {
        std::fprintf(stderr, "usage: %s empty|crewed|free N\n", argv[0]);
        return 2;
    }
    const long n = std::atol(argv[2]);
    bench::EnterRuntimeRoot();
    auto world = bench::MakeWorld(bench::kTinyStep);
    sim::ScenarioFile scn;
    const bool empty = std::strcmp(argv[1], "empty") == 0;
    std::vector<std::string> lines;
    if (std::strcmp(argv[1], "crewed") == 0)
        lines.push_back(bench::kCrewLine);
    scn.ships.push_back(
        bench::Ship("Subject", empty ? bench::kEmptyClass : bench::kCapsuleClass, lines));
    scn.ships.push_back(bench::Ship("Other", bench::kEmptyClass));
    bench::LoadOrExit(*world, scn);
    // The first step reports a step length; the capsule's scan timer starts at a random value
    // and may run out once here, never again at this step length.
    world->step(3);
    RunPostSteps(bench::Callbacks(*world, "Subject"), n);
    std::printf("%s %ld\n", argv[1], n);
    return 0;
}
