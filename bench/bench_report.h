// Figures the benchmarks print after their runs: ratios of two benchmarks' CPU times, and the
// allocations counted by the process's replaced operator new (tests/support/allocation_counter.h).
#ifndef VEMO_BENCH_BENCH_REPORT_H
#define VEMO_BENCH_BENCH_REPORT_H

#include <benchmark/benchmark.h>

#include "allocation_counter.h"
#include "bench_world.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace bench {

// Keeps each benchmark's CPU time per iteration (steadier than wall time on a shared machine)
// for the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                times[r.benchmark_name()] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    // CPU time of a over b, or a negative number when either did not run.
    double ratio(const std::string &a, const std::string &b) const {
        auto ia = times.find(a), ib = times.find(b);
        if (ia == times.end() || ib == times.end() || ib->second <= 0.0)
            return -1.0;
        return ia->second / ib->second;
    }
    void printRatio(const std::string &a, const std::string &b, const char *what) const {
        const double r = ratio(a, b);
        if (r >= 0.0)
            std::printf("%-48s %8.2f  (%s / %s)\n", what, r, a.c_str(), b.c_str());
    }
    std::map<std::string, double> times;
};

// Enters the runtime root, runs the benchmarks the command line selects through the reporter
// and leaves a blank line for the figures that follow. False when the command line holds
// arguments it does not know.
inline bool runBenchmarks(int argc, char **argv, RatioReporter &reporter) {
    enterRuntimeRoot();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return false;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\n");
    return true;
}

}  // namespace bench

#endif
