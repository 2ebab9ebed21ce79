// The whole life of a big world, for counting instructions under callgrind (bigworld.sh):
// loading, every frame, saving and tearing down, each in a function of its own that callgrind
// collects and dumps separately.
//
//   bigworld_driver N C K F [no-teardown]
//     bench::scaleWorld(N, C, K) at 60 Hz, its K members stepping out at the first frame;
//     loaded, F frames stepped, saved, destroyed. With no-teardown the process ends without
//     destroying the world (for worlds whose teardown would take too long to count).
//   bigworld_driver memory N C
//     heap bytes per vessel of a world of N plain vessels and C capsules, natively: what the
//     loaded world holds beyond the scenario it was loaded from.
#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench_world.h"

// Out of line and with C linkage, so that callgrind can find them by name.
extern "C" __attribute__((noinline)) void loadWorld(sim::World *world,
                                                    const sim::ScenarioFile *scn) {
    bench::loadOrExit(*world, *scn);
}

extern "C" __attribute__((noinline)) void runFrame(sim::World *world) {
    world->step();
}

extern "C" __attribute__((noinline)) std::size_t saveWorld(sim::World *world) {
    return world->save().ships.size();
}

extern "C" __attribute__((noinline)) void tearDown(sim::World *world) {
    delete world;
}

namespace {

constexpr double kFrame = 1.0 / 60.0;  // s

int usage(const char *self) {
    std::fprintf(stderr, "usage: %s N C K F [no-teardown]\n       %s memory N C\n", self, self);
    return 2;
}

std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

int measureMemory(int plain, int capsules) {
    const sim::ScenarioFile scn = bench::scaleWorld(plain, capsules, 0);
    const std::size_t before = heapInUse();
    sim::World *world = bench::makeWorld(kFrame).release();
    loadWorld(world, &scn);
    world->step();  // the step's own buffers reach their size
    const std::size_t used = heapInUse() - before;
    std::printf("memory %d %d %zu\n", plain, capsules, used);
    tearDown(world);
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    bench::enterRuntimeRoot();
    if (argc == 4 && std::strcmp(argv[1], "memory") == 0)
        return measureMemory(std::atoi(argv[2]), std::atoi(argv[3]));
    if (argc != 5 && argc != 6)
        return usage(argv[0]);
    const int plain = std::atoi(argv[1]), capsules = std::atoi(argv[2]);
    const int members = std::atoi(argv[3]), frames = std::atoi(argv[4]);
    const bool teardown = argc == 5 || std::strcmp(argv[5], "no-teardown") != 0;
    if (plain < 0 || capsules < 0 || members < 0 || frames <= 0)
        return usage(argv[0]);
    const sim::ScenarioFile scn = bench::scaleWorld(plain, capsules, members, true);
    sim::World *world = bench::makeWorld(kFrame).release();
    loadWorld(world, &scn);
    for (int f = 0; f < frames; ++f)
        runFrame(world);
    const std::size_t saved = saveWorld(world);
    std::printf("bigworld %d %d %d %d saved %zu\n", plain, capsules, members, frames, saved);
    std::fflush(stdout);
    if (!teardown)
        std::_Exit(0);
    tearDown(world);
    return 0;
}
