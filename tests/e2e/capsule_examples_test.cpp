// The capsule's example runs through vemosim: their printed timelines, the scenarios they
// save, and that a second run gives the same bytes.
#include <gtest/gtest.h>

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

}  // namespace

TEST(CapsuleDeployExample, DeploysFiresAndBurnsOut) {
    VemosimCase c;
    VemosimResult r = runExample(c, kDeploy);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(inOrder(r.out, {
                                   {"Pod", "K pressed: Pod takes it"},
                                   {"Pod", "animation 0 starts moving"},     // deploying
                                   {"Pod", "retro thruster group created"},  // the engine
                                   {"thrust retro 0.3"},
                                   {"Pod", "retro thruster group level 1"},  // latched
                                   {"thrust retro 0"},
                                   {"Pod", "retro thruster group level 1"},  // still latched
                                   {"Pod", "tank 1 ran empty"},              // burn-out
                               }));
    // The deployment ends in the step to 5.05 s (the host sees the animation at rest a step
    // later), and the engine appears in the step after it ends, steps being 0.05 s.
    const std::vector<std::string> lines = splitLines(r.out);
    int rest = find(lines, {"5.100", "comes to rest at state 1"});
    int engine = find(lines, {"5.100", "retro thruster group created"});
    EXPECT_GE(rest, 0);
    EXPECT_GE(engine, 0);
    EXPECT_LT(find(lines, {"animation 0 starts moving"}), rest);
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
                                   {"Pod", "K pressed: Pod takes it"},
                                   {"Pod", "E pressed: Pod takes it"},
                                   {"Vemo_A01-John_Doe", "of class Vemo created"},
                                   {"Vemo_A01-John_Doe", "focus on Vemo_A01-John_Doe"},
                                   {"place Vemo_A01-John_Doe at Pod 0 0 6"},
                                   {"place Vemo_A01-John_Doe at Pod 0 0 1.5"},
                                   {"Pod", "focus on Pod"},
                                   {"Pod", "mesh vemo/vemo shown in external views"},
                                   {"Pod", "mesh vemo/vemovc shown in the cockpit view"},
                                   {"Vemo_A01-John_Doe", "deleted"},
                                   {"Pod", "retro thruster group created"},
                                   {"thrust retro 0.3"},
                                   {"Pod", "retro thruster group level 1"},
                                   {"thrust retro 0"},
                                   {"Pod", "retro thruster group level 1"},
                               }));
    // Stepping out leaves nobody to take back until the member stands outside the box.
    const std::vector<std::string> lines = splitLines(r.out);
    const int stepsOut = find(lines, {"place Vemo_A01-John_Doe at Pod 0 0 6"});
    const int gone = find(lines, {"vessel Vemo_A01-John_Doe deleted"});
    EXPECT_LT(stepsOut, gone);

    sim::ShipBlock pod = savedPod(c);
    EXPECT_TRUE(hasLine(pod, "VEMOCREW A01-John_Doe-35-72-80"));
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
                           {"Pod", "passed the scenario line \"VEMOCREW A01-John_Doe-35-72-80\""},
                           {"Pod", "K pressed: Pod ignores it"},
                           {"Pod", "translate forward thruster group level 1"},
                           {"Pod", "translate forward thruster group level 0"},
                       }));
    EXPECT_EQ(r.out.find("attachment point \"Vemo\""), std::string::npos)
        << "no airlock without the crew library working";
    sim::ShipBlock pod = savedPod(c);
    EXPECT_TRUE(hasLine(pod, "VEMOCREW A01-John_Doe-35-72-80")) << "the crew is not lost";
    bool moving = false;
    for (const std::string &l : pod.lines)
        moving = moving || (l.rfind("RVEL ", 0) == 0 && l != "RVEL 0 0 0");
    EXPECT_TRUE(moving);
}

TEST(CapsuleNoCompanionExample, RunsAreByteIdentical) {
    expectRepeatable(kNoCompanion, false);
}
