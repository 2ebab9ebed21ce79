// The crew system at scale: worlds of N plain vessels with C capsules that have a seat free
// (and K crew members outside, far from every airlock), stepped at 60 Hz, side by side with
// the same world without capsules. For each world it prints the CPU time of a host step,
// what the capsules add to it on average, and the worst frame: the most the capsules add to
// any one frame.
//
//   bench_scale [frames] [repetitions] [N C K ...]
//
// Each world runs a second of warm-up, then `frames` measured frames (default 120, two
// simulated seconds), `repetitions` times over (default 3) from a fresh load; the worlds are
// deterministic, so frame i of every run does the same work, and the least CPU time frame i
// took in any run is its cost with the machine's noise filtered out. A frame's addition is
// its cost with capsules less its cost without. Instructions per simulated second, which do
// not depend on the machine, come from bench/callgrind.sh (the same worlds).
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include "allocation_counter.h"
#include "bench_world.h"

namespace {

constexpr double kFrame = 1.0 / 60.0;  // s: a 60 Hz step
constexpr int kWarmUpFrames = 60;      // a simulated second: every first scan is behind us

struct Shape {
    int plain, capsules, members;
};

// The table the README shows: N x C, then members outside at the largest world.
const Shape kTable[] = {
    {100, 1, 0},      {100, 10, 0},      {100, 100, 0},      {100, 1000, 0},
    {1000, 1, 0},     {1000, 10, 0},     {1000, 100, 0},     {1000, 1000, 0},
    {10000, 1, 0},    {10000, 10, 0},    {10000, 100, 0},    {10000, 1000, 0},
    {10000, 100, 100}, {10000, 100, 1000},
};

double ThreadSeconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// The least CPU time (s) each measured frame took over the runs, and the allocations the
// measured frames made in the last run.
struct Frames {
    std::vector<double> seconds;
    long allocations = 0;
};

Frames Measure(const Shape &shape, int frames, int repetitions) {
    Frames result;
    result.seconds.assign(static_cast<std::size_t>(frames), 1e9);
    for (int r = 0; r < repetitions; ++r) {
        auto world = bench::makeWorld(kFrame);
        bench::loadOrExit(*world, bench::scaleWorld(shape.plain, shape.capsules, shape.members));
        world->step(kWarmUpFrames);
        const long before = alloccount::allocations();
        for (int f = 0; f < frames; ++f) {
            const double t0 = ThreadSeconds();
            world->step();
            const double t = ThreadSeconds() - t0;
            result.seconds[f] = std::min(result.seconds[f], t);
        }
        result.allocations = alloccount::allocations() - before;
    }
    return result;
}

double Mean(const std::vector<double> &v) {
    double sum = 0.0;
    for (double x : v)
        sum += x;
    return v.empty() ? 0.0 : sum / static_cast<double>(v.size());
}

}  // namespace

int main(int argc, char **argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 120;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 3;
    if (frames <= 0 || repetitions <= 0 || (argc > 3 && (argc - 3) % 3 != 0)) {
        std::fprintf(stderr, "usage: %s [frames] [repetitions] [N C K ...]\n", argv[0]);
        return 2;
    }
    std::vector<Shape> shapes;
    for (int i = 3; i + 2 < argc; i += 3)
        shapes.push_back({std::atoi(argv[i]), std::atoi(argv[i + 1]), std::atoi(argv[i + 2])});
    if (shapes.empty())
        shapes.assign(std::begin(kTable), std::end(kTable));

    bench::enterRuntimeRoot();
    std::printf("60 Hz, %d frames after %d of warm-up, least of %d runs per frame; times in us\n",
                frames, kWarmUpFrames, repetitions);
    std::printf("%6s %5s %5s | %10s %10s | %10s %10s %10s | %s\n", "N", "C", "K", "bare frame",
                "with caps", "extra/fr", "worst fr", "most added", "allocs");
    std::map<std::pair<int, int>, Frames> bare;  // by (N, K)
    for (const Shape &s : shapes) {
        auto found = bare.find({s.plain, s.members});
        if (found == bare.end())
            found = bare.emplace(std::make_pair(s.plain, s.members),
                                 Measure({s.plain, 0, s.members}, frames, repetitions))
                        .first;
        const Frames &without = found->second;
        const Frames with = Measure(s, frames, repetitions);
        double mostAdded = -1e9;
        for (int f = 0; f < frames; ++f)
            mostAdded = std::max(mostAdded, with.seconds[f] - without.seconds[f]);
        const double worst = *std::max_element(with.seconds.begin(), with.seconds.end());
        std::printf("%6d %5d %5d | %10.1f %10.1f | %10.1f %10.1f %10.1f | %ld\n", s.plain,
                    s.capsules, s.members, Mean(without.seconds) * 1e6, Mean(with.seconds) * 1e6,
                    (Mean(with.seconds) - Mean(without.seconds)) * 1e6, worst * 1e6,
                    mostAdded * 1e6, with.allocations);
        std::fflush(stdout);
    }
    return 0;
}
