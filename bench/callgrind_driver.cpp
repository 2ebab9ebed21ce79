// A tiny driver for counting instructions under callgrind. Only runPostSteps or runSteps is
// meant to be collected (callgrind --toggle-collect=<name>), so set-up and loading stay out.
//
//   callgrind_driver empty|crewed|free N
//     one world, one vessel of the chosen kind, N post-step calls made as the host makes them:
//     empty   a VESSEL2 with the host's default callbacks
//     floor   a VESSEL2 whose post-step only sets one animation, as the capsule must
//     paced   the same, also adding the host's step length to a timer (one more host query)
//     crewed  a stowed capsule with its one seat taken: nothing to look for
//     free    a stowed capsule with its seat free: it looks for crew, and the frame's share
//             of the walk is made already (every call is in one frame)
//   callgrind_driver run-empty|run-crewed N
//     a world of 100 empty vessels or 100 crewed capsules, N whole host steps of 0.1 s
//   callgrind_driver scan|scan-bare N
//     a capsule with its seat free (or, for scan-bare, an empty vessel) among N - 1 vessels of
//     bench::mixedFleet; 10 host steps of 0.26 s, each a whole walk of the list by the
//     capsule's module: the difference is the walk and the capsule's tests
//   callgrind_driver world N C K F
//     bench::scaleWorld(N, C, K) at 60 Hz: a simulated second of warm-up, then F host steps
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_world.h"

// Out of line and with C linkage, so that callgrind can find them by name.
extern "C" __attribute__((noinline)) void runPostSteps(VESSEL2 *vessel, long n, double step) {
    double t = 0.0;
    for (long i = 0; i < n; ++i) {
        vessel->clbkPostStep(t, step, 0.0);
        t += step;
        asm volatile("" ::: "memory");
    }
}

extern "C" __attribute__((noinline)) void runSteps(sim::World *world, long n) {
    world->step(static_cast<int>(n));
}

namespace {

constexpr int kFleet = 100;
constexpr int kScans = 10;

constexpr double kScaleFrame = 1.0 / 60.0;  // s
constexpr int kScaleWarmUp = 60;            // frames

int usage(const char *self) {
    std::fprintf(stderr,
                 "usage: %s empty|floor|paced|crewed|free|run-empty|run-crewed|scan|scan-bare N\n"
                 "       %s world N C K F\n",
                 self, self);
    return 2;
}

int runScaleWorld(int argc, char **argv) {
    if (argc != 6)
        return usage(argv[0]);
    const int plain = std::atoi(argv[2]), capsules = std::atoi(argv[3]);
    const int members = std::atoi(argv[4]);
    const long frames = std::atol(argv[5]);
    if (plain < 0 || capsules < 0 || members < 0 || frames <= 0)
        return usage(argv[0]);
    bench::enterRuntimeRoot();
    auto world = bench::makeWorld(kScaleFrame);
    bench::loadOrExit(*world, bench::scaleWorld(plain, capsules, members));
    world->step(kScaleWarmUp);
    runSteps(world.get(), frames);
    std::printf("world %d %d %d %ld\n", plain, capsules, members, frames);
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc >= 2 && std::strcmp(argv[1], "world") == 0)
        return runScaleWorld(argc, argv);
    if (argc != 3)
        return usage(argv[0]);
    const std::string kind = argv[1];
    const long n = std::atol(argv[2]);
    if (n <= 0)
        return usage(argv[0]);
    bench::enterRuntimeRoot();
    sim::ScenarioFile scn;
    if (kind == "run-empty" || kind == "run-crewed") {
        auto world = bench::makeWorld(bench::kStep);
        for (int i = 0; i < kFleet; ++i) {
            const std::string name = "V" + std::to_string(i);
            if (kind == "run-crewed")
                scn.ships.push_back(bench::ship(name, bench::kCapsuleClass, {bench::kCrewLine}));
            else
                scn.ships.push_back(bench::ship(name, bench::kEmptyClass));
        }
        bench::loadOrExit(*world, scn);
        world->step(10);  // the host's step buffers reach their size
        runSteps(world.get(), n);
    } else if (kind == "scan" || kind == "scan-bare") {
        auto world = bench::makeWorld(bench::kScanStep);
        scn = bench::mixedFleet(static_cast<int>(n) - 1);
        scn.ships.push_back(bench::ship(
            "Scanner", kind == "scan" ? bench::kCapsuleClass : bench::kEmptyClass));
        bench::loadOrExit(*world, scn);
        world->step(1);  // members publish their points
        runSteps(world.get(), kScans);
    } else if (kind == "empty" || kind == "floor" || kind == "paced" || kind == "crewed" ||
               kind == "free") {
        auto world = bench::makeWorld(bench::kTinyStep);
        std::vector<std::string> lines;
        if (kind == "crewed")
            lines.push_back(bench::kCrewLine);
        const char *cls = kind == "empty"   ? bench::kEmptyClass
                          : kind == "floor" ? bench::kAnimatedClass
                          : kind == "paced" ? bench::kPacedAnimatedClass
                                            : bench::kCapsuleClass;
        scn.ships.push_back(bench::ship("Subject", cls, lines));
        scn.ships.push_back(bench::ship("Other", bench::kEmptyClass));
        bench::loadOrExit(*world, scn);
        // The first steps report a step length and make the frame's share of the walk; the
        // post-steps called below all belong to the last of these frames.
        world->step(3);
        runPostSteps(bench::callbacks(*world, "Subject"), n, bench::kTinyStep);
    } else {
        return usage(argv[0]);
    }
    std::printf("%s %ld\n", kind.c_str(), n);
    return 0;
}
