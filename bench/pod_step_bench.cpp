// What a stowed capsule costs the host each step, next to a vessel that does nothing, and
// how many allocations the per-step path makes.
//
// The capsule is the real module, loaded by the headless host from the runtime root the
// build lays out. The empty vessel is a VESSEL2 with every callback left at the host's
// default. Both live in one world and are called through the same virtual slot the host uses.
//
// Three capsules: one with its seat taken (nothing to look for), one with its seat free that
// looks for crew in a frame whose share of the module's walk is made already (a step of
// 1e-10 s), and the crewed one at the host's usual 0.1 s step, as first measured. A vessel
// whose post-step only sets one animation shows the floor: the one host call the capsule must
// make every step; with a free seat it must also ask the host for the frame's time, the floor
// of a paced vessel.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench_report.h"
#include "bench_world.h"

namespace {

// One world per step length: a crewed capsule, a capsule with its seat free, an empty vessel,
// the two floors.
class PostStepWorld {
public:
    explicit PostStepWorld(double step) : world_(bench::makeWorld(step)) {
        sim::ScenarioFile scn;
        scn.ships.push_back(bench::ship("Crewed", bench::kCapsuleClass, {bench::kCrewLine}));
        scn.ships.push_back(bench::ship("SeatFree", bench::kCapsuleClass));
        scn.ships.push_back(bench::ship("Empty", bench::kEmptyClass));
        scn.ships.push_back(bench::ship("Animated", bench::kAnimatedClass));
        scn.ships.push_back(bench::ship("PacedAnimated", bench::kPacedAnimatedClass));
        bench::loadOrExit(*world_, scn);
        // The first steps report a step length and make the frame's share of the walk; the
        // post-steps called below all belong to the last of these frames.
        world_->step(3);
    }
    sim::World &world() { return *world_; }
    VESSEL2 *callbacks(const char *name) { return bench::callbacks(*world_, name); }

private:
    std::unique_ptr<sim::World> world_;
};

// One post-step callback, called as the host calls it.
void postStep(benchmark::State &state, const char *vessel, double step) {
    PostStepWorld w(step);
    VESSEL2 *v = w.callbacks(vessel);
    double t = w.world().time();
    for (auto _ : state) {
        v->clbkPostStep(t, step, 0.0);
        t += step;
        benchmark::ClobberMemory();
    }
}
void BM_PostStepEmpty(benchmark::State &state) {
    postStep(state, "Empty", bench::kTinyStep);
}
void BM_PostStepAnimationOnly(benchmark::State &state) {
    postStep(state, "Animated", bench::kTinyStep);
}
void BM_PostStepPacedAnimation(benchmark::State &state) {
    postStep(state, "PacedAnimated", bench::kTinyStep);
}
void BM_PostStepCrewed(benchmark::State &state) {
    postStep(state, "Crewed", bench::kTinyStep);
}
void BM_PostStepSeatFree(benchmark::State &state) {
    postStep(state, "SeatFree", bench::kTinyStep);
}
// As first measured: the crewed capsule and the empty vessel at the usual step.
void BM_PostStepCapsule(benchmark::State &state) {
    postStep(state, "Crewed", bench::kStep);
}
BENCHMARK(BM_PostStepEmpty);
BENCHMARK(BM_PostStepAnimationOnly);
BENCHMARK(BM_PostStepPacedAnimation);
BENCHMARK(BM_PostStepCrewed);
BENCHMARK(BM_PostStepSeatFree);
BENCHMARK(BM_PostStepCapsule);

// Whole host steps of a world of capsules, and of a world of empty vessels.
void worldStep(benchmark::State &state, bool capsules) {
    const int count = static_cast<int>(state.range(0));
    auto world = bench::makeWorld(bench::kStep);
    sim::ScenarioFile scn;
    for (int i = 0; i < count; ++i) {
        if (capsules)
            scn.ships.push_back(
                bench::ship("V" + std::to_string(i), bench::kCapsuleClass, {bench::kCrewLine}));
        else
            scn.ships.push_back(bench::ship("V" + std::to_string(i), bench::kEmptyClass));
    }
    bench::loadOrExit(*world, scn);
    for (auto _ : state)
        world->step(1);
}
void BM_WorldStepCapsules(benchmark::State &state) {
    worldStep(state, true);
}
void BM_WorldStepEmpty(benchmark::State &state) {
    worldStep(state, false);
}
BENCHMARK(BM_WorldStepCapsules)->Arg(10);
BENCHMARK(BM_WorldStepEmpty)->Arg(10);

// Allocations made while capsules' post-steps run, and while whole steps run.
void countAllocations() {
    constexpr int kCalls = 10000;
    PostStepWorld w(bench::kStep);
    for (const char *name : {"Crewed", "SeatFree"}) {
        VESSEL2 *pod = w.callbacks(name);
        double t = w.world().time();
        const long n = alloccount::allocationsIn([&] {
            for (int i = 0; i < kCalls; ++i, t += bench::kStep)
                pod->clbkPostStep(t, bench::kStep, 0.0);
        });
        std::printf("allocations in %d post-steps, capsule %-9s     %ld\n", kCalls, name, n);
    }
    w.world().step(10);  // let the host's step buffers reach their size
    const long perSteps = alloccount::allocationsIn([&] { w.world().step(1000); });
    std::printf("allocations in 1000 host steps of that world:      %ld\n", perSteps);
}

}  // namespace

int main(int argc, char **argv) {
    bench::RatioReporter reporter;
    if (!bench::runBenchmarks(argc, argv, reporter))
        return 1;
    // Each row: the measured benchmark, the one it is compared with, what the ratio says.
    const char *const kRatios[][3] = {
        {"BM_PostStepCrewed", "BM_PostStepEmpty", "post-step, crewed capsule / empty vessel"},
        {"BM_PostStepSeatFree", "BM_PostStepEmpty", "post-step, seat free, walk made / empty"},
        {"BM_PostStepCapsule", "BM_PostStepEmpty", "post-step, crewed capsule at 0.1 s / empty"},
        {"BM_PostStepAnimationOnly", "BM_PostStepEmpty",
         "post-step, one SetAnimation only / empty"},
        {"BM_PostStepCrewed", "BM_PostStepAnimationOnly",
         "post-step, crewed capsule / one SetAnimation only"},
        {"BM_PostStepPacedAnimation", "BM_PostStepEmpty",
         "post-step, SetAnimation and a timer only / empty"},
        {"BM_PostStepSeatFree", "BM_PostStepPacedAnimation",
         "post-step, seat free / SetAnimation and timer"},
        {"BM_WorldStepCapsules/10", "BM_WorldStepEmpty/10",
         "host step, 10 capsules / 10 empty vessels"},
    };
    for (const auto &r : kRatios)
        reporter.printRatio(r[0], r[1], r[2]);
    countAllocations();
    return 0;
}
