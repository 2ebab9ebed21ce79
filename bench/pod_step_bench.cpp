// What a stowed capsule costs the host each step, next to a vessel that does nothing, and
// how many allocations the per-step path makes.
//
// The capsule is the real module, loaded by the headless host from the runtime root the
// build lays out, with one crew member aboard so that its airlock scan runs. The empty
// vessel is a VESSEL2 with every callback left at the host's default. Both live in one world
// and are called through the same virtual slot the host uses.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "World.h"

// ---------------------------------------------------------------------------------------
// Allocation counter: every operator new of the process while counting is on.
// ---------------------------------------------------------------------------------------
namespace {
bool g_counting = false;
long g_allocations = 0;

void *CountedAlloc(std::size_t n) {
    if (g_counting)
        ++g_allocations;
    return std::malloc(n ? n : 1);
}
// Out of line, so the compiler does not pair the free with a particular new.
__attribute__((noinline)) void CountedFree(void *p) {
    std::free(p);
}
}  // namespace

void *operator new(std::size_t n) {
    if (void *p = CountedAlloc(n))
        return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t n) {
    if (void *p = CountedAlloc(n))
        return p;
    throw std::bad_alloc();
}
void *operator new(std::size_t n, const std::nothrow_t &) noexcept {
    return CountedAlloc(n);
}
void *operator new[](std::size_t n, const std::nothrow_t &) noexcept {
    return CountedAlloc(n);
}
void operator delete(void *p) noexcept {
    CountedFree(p);
}
void operator delete[](void *p) noexcept {
    CountedFree(p);
}
void operator delete(void *p, std::size_t) noexcept {
    CountedFree(p);
}
void operator delete[](void *p, std::size_t) noexcept {
    CountedFree(p);
}

namespace {

constexpr double kStep = 0.1;  // s, the host's step
constexpr char kCrewLine[] = "VEMOCREW A01-John_Doe-35-72-80";
constexpr char kEmptyClass[] = "EmptyVessel";

class EmptyVessel final : public VESSEL2 {
public:
    EmptyVessel(OBJHANDLE h, int fm) : VESSEL2(h, fm) {}
};

// A world on the build's runtime root with `count` capsules and `count` empty vessels.
class BenchWorld {
public:
    explicit BenchWorld(int count) {
        sim::WorldOptions o;
        o.root = ".";
        o.step = kStep;
        world_ = std::make_unique<sim::World>(o);
        world_->registerClass(
            kEmptyClass, [](OBJHANDLE h, int fm) -> VESSEL * { return new EmptyVessel(h, fm); },
            [](VESSEL *v) { delete static_cast<EmptyVessel *>(static_cast<VESSEL2 *>(v)); });
        sim::ScenarioFile scn;
        for (int i = 0; i < count; ++i) {
            sim::ShipBlock pod;
            pod.name = "Pod" + std::to_string(i);
            pod.className = "vemopod";
            pod.lines = {kCrewLine};
            scn.ships.push_back(pod);
            sim::ShipBlock empty;
            empty.name = "Empty" + std::to_string(i);
            empty.className = kEmptyClass;
            scn.ships.push_back(empty);
        }
        std::string error;
        if (!world_->load(scn, &error)) {
            std::fprintf(stderr, "cannot load the benchmark scenario: %s\n", error.c_str());
            std::exit(1);
        }
        world_->step(1);  // so that the host reports a step length
    }
    sim::World &world() { return *world_; }
    VESSEL2 *callbacks(const std::string &name) {
        return world_->liveRecord(world_->find(name))->callbacks;
    }

private:
    std::unique_ptr<sim::World> world_;
};

// One post-step callback, called as the host calls it.
void PostStep(benchmark::State &state, const char *vessel) {
    BenchWorld w(1);
    VESSEL2 *v = w.callbacks(vessel);
    double t = w.world().time();
    for (auto _ : state) {
        v->clbkPostStep(t, kStep, 0.0);
        t += kStep;
        benchmark::ClobberMemory();
    }
}
void BM_PostStepCapsule(benchmark::State &state) {
    PostStep(state, "Pod0");
}
void BM_PostStepEmpty(benchmark::State &state) {
    PostStep(state, "Empty0");
}
BENCHMARK(BM_PostStepCapsule);
BENCHMARK(BM_PostStepEmpty);

// Whole host steps of a world of capsules, and of a world of empty vessels.
void WorldStep(benchmark::State &state, bool capsules) {
    const int count = static_cast<int>(state.range(0));
    sim::WorldOptions o;
    o.root = ".";
    o.step = kStep;
    sim::World world(o);
    world.registerClass(
        kEmptyClass, [](OBJHANDLE h, int fm) -> VESSEL * { return new EmptyVessel(h, fm); },
        [](VESSEL *v) { delete static_cast<EmptyVessel *>(static_cast<VESSEL2 *>(v)); });
    sim::ScenarioFile scn;
    for (int i = 0; i < count; ++i) {
        sim::ShipBlock b;
        b.name = "V" + std::to_string(i);
        b.className = capsules ? "vemopod" : kEmptyClass;
        if (capsules)
            b.lines = {kCrewLine};
        scn.ships.push_back(b);
    }
    std::string error;
    if (!world.load(scn, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state)
        world.step(1);
}
void BM_WorldStepCapsules(benchmark::State &state) {
    WorldStep(state, true);
}
void BM_WorldStepEmpty(benchmark::State &state) {
    WorldStep(state, false);
}
BENCHMARK(BM_WorldStepCapsules)->Arg(10);
BENCHMARK(BM_WorldStepEmpty)->Arg(10);

// Keeps each benchmark's CPU time per iteration (steadier than wall time on a shared machine) for
// the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                times[r.benchmark_name()] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

void PrintRatio(const RatioReporter &rep, const std::string &a, const std::string &b,
                const char *what) {
    auto ia = rep.times.find(a), ib = rep.times.find(b);
    if (ia == rep.times.end() || ib == rep.times.end() || ib->second <= 0.0)
        return;
    std::printf("%-44s %8.2f  (%s / %s)\n", what, ia->second / ib->second, a.c_str(), b.c_str());
}

// Allocations made while the capsule's post-step runs, and while whole steps run.
void CountAllocations() {
    constexpr int kCalls = 10000;
    BenchWorld w(1);
    VESSEL2 *pod = w.callbacks("Pod0");
    double t = w.world().time();
    g_allocations = 0;
    g_counting = true;
    for (int i = 0; i < kCalls; ++i, t += kStep)
        pod->clbkPostStep(t, kStep, 0.0);
    g_counting = false;
    const long perCallback = g_allocations;

    BenchWorld ten(10);
    ten.world().step(10);  // let the host's step buffers reach their size
    g_allocations = 0;
    g_counting = true;
    ten.world().step(1000);
    g_counting = false;
    const long perSteps = g_allocations;

    std::printf("allocations in %d capsule post-steps:          %ld\n", kCalls, perCallback);
    std::printf("allocations in 1000 host steps, 10+10 vessels: %ld\n", perSteps);
}

}  // namespace

int main(int argc, char **argv) {
    // The module opens its files relative to the current folder, as it does in the host's.
    const char *root = std::getenv("VEMO_ROOT");
    if (chdir(root ? root : VEMO_BUILD_ROOT) != 0) {
        std::perror("cannot enter the runtime root");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\n");
    PrintRatio(reporter, "BM_PostStepCapsule", "BM_PostStepEmpty",
               "capsule post-step / empty post-step");
    PrintRatio(reporter, "BM_WorldStepCapsules/10", "BM_WorldStepEmpty/10",
               "host step, 10 capsules / 10 empty vessels");
    CountAllocations();
    return 0;
}
