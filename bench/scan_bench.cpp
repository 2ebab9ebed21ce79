// One pass of the returning-crew walk over worlds of 100, 1,000 and 10,000 vessels, next to a
// loop that makes only the host queries the walk makes, and the per-vessel cost of both.
//
// The walk is the module's, made in the post-step of the first capsule that wants crew in a
// frame. The world's step (0.26 s) is longer than the scan period, so every frame walks the
// whole list, and the scanning capsule tests all that the walk found. The same world with an
// empty vessel in the scanner's place is the baseline: the walk and the tests are what the
// scanner adds to a frame. The other vessels are bench::MixedFleet: nobody is ever found, so
// every pass walks the whole list.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "bench_report.h"
#include "bench_world.h"

namespace {

constexpr int kSizes[] = {100, 1000, 10000};

// MixedFleet and, last in the list, a capsule with its seat free or an empty vessel.
class ScanWorld {
public:
    ScanWorld(int vessels, bool withScanner) : world_(bench::makeWorld(bench::kScanStep)) {
        sim::ScenarioFile scn = bench::mixedFleet(vessels - 1);
        scn.ships.push_back(
            bench::ship("Scanner", withScanner ? bench::kCapsuleClass : bench::kEmptyClass));
        bench::loadOrExit(*world_, scn);
        world_->step(1);  // members publish their points
        handle_ = world_->find("Scanner");
    }
    sim::World &world() { return *world_; }
    OBJHANDLE handle() const { return handle_; }

private:
    std::unique_ptr<sim::World> world_;
    OBJHANDLE handle_ = nullptr;
};

void perVesselCounter(benchmark::State &state) {
    state.counters["per_vessel"] = benchmark::Counter(
        static_cast<double>(state.range(0)),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Whole frames of the world with the scanner, or with the empty vessel in its place.
void Frames(benchmark::State &state, bool withScanner) {
    ScanWorld w(static_cast<int>(state.range(0)), withScanner);
    for (auto _ : state) {
        w.world().step();
        benchmark::ClobberMemory();
    }
    perVesselCounter(state);
}
void BM_FrameWithScan(benchmark::State &state) {
    Frames(state, true);
}
void BM_FrameWithoutScan(benchmark::State &state) {
    Frames(state, false);
}

// The host queries of the walk and of the scanner's tests, in their order, with only the
// tests that decide which queries come next.
__attribute__((noinline)) double bareQueries(OBJHANDLE own, VESSEL *ownVessel) {
    double sink = 0.0;
    bool ownKnown = false;
    VECTOR3 ownLocal = {};
    const DWORD count = oapiGetVesselCount();
    for (DWORD i = 0; i < count; ++i) {
        OBJHANDLE h = oapiGetVesselByIndex(static_cast<int>(i));
        VESSEL *v = h ? oapiGetVesselInterface(h) : nullptr;
        if (!v)
            continue;
        const char *cls = v->GetClassName();
        if (!cls || std::strncmp(cls, "Vemo", 4) != 0)
            continue;
        const DWORD n = v->AttachmentCount(true);
        if (n < 2)
            continue;
        const char *name = v->GetName();
        ATTACHMENTHANDLE a = v->GetAttachmentHandle(true, n - 1);
        const char *id = v->GetAttachmentId(a);
        VECTOR3 g;
        oapiGetGlobalPos(h, &g);
        // The scanner's test of what the walk found.
        if (!oapiGetVesselInterface(h))
            continue;
        if (!ownKnown) {
            VECTOR3 og;
            oapiGetGlobalPos(own, &og);
            ownVessel->Global2Local(og, ownLocal);
            ownKnown = true;
        }
        VECTOR3 local;
        ownVessel->Global2Local(g, local);
        sink += local.x - ownLocal.x + name[0] + (id ? id[0] : 0);
    }
    return sink;
}

void BM_BareQueries(benchmark::State &state) {
    ScanWorld w(static_cast<int>(state.range(0)), true);
    VESSEL *own = oapiGetVesselInterface(w.handle());
    for (auto _ : state)
        benchmark::DoNotOptimize(bareQueries(w.handle(), own));
    perVesselCounter(state);
}

BENCHMARK(BM_FrameWithScan)->Arg(100)->Arg(1000)->Arg(10000);
BENCHMARK(BM_FrameWithoutScan)->Arg(100)->Arg(1000)->Arg(10000);
BENCHMARK(BM_BareQueries)->Arg(100)->Arg(1000)->Arg(10000);

void countAllocations() {
    ScanWorld w(1000, true);
    const long n = alloccount::allocationsIn([&] { w.world().step(100); });
    std::printf("allocations in 100 frames of 1,000 vessels, each a whole walk: %ld\n", n);
}

}  // namespace

int main(int argc, char **argv) {
    bench::RatioReporter reporter;
    if (!bench::runBenchmarks(argc, argv, reporter))
        return 1;
    // What the scanner adds to a frame, against the bare queries, and per vessel.
    double perVessel100 = -1.0, perVessel10k = -1.0, bare100 = -1.0, bare10k = -1.0;
    for (int n : kSizes) {
        const std::string arg = "/" + std::to_string(n);
        const auto with = reporter.times.find("BM_FrameWithScan" + arg);
        const auto without = reporter.times.find("BM_FrameWithoutScan" + arg);
        const auto bare = reporter.times.find("BM_BareQueries" + arg);
        if (with == reporter.times.end() || without == reporter.times.end() ||
            bare == reporter.times.end() || bare->second <= 0.0)
            continue;
        const double walk = with->second - without->second;
        std::printf("%-48s %8.2f  (%.1f ns per vessel)\n",
                    ("walk / bare queries, " + std::to_string(n) + " vessels").c_str(),
                    walk / bare->second, walk / n);
        if (n == 100) {
            perVessel100 = walk / n;
            bare100 = bare->second / n;
        } else if (n == 10000) {
            perVessel10k = walk / n;
            bare10k = bare->second / n;
        }
    }
    // Per-vessel time at 10,000 over that at 100: 1.0 would be flat. Both grow alike as the
    // world outgrows the caches; bench/callgrind.sh counts the walk's instructions per vessel,
    // which do not depend on the memory.
    if (perVessel100 > 0.0 && bare100 > 0.0) {
        std::printf("%-48s %8.2f\n", "walk time per vessel, 10,000 / 100", perVessel10k / perVessel100);
        std::printf("%-48s %8.2f\n", "bare queries time per vessel, 10,000 / 100", bare10k / bare100);
    }
    countAllocations();
    return 0;
}
