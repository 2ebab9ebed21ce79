// One returning-crew scan over worlds of 100, 1,000 and 10,000 vessels, next to a loop that
// makes only the host queries the scan makes, and the per-vessel cost of both.
//
// The scanning capsule has its seat free and the world's step (0.26 s) is longer than the
// scan period, so each of its post-steps walks the whole vessel list. The other vessels are
// bench::MixedFleet: nobody is ever found, so every scan is a full walk.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "bench_report.h"
#include "bench_world.h"

namespace {

constexpr int kSizes[] = {100, 1000, 10000};

class ScanWorld {
public:
    explicit ScanWorld(int vessels) : world_(bench::makeWorld(bench::kScanStep)) {
        sim::ScenarioFile scn = bench::mixedFleet(vessels - 1);
        // Last, so that it owns its airlock slot even once the module's table is shared.
        scn.ships.push_back(bench::ship("Scanner", bench::kCapsuleClass));
        bench::loadOrExit(*world_, scn);
        world_->step(1);  // members publish their points; the scanner's timer runs out once
        scanner_ = bench::callbacks(*world_, "Scanner");
        handle_ = world_->find("Scanner");
    }
    sim::World &world() { return *world_; }
    VESSEL2 *scanner() { return scanner_; }
    OBJHANDLE handle() const { return handle_; }

private:
    std::unique_ptr<sim::World> world_;
    VESSEL2 *scanner_ = nullptr;
    OBJHANDLE handle_ = nullptr;
};

void perVesselCounter(benchmark::State &state) {
    state.counters["per_vessel"] = benchmark::Counter(
        static_cast<double>(state.range(0)),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Scan(benchmark::State &state) {
    ScanWorld w(static_cast<int>(state.range(0)));
    VESSEL2 *pod = w.scanner();
    double t = w.world().time();
    for (auto _ : state) {
        pod->clbkPostStep(t, bench::kScanStep, 0.0);
        t += bench::kScanStep;
        benchmark::ClobberMemory();
    }
    perVesselCounter(state);
}

// The host queries of the scan, in its order, with only the tests that decide which
// queries come next.
__attribute__((noinline)) double bareQueries(OBJHANDLE own, VESSEL *ownVessel) {
    double sink = 0.0;
    bool ownKnown = false;
    VECTOR3 ownLocal = {};
    for (DWORD i = 0; i < oapiGetVesselCount(); ++i) {
        OBJHANDLE h = oapiGetVesselByIndex(static_cast<int>(i));
        if (!h || h == own)
            continue;
        VESSEL *v = oapiGetVesselInterface(h);
        if (!v)
            continue;
        const char *cls = v->GetClassName();
        if (!cls || std::strncmp(cls, "Vemo", 4) != 0)
            continue;
        const DWORD n = v->AttachmentCount(true);
        if (n < 2)
            continue;
        char name[110] = {};
        oapiGetObjectName(h, name, 95);
        ATTACHMENTHANDLE a = v->GetAttachmentHandle(true, n - 1);
        const char *id = v->GetAttachmentId(a);
        VECTOR3 pos = {}, dir = {}, rot = {};
        v->GetAttachmentParams(a, pos, dir, rot);
        if (!ownKnown) {
            VECTOR3 g;
            oapiGetGlobalPos(own, &g);
            ownVessel->Global2Local(g, ownLocal);
            ownKnown = true;
        }
        VECTOR3 g, local;
        oapiGetGlobalPos(h, &g);
        ownVessel->Global2Local(g, local);
        sink += pos.x + local.x - ownLocal.x + name[0] + (id ? id[0] : 0);
    }
    return sink;
}

void BM_BareQueries(benchmark::State &state) {
    ScanWorld w(static_cast<int>(state.range(0)));
    VESSEL *own = oapiGetVesselInterface(w.handle());
    for (auto _ : state)
        benchmark::DoNotOptimize(bareQueries(w.handle(), own));
    perVesselCounter(state);
}

BENCHMARK(BM_Scan)->Arg(100)->Arg(1000)->Arg(10000);
BENCHMARK(BM_BareQueries)->Arg(100)->Arg(1000)->Arg(10000);

void countAllocations() {
    ScanWorld w(1000);
    double t = w.world().time();
    const long n = alloccount::allocationsIn([&] {
        for (int i = 0; i < 100; ++i, t += bench::kScanStep)
            w.scanner()->clbkPostStep(t, bench::kScanStep, 0.0);
    });
    std::printf("allocations in 100 scans of 1,000 vessels:        %ld\n", n);
}

}  // namespace

int main(int argc, char **argv) {
    bench::RatioReporter reporter;
    if (!bench::runBenchmarks(argc, argv, reporter))
        return 1;
    for (int n : kSizes) {
        const std::string arg = "/" + std::to_string(n);
        const std::string what = "scan / bare queries, " + std::to_string(n) + " vessels";
        reporter.printRatio("BM_Scan" + arg, "BM_BareQueries" + arg, what.c_str());
    }
    // Per-vessel time at 10,000 over that at 100: 1.0 would be flat. Both loops grow alike
    // as the world outgrows the caches; bench/callgrind.sh counts the scan's instructions
    // per vessel, which do not depend on the memory.
    for (const std::string name : {"BM_Scan", "BM_BareQueries"}) {
        const double whole = reporter.ratio(name + "/10000", name + "/100");
        if (whole >= 0.0)
            std::printf("%-48s %8.2f\n", (name + " time per vessel, 10,000 / 100").c_str(),
                        whole / 100);
    }
    countAllocations();
    return 0;
}
