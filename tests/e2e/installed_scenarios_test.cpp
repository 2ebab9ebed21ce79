// The scenarios a user opens in the simulator, as installed into the runtime root, run
// through vemosim with the examples' timelines: they load, and what each one is for happens.
#include <gtest/gtest.h>

#include <string>

#include "vemosim_runner.h"

namespace {

using e2e::VemosimCase;
using e2e::VemosimResult;

VemosimResult RunInstalled(const VemosimCase &c, const std::string &name,
                           const std::string &until) {
    return c.run({std::string(VEMO_BUILD_ROOT) + "/scenarios/vemopod/" + name + ".scn",
                  "--timeline", VemosimCase::sourceFile("examples/" + name + ".tl"), "--until",
                  until, "--out", "out.scn"});
}

int Count(const std::string &text, const std::string &part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

}  // namespace

TEST(InstalledScenarios, RoundTripBringsTheMemberBackAboard) {
    VemosimCase c;
    const VemosimResult r = RunInstalled(c, "roundtrip", "10");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Count(r.out, "went aboard Pod"), 1) << r.out;
    EXPECT_NE(r.out.find("retro engine at level 1"), std::string::npos) << r.out;
    EXPECT_NE(c.read("out.scn").value_or("").find("VEMOCREW A01-John_Doe-35-72-80"),
              std::string::npos);
}

TEST(InstalledScenarios, TransferHandsOverOneMemberAndTheOtherWalksOver) {
    VemosimCase c;
    const VemosimResult r = RunInstalled(c, "transfer", "8");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Count(r.out, "went aboard Beta"), 2) << r.out;
}

TEST(InstalledScenarios, TwoPodsLoadWithTheCrewWhereTheScenarioPutsIt) {
    VemosimCase c;
    const VemosimResult r = RunInstalled(c, "two_pods", "9");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Pod1    crew      aboard: John Doe"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Pod2    crew      nobody aboard"), std::string::npos) << r.out;
}
