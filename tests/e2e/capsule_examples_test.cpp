// The capsule's example runs through vemosim: their printed timelines, the scenarios they
// save, and that a second run gives the same bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ScenarioText.h"
#include "vemosim_runner.h"

namespace {

using e2e::splitLines;
using e2e::VemosimCase;
using e2e::VemosimResult;

struct Example {
    std::string name;  // examples/<name>.scn and .tl
    std::string until;
};

// Copies the example into the case's work folder and runs it, saving to out.scn.
VemosimResult runExample(const VemosimCase &c, const Example &ex) {
    for (const char *ext : {".scn", ".tl"}) {
        std::string text, why;
        EXPECT_TRUE(
            sim::readWholeFile(VemosimCase::sourceFile("examples/" + ex.name + ext), text, why))
            << why;
        c.write(ex.name + ext, text);
    }
    return c.run(
        {ex.name + ".scn", "--timeline", ex.name + ".tl", "--until", ex.until, "--out", "out.scn"});
}

// Index of the first output line after `from` that holds every word, or -1.
int find(const std::vector<std::string> &lines, const std::vector<std::string> &words,
         int from = 0) {
    for (int i = from; i < int(lines.size()); ++i) {
        bool all = true;
        for (const std::string &w : words)
            all = all && lines[i].find(w) != std::string::npos;
        if (all)
            return i;
    }
    return -1;
}

// Expects each event after the one before it; returns false at the first one missing.
bool inOrder(const std::string &out, const std::vector<std::vector<std::string>> &events) {
    const std::vector<std::string> lines = splitLines(out);
    int at = 0;
    for (const auto &words : events) {
        const int i = find(lines, words, at);
        if (i < 0) {
            std::string text;
            for (const std::string &w : words)
                text += "[" + w + "] ";
            ADD_FAILURE() << "missing, or out of order: " << text << "\n" << out;
            return false;
        }
        at = i + 1;
    }
    return true;
}

sim::ShipBlock savedPod(const VemosimCase &c) {
    sim::ParsedScenario s;
    sim::InputError e;
    EXPECT_TRUE(sim::parseScenarioText(c.read("out.scn").value_or(""), "out.scn", s, e))
        << e.text();
    for (const sim::ShipBlock &b : s.scenario.ships)
        if (b.name == "Pod")
            return b;
    ADD_FAILURE() << "no Pod in the saved scenario";
    return {};
}

// The z component of the block's RVEL line.
double zVelocity(const sim::ShipBlock &b) {
    double x = 0, y = 0, z = 0;
    for (const std::string &l : b.lines)
        if (std::sscanf(l.c_str(), "RVEL %lf %lf %lf", &x, &y, &z) == 3)
            return z;
    ADD_FAILURE() << "no RVEL line in " << b.name;
    return z;
}

bool hasLine(const sim::ShipBlock &b, const std::string &line) {
    for (const std::string &l : b.lines)
        if (l == line)
            return true;
    return false;
}

void expectRepeatable(const Example &ex, bool withCompanion) {
    std::string out[2], saved[2];
    for (int i = 0; i < 2; ++i) {
        VemosimCase c;
        if (!withCompanion)
            std::filesystem::remove(c.root() + "/modules/Vemo.dll");
        VemosimResult r = runExample(c, ex);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        out[i] = r.out;
        saved[i] = c.read("out.scn").value_or("<none>");
    }
    EXPECT_EQ(out[0], out[1]);
    EXPECT_EQ(saved[0], saved[1]);
}

const Example kDeploy{"deploy", "16"};
const Example kRoundTrip{"roundtrip", "10"};
const Example kNoCompanion{"nocompanion", "5"};
const Example kLandedEva{"landed_eva", "9"};

}  // namespace

TEST(CapsuleDeployExample, DeploysFiresAndBurnsOut) {
    VemosimCase c;
    VemosimResult r = runExample(c, kDeploy);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(inOrder(r.out, {
                                   {"Pod", "K pressed"},
                                   {"Pod", "deployment starts"},   // deploying
                                   {"Pod", "retro engine ready"},  // the engine
                                   {"thrust retro 0.3"},
                                   {"Pod", "retro engine at level 1"},  // latched
                                   {"thrust retro 0"},
                                   {"Pod", "retro engine at level 1"},  // still latched
                                   {"Pod", "tank 1 ran empty"},         // burn-out
                               }));
    // The deployment ends in the step to 5.05 s (the host sees the animation at rest a step
    // later), and the engine appears in the step after it ends, steps being 0.05 s.
    const std::vector<std::string> lines = splitLines(r.out);
    int rest = find(lines, {"5.100", "deployed"});
    int engine = find(lines, {"5.100", "retro engine ready"});
    EXPECT_GE(rest, 0);
    EXPECT_GE(engine, 0);
    EXPECT_LT(find(lines, {"deployment starts"}), rest);
    // 6 kg at 0.8 kg/s: 7.5 s of full thrust after the first step at 0.3, less the one
    // step the pilot's 0 was in force.
    EXPECT_GE(find(lines, {"13.550", "tank 1 ran empty"}), 0);

    sim::ShipBlock pod = savedPod(c);
    EXPECT_TRUE(hasLine(pod, "PRPLEVEL 0:1 1:0"));
    EXPECT_TRUE(hasLine(pod, "VEMOCREW A01-John_Doe-35-72-80"));
}

TEST(CapsuleDeployExample, RunsAreByteIdentical) {
    expectRepeatable(kDeploy, true);
}

TEST(CapsuleRoundTripExample, MemberGoesOutComesBackAndTheEngineLatches) {
    VemosimCase c;
    VemosimResult r = runExample(c, kRoundTrip);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(inOrder(r.out, {
                                   {"Pod", "K pressed"},
                                   {"Pod", "E pressed"},
                                   {"Vemo_A01-John_Doe", "of class Vemo created"},
                                   {"Vemo_A01-John_Doe", "focus on Vemo_A01-John_Doe"},
                                   {"place Vemo_A01-John_Doe at Pod 0 0 6"},
                                   {"place Vemo_A01-John_Doe at Pod 0 0 1.5"},
                                   {"Pod", "focus on Pod"},
                                   {"Pod", "airlock: 0 free seats"},
                                   {"Vemo_A01-John_Doe", "deleted"},
                                   {"Pod", "retro engine ready"},
                                   {"thrust retro 0.3"},
                                   {"Pod", "retro engine at level 1"},
                                   {"thrust retro 0"},
                                   {"Pod", "retro engine at level 1"},
                               }));
    // Stepping out leaves nobody to take back until the member stands outside the box.
    const std::vector<std::string> lines = splitLines(r.out);
    const int stepsOut = find(lines, {"place Vemo_A01-John_Doe at Pod 0 0 6"});
    const int gone = find(lines, {"Vemo_A01-John_Doe", "deleted", "went aboard Pod"});
    EXPECT_LT(stepsOut, gone);

    sim::ShipBlock pod = savedPod(c);
    EXPECT_TRUE(hasLine(pod, "VEMOCREW A01-John_Doe-35-72-80"));
    // Levels as a user reads them, and no negative zero.
    EXPECT_TRUE(hasLine(pod, "PRPLEVEL 0:1 1:0.478"));
    EXPECT_TRUE(hasLine(pod, "AROT 0 0 0"));
    EXPECT_EQ(c.read("out.scn").value_or("").find("Vemo_"), std::string::npos)
        << "the crew-member vessel is gone from the saved scenario";
}

TEST(CapsuleRoundTripExample, RunsAreByteIdentical) {
    expectRepeatable(kRoundTrip, true);
}

TEST(CapsuleNoCompanionExample, FliesAndHandsItsCrewLineToTheHost) {
    VemosimCase c;
    std::filesystem::remove(c.root() + "/modules/Vemo.dll");
    VemosimResult r = runExample(c, kNoCompanion);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(
        inOrder(r.out, {
                           {"Pod",
                            "crew line not taken (John Doe (A01), age 35, pulse 72, 80 kg): "
                            "Pod takes no crew; is the companion crew-member module "
                            "installed?"},
                           {"Pod", "K pressed: Pod leaves it to the simulator"},
                           {"Pod", "translate forward thrusters at level 1"},
                           {"Pod", "translate forward thrusters off"},
                           {"crew line kept, not aboard: A01-John_Doe-35-72-80"},
                       }));
    EXPECT_EQ(r.out.find("attachment point \"Vemo\""), std::string::npos)
        << "no airlock without the crew library working";
    EXPECT_EQ(r.out.find("crew: John Doe"), std::string::npos) << "nobody is aboard";
    sim::ShipBlock pod = savedPod(c);
    EXPECT_TRUE(hasLine(pod, "VEMOCREW A01-John_Doe-35-72-80")) << "the crew is not lost";

    // The pulse set it moving: against the same orbit without it, the capsule is faster
    // along its nose (+z, the way it flies).
    VemosimCase still;
    std::filesystem::remove(still.root() + "/modules/Vemo.dll");
    still.write("nocompanion.scn", c.read("nocompanion.scn").value_or(""));
    still.write("still.tl", "1.0  key K\n");
    ASSERT_EQ(still
                  .run({"nocompanion.scn", "--timeline", "still.tl", "--until", kNoCompanion.until,
                        "--out", "out.scn"})
                  .exitCode,
              0);
    const double pushed = zVelocity(pod), coasting = zVelocity(savedPod(still));
    EXPECT_GT(pushed - coasting, 0.03) << pushed << " against " << coasting;  // about 0.046 m/s
}

TEST(CapsuleNoCompanionExample, RunsAreByteIdentical) {
    expectRepeatable(kNoCompanion, false);
}

// On the Moon the member leaves a landed capsule, walks round it and comes back; halfway
// round the run saves, and a second run from that file goes on to the same end.
TEST(CapsuleLandedEvaExample, MemberWalksRoundAndComesBackAcrossASavedScenario) {
    VemosimCase c;
    VemosimResult r = runExample(c, kLandedEva);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(inOrder(
        r.out, {
                   {"Pod", "E pressed"},
                   // Standing on the ground below the capsule's origin, a metre down.
                   {"Vemo_A01-John_Doe", "of class Vemo created, 1 m from Pod"},
                   {"place Vemo_A01-John_Doe at Pod 6 0 -1"},
                   {"Vemo_A01-John_Doe", "landed on the Moon at 0."},
                   {"Vemo_A01-John_Doe", "crew member ready to return"},
                   {"place Vemo_A01-John_Doe at Pod 0 6 -1"},
                   {"place Vemo_A01-John_Doe at Pod -6 0 -1"},
                   {"scenario saved to landed_eva_saved.scn with 2 vessel(s)"},
                   {"place Vemo_A01-John_Doe at Pod 1 0 -1"},
                   {"Vemo_A01-John_Doe", "went aboard Pod"},
                   {"at the end, relative to Moon:"},
                   {"Pod (vemopod, focus): landed at longitude -33.4375, latitude -41.118454, "
                    "heading 120 degrees"},
                   {"crew: John Doe (A01), age 35, pulse 72, 80 kg"},
               }));
    EXPECT_EQ(r.out.find("crashed"), std::string::npos) << "every step down is a landing";

    // Halfway: the capsule where it stood with nobody aboard, the member standing beside it.
    sim::ParsedScenario half;
    sim::InputError e;
    ASSERT_TRUE(sim::parseScenarioText(c.read("landed_eva_saved.scn").value_or(""),
                                       "landed_eva_saved.scn", half, e))
        << e.text();
    ASSERT_EQ(half.scenario.ships.size(), 2u);
    const sim::ShipBlock &pod = half.scenario.ships[0];
    const sim::ShipBlock &member = half.scenario.ships[1];
    EXPECT_EQ(pod.lines, (std::vector<std::string>{"STATUS Landed Moon", "POS -33.4375 -41.118454",
                                                   "HEADING 120", "PRPLEVEL 0:1 1:1"}));
    EXPECT_EQ(member.name, "Vemo_A01-John_Doe");
    EXPECT_TRUE(hasLine(member, "STATUS Landed Moon"));
    EXPECT_TRUE(hasLine(member, "MEMBER 35 72 80"));

    // Reloaded, the walk goes on: the member comes aboard, and the capsule is saved as at the
    // end of the first run.
    VemosimCase again;
    again.write("landed_eva_saved.scn", c.read("landed_eva_saved.scn").value_or(""));
    std::string text, why;
    ASSERT_TRUE(
        sim::readWholeFile(VemosimCase::sourceFile("examples/landed_eva_resume.tl"), text, why))
        << why;
    again.write("landed_eva_resume.tl", text);
    r = again.run({"landed_eva_saved.scn", "--timeline", "landed_eva_resume.tl", "--until", "4",
                   "--out", "out.scn"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(inOrder(r.out, {
                                   {"Vemo_A01-John_Doe", "crew member ready to return"},
                                   {"place Vemo_A01-John_Doe at Pod 1 0 -1"},
                                   {"Vemo_A01-John_Doe", "went aboard Pod"},
                               }));
    EXPECT_EQ(savedPod(again).lines, savedPod(c).lines);
    EXPECT_TRUE(hasLine(savedPod(again), "VEMOCREW A01-John_Doe-35-72-80"));
}

TEST(CapsuleLandedEvaExample, RunsAreByteIdentical) {
    expectRepeatable(kLandedEva, true);
}

// The capsule added to a scenario as the simulator saves one: it stands on a pad of a base on
// the Moon, a habitat on the other pad, a relay in orbit given as elements; the member walks
// round the capsule and comes back, and the saved scenario keeps the simulator's sections.
TEST(CapsuleMoonBaseExample, MemberWalksRoundTheCapsuleOnItsPadAndComesBack) {
    VemosimCase c;
    const VemosimResult r = runExample(c, {"moonbase", "9"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(inOrder(
        r.out, {
                   {"Pod", "E pressed"},
                   {"Vemo_A01-John_Doe", "of class Vemo created, 1 m from Pod"},
                   {"Vemo_A01-John_Doe", "landed on the Moon"},
                   {"Vemo_A01-John_Doe", "went aboard Pod"},
                   {"at the end, relative to Moon:"},
                   // Pad 1 of Quiet Sea: 60 m west and 40 m north of the base's origin.
                   {"Pod (vemopod, focus): landed at longitude 23.468022, latitude 0.671319"},
                   {"crew: John Doe (A01), age 35, pulse 72, 80 kg"},
                   // Pad 2: 80 m east and 30 m south.
                   {"Habitat (crewhab): landed at longitude 23.472638, latitude 0.669011, "
                    "heading 90 degrees"},
               }));
    EXPECT_EQ(r.out.find("crashed"), std::string::npos);

    sim::ParsedScenario saved;
    sim::InputError e;
    ASSERT_TRUE(sim::parseScenarioText(c.read("out.scn").value_or(""), "out.scn", saved, e))
        << e.text();
    std::vector<std::string> sections;
    for (const sim::KeptSection &k : saved.scenario.kept)
        sections.push_back(k.lines.front());
    EXPECT_EQ(sections, (std::vector<std::string>{"BEGIN_HYPERDESC", "BEGIN_CAMERA", "BEGIN_HUD",
                                                  "BEGIN_MFD Left"}));
    ASSERT_EQ(saved.scenario.ships.size(), 3u);
    const sim::ShipBlock &relay = saved.scenario.ships[2];
    ASSERT_GE(relay.lines.size(), 2u);
    double x, y, z;
    ASSERT_EQ(std::sscanf(relay.lines[1].c_str(), "RPOS %lf %lf %lf", &x, &y, &z), 3);
    // On its orbit of 1838 km and eccentricity 0.001, and still over the Moon.
    EXPECT_NEAR(std::sqrt(x * x + y * y + z * z), 1838000.0, 1838.0 + 1.0);
    EXPECT_TRUE(hasLine(relay, "XPDR 466"));
}
