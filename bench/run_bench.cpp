// A whole headless run: 100 capsules for 10,000 steps of 0.1 s, next to 100 empty vessels.
//
// Crewed capsules have nothing to look for. Capsules with their seat free share one walk over
// the vessel list every 0.25 s, a slice each step: what a fleet waiting for its crews costs.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_report.h"
#include "bench_world.h"

namespace {

constexpr int kVessels = 100;
constexpr int kSteps = 10000;

enum class Fleet { Empty, Crewed, SeatFree };

std::unique_ptr<sim::World> makeFleet(Fleet fleet) {
    auto world = bench::makeWorld(bench::kStep);
    sim::ScenarioFile scn;
    for (int i = 0; i < kVessels; ++i) {
        const std::string name = "V" + std::to_string(i);
        switch (fleet) {
            case Fleet::Empty:
                scn.ships.push_back(bench::ship(name, bench::kEmptyClass));
                break;
            case Fleet::Crewed:
                scn.ships.push_back(bench::ship(name, bench::kCapsuleClass, {bench::kCrewLine}));
                break;
            case Fleet::SeatFree:
                scn.ships.push_back(bench::ship(name, bench::kCapsuleClass));
                break;
        }
    }
    bench::loadOrExit(*world, scn);
    world->step(10);  // the host's step buffers reach their size
    return world;
}

void run(benchmark::State &state, Fleet fleet) {
    auto world = makeFleet(fleet);
    for (auto _ : state)
        world->step(kSteps);
    state.counters["per_step"] = benchmark::Counter(
        kSteps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
void BM_RunEmpty(benchmark::State &state) {
    run(state, Fleet::Empty);
}
void BM_RunCrewed(benchmark::State &state) {
    run(state, Fleet::Crewed);
}
void BM_RunSeatFree(benchmark::State &state) {
    run(state, Fleet::SeatFree);
}
BENCHMARK(BM_RunEmpty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunCrewed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunSeatFree)->Unit(benchmark::kMillisecond);

void countAllocations() {
    for (Fleet fleet : {Fleet::Crewed, Fleet::SeatFree}) {
        auto world = makeFleet(fleet);
        const long n = alloccount::allocationsIn([&] { world->step(1000); });
        std::printf("allocations in 1000 steps, 100 capsules, %-9s %ld\n",
                    fleet == Fleet::Crewed ? "crewed:" : "seat free:", n);
    }
}

}  // namespace

int main(int argc, char **argv) {
    bench::RatioReporter reporter;
    if (!bench::runBenchmarks(argc, argv, reporter))
        return 1;
    reporter.printRatio("BM_RunCrewed", "BM_RunEmpty", "run, 100 crewed capsules / 100 empty");
    reporter.printRatio("BM_RunSeatFree", "BM_RunEmpty", "run, 100 capsules, seats free / empty");
    countAllocations();
    return 0;
}
