// A long run: vemosim's memory does not grow with the length of the run. The story is printed
// and the picture sampled as the run goes, so nothing of the world's event log needs to stay.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <string>

#include "vemosim_runner.h"

namespace {

constexpr char kScenario[] =
    "BEGIN_SHIPS\nPod:vemopod\n  STATUS Orbiting Earth\n  RPOS 0 0 0\n  RVEL 0 0 0\n"
    "  VEMOCREW A01-John_Doe-35-72-80\nEND\nEND_SHIPS\n";
constexpr double kTripSeconds = 2.0;  // E, a step away, back into the airlock, aboard
constexpr long kAllowedGrowthKb = 1024;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// A timeline of `trips` EVA round trips of the capsule's member.
std::string RoundTrips(int trips) {
    std::string text;
    char line[160];
    for (int i = 0; i < trips; ++i) {
        const double t = 1.0 + kTripSeconds * i;
        std::snprintf(line, sizeof line,
                      "%.1f key E\n%.1f place Vemo_A01-John_Doe at Pod 0 0 6\n"
                      "%.1f place Vemo_A01-John_Doe at Pod 0 0 1\n",
                      t, t + 0.3, t + 0.6);
        text += line;
    }
    return text;
}

// The largest resident size of any run waited for so far, KB.
long PeakOfRunsKb() {
    struct rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}

}  // namespace

// The same timeline of round trips run to two lengths: the longer run takes no more memory.
// (The timeline itself is read whole, so both runs hold the same one.)
TEST(VemosimLongRun, MemoryDoesNotGrowWithTheRoundTrips) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "AddressSanitizer holds freed memory in quarantine: the resident size "
                        "of its build grows with what the run frees";
    }
    constexpr int kTrips = 1600;
    e2e::VemosimCase c;
    c.write("pod.scn", kScenario);
    c.write("trips.tl", RoundTrips(kTrips));
    long peaks[2] = {0, 0};
    const int trips[2] = {600, kTrips};
    for (int k = 0; k < 2; ++k) {
        const std::string until = std::to_string(1.0 + kTripSeconds * trips[k]);
        const e2e::VemosimResult r =
            c.run({"--step", "0.05", "--timeline", "trips.tl", "--until", until, "pod.scn"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        std::size_t boarded = 0;
        for (std::size_t at = r.out.find("went aboard"); at != std::string::npos;
             at = r.out.find("went aboard", at + 1)) {
            ++boarded;
        }
        EXPECT_EQ(boarded, static_cast<std::size_t>(trips[k]));
        peaks[k] = PeakOfRunsKb();
    }
    std::printf("peak resident size: %ld KB after %d round trips, %ld KB after %d\n", peaks[0],
                trips[0], peaks[1], trips[1]);
    EXPECT_LT(peaks[1] - peaks[0], kAllowedGrowthKb) << "memory grows with the round trips";
}
