// vemosim runs: the example scenario, timeline actions at their times, saved scenarios and
// byte-identical repeats.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ScenarioText.h"
#include "vemosim_runner.h"

namespace {

using e2e::splitLines;
using e2e::VemosimCase;
using e2e::VemosimResult;

std::string sourceText(const std::string &relative) {
    std::string content;
    std::string why;
    EXPECT_TRUE(sim::readWholeFile(VemosimCase::sourceFile(relative), content, why)) << why;
    return content;
}

sim::ParsedScenario parseSaved(const VemosimCase &c, const std::string &name) {
    sim::ParsedScenario s;
    const std::optional<std::string> text = c.read(name);
    EXPECT_TRUE(text.has_value()) << name << " was not written";
    sim::InputError e;
    EXPECT_TRUE(sim::parseScenarioText(text.value_or(""), name, s, e)) << e.text();
    return s;
}

const sim::ShipBlock *ship(const sim::ParsedScenario &s, const std::string &name) {
    for (const sim::ShipBlock &b : s.scenario.ships) {
        if (b.name == name) {
            return &b;
        }
    }
    return nullptr;
}

std::string lineStarting(const sim::ShipBlock &b, const std::string &key) {
    for (const std::string &line : b.lines) {
        if (line.rfind(key + " ", 0) == 0) {
            return line;
        }
    }
    return std::string();
}

// Output lines at a given time ("  1.000") that mention all the words.
bool printed(const std::string &out, const std::string &time,
             const std::vector<std::string> &words) {
    for (const std::string &line : splitLines(out)) {
        if (line.find(time + "  ") == std::string::npos) {
            continue;
        }
        bool all = true;
        for (const std::string &w : words) {
            all = all && line.find(w) != std::string::npos;
        }
        if (all) {
            return true;
        }
    }
    return false;
}

TEST(VemosimRun, TwoPodsExample) {
    VemosimCase c;
    c.write("two_pods.scn", sourceText("examples/two_pods.scn"));
    c.write("two_pods.tl", sourceText("examples/two_pods.tl"));
    const VemosimResult r =
        c.run({"--timeline", "two_pods.tl", "--until", "10", "--out", "end.scn", "two_pods.scn"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(printed(r.out, "0.000", {"Pod1", "created"})) << r.out;
    EXPECT_TRUE(printed(r.out, "0.000", {"Pod2", "created"})) << r.out;
    EXPECT_TRUE(printed(r.out, "1.000", {"Pod1", "timeline", "key K (two_pods.tl:3)"})) << r.out;
    EXPECT_TRUE(printed(r.out, "8.000", {"Pod2", "focus"})) << r.out;
    EXPECT_NE(r.out.find("end at 10.000 s after 200 steps; scenario saved to end.scn"),
              std::string::npos)
        << r.out;

    const sim::ParsedScenario saved = parseSaved(c, "end.scn");
    EXPECT_EQ(saved.scenario.focus, "Pod2");
    ASSERT_EQ(saved.scenario.ships.size(), 2u);
    const sim::ShipBlock *pod1 = ship(saved, "Pod1");
    const sim::ShipBlock *pod2 = ship(saved, "Pod2");
    ASSERT_TRUE(pod1 && pod2);
    EXPECT_EQ(pod1->className, "vemopod");
    EXPECT_EQ(lineStarting(*pod1, "VEMOCREW"), "VEMOCREW A01-John_Doe-35-72-80");
    // Pod1 fired its retro engine backwards along its z axis, 4 s at 2000 N; Pod2 drifted
    // on untouched. Their orbits part by metres per second, not by the mm/s that 20 m
    // between them make.
    double v1[3] = {}, v2[3] = {};
    ASSERT_EQ(std::sscanf(lineStarting(*pod1, "RVEL").c_str(), "RVEL %lf %lf %lf", &v1[0], &v1[1],
                          &v1[2]),
              3);
    ASSERT_EQ(std::sscanf(lineStarting(*pod2, "RVEL").c_str(), "RVEL %lf %lf %lf", &v2[0], &v2[1],
                          &v2[2]),
              3);
    EXPECT_LT(v1[2] - v2[2], -10.0) << lineStarting(*pod1, "RVEL");
    // The author's description stays with the scenario.
    ASSERT_FALSE(saved.scenario.description.empty());
    EXPECT_EQ(saved.scenario.description[0].rfind("Two capsules in orbit", 0), 0u);
}

TEST(VemosimRun, SameInputSameBytes) {
    std::string out[2];
    std::string saved[2];
    std::string mid[2];
    for (int i = 0; i < 2; ++i) {
        VemosimCase c;  // a new folder and root each time
        c.write("two_pods.scn", sourceText("examples/two_pods.scn"));
        c.write("t.tl", sourceText("examples/two_pods.tl") + "9 save saves/mid.scn\n");
        c.write("saves/.keep", "");
        const VemosimResult r = c.run({"--timeline", "t.tl", "--seed", "7", "--step", "0.1",
                                       "--out", "end.scn", "two_pods.scn"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        out[i] = r.out;
        saved[i] = c.read("end.scn").value_or("(none)");
        mid[i] = c.read("saves/mid.scn").value_or("(none)");
        EXPECT_EQ(c.files(), (std::vector<std::string>{"end.scn", "saves/.keep", "saves/mid.scn",
                                                       "t.tl", "two_pods.scn"}));
    }
    EXPECT_EQ(out[0], out[1]);
    EXPECT_EQ(saved[0], saved[1]);
    EXPECT_EQ(mid[0], mid[1]);
    EXPECT_NE(mid[0], saved[0]) << "the mid-run save shows the scenario at 9 s, not at the end";
}

// Actions happen at the first step boundary at or after their time, in file order, and the
// saved scenario shows their effect; actions after the end are counted, not run.
TEST(VemosimRun, ActionsTakeEffectAtTheirTime) {
    VemosimCase c;
    c.write("w.scn",
            "BEGIN_DESC\nEND_DESC\n"
            "BEGIN_ENVIRONMENT\n  System Sol\nEND_ENVIRONMENT\n"
            "BEGIN_SHIPS\nEND_SHIPS\n");
    c.write("run.tl",
            "0.0 save at0.scn\n"
            "0.26 save at03.scn\n"
            "5 save never.scn\n");
    const VemosimResult r = c.run(
        {"--timeline", "run.tl", "--step", "0.1", "--until", "1", "--out", "end.scn", "w.scn"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(printed(r.out, "0.000", {"timeline", "save at0.scn (run.tl:1)"})) << r.out;
    EXPECT_TRUE(printed(r.out, "0.300", {"timeline", "save at03.scn (run.tl:2)"})) << r.out;
    EXPECT_NE(r.out.find("1 timeline action(s) after the end not run"), std::string::npos);
    EXPECT_FALSE(c.read("never.scn").has_value());
    // The environment the scenario came with goes out with it.
    const sim::ParsedScenario end = parseSaved(c, "end.scn");
    EXPECT_TRUE(end.hasEnvironment);
    EXPECT_EQ(end.environment, std::vector<std::string>{"System Sol"});
    EXPECT_TRUE(c.read("at0.scn").has_value());
}

TEST(VemosimRun, MovesVesselsAsTold) {
    VemosimCase c;
    c.write("two_pods.scn", sourceText("examples/two_pods.scn"));
    c.write("run.tl",
            "0 velocity Pod2 0 0 1\n"
            "0 position Pod2 6778100 0 0\n"
            "1 place Pod1 at Pod2 0 0 5\n");
    const VemosimResult r = c.run({"--timeline", "run.tl", "--step", "0.5", "--until", "1", "--out",
                                   "end.scn", "two_pods.scn"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const sim::ParsedScenario end = parseSaved(c, "end.scn");
    const sim::ShipBlock *pod1 = ship(end, "Pod1");
    const sim::ShipBlock *pod2 = ship(end, "Pod2");
    ASSERT_TRUE(pod1 && pod2);
    // Pod2 moved 1 m along z in 1 s, and fell g t^2 / 2 = 4.3 m towards Earth along -x;
    // Pod1 stands 5 m from it and moves with it.
    double x = 0, y = 0, z = 0;
    ASSERT_EQ(std::sscanf(lineStarting(*pod2, "RPOS").c_str(), "RPOS %lf %lf %lf", &x, &y, &z), 3)
        << lineStarting(*pod2, "RPOS");
    EXPECT_NEAR(x, 6778100 - 4.34, 0.01);
    EXPECT_NEAR(y, 0, 1e-9);
    EXPECT_NEAR(z, 1, 1e-6);
    EXPECT_EQ(lineStarting(*pod1, "RVEL"), lineStarting(*pod2, "RVEL"));
    EXPECT_NE(lineStarting(*pod1, "RPOS"), lineStarting(*pod2, "RPOS"));
}

// A module that keeps the handle of a vessel it deleted and uses it after the vessel is
// destroyed would crash the simulator: the run stops there, fails, and writes nothing.
TEST(VemosimRun, UseOfADestroyedVesselFailsTheRun) {
    VemosimCase c;
    std::filesystem::create_symlink(std::string(VEMO_TEST_MODULES) + "/HostProbe.dll",
                                    c.root() + "/modules/HostProbe.dll");
    std::ofstream(c.root() + "/config/vessels/Probe.cfg") << "Module = HostProbe\n";
    c.write("w.scn",
            "BEGIN_SHIPS\n"
            "Target:Probe\nEND\n"
            "Watcher:Probe\nEND\n"
            "END_SHIPS\n");
    const VemosimResult r = c.run({"--step", "0.1", "--until", "1", "--out", "end.scn", "w.scn"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(printed(r.out, "0.100", {"Target", "deleted"})) << r.out;
    EXPECT_TRUE(
        printed(r.out, "0.200",
                {"Watcher", "destroyed-handle", "used the handle of Target, destroyed at 0.100 s"}))
        << r.out;
    EXPECT_EQ(r.err,
              "vemosim: at 0.200 s: Watcher used the handle of Target, destroyed at 0.100 s, in "
              "oapiGetVesselInterface: in the simulator that handle points at nothing; the run "
              "stops here\n");
    EXPECT_EQ(r.out.find("end at"), std::string::npos);
    EXPECT_FALSE(c.read("end.scn").has_value());
}

// Capsules as the simulator writes them, one landed on the Moon and one in orbit round it,
// come back from a run of no time with the same values in every state line; the angles and
// rates to the last bits of their way through radians and the rotation matrix.
TEST(VemosimRun, ScenarioAsTheSimulatorWritesItSavesBackTheSameValues) {
    const std::vector<std::string> lander = {"STATUS Landed Moon", "POS 23.4731 -0.6812",
                                             "HEADING 287.5", "PRPLEVEL 0:0.75 1:0.5"};
    const std::vector<std::string> flyer = {
        "STATUS Orbiting Moon",   "RPOS 1838212.5 -4021.25 157.5",
        "RVEL -3.5 12.25 1632.5", "AROT 12.5 -33.25 170",
        "VROT 0.5 -1.25 2",       "PRPLEVEL 0:1 1:0.25"};
    std::string text = "BEGIN_SHIPS\nLander:vemopod\n";
    for (const std::string &l : lander)
        text += "  " + l + "\n";
    text += "END\nFlyer:vemopod\n";
    for (const std::string &l : flyer)
        text += "  " + l + "\n";
    text += "END\nEND_SHIPS\n";
    VemosimCase c;
    c.write("moon.scn", text);
    const VemosimResult r = c.run({"--until", "0", "--out", "out.scn", "moon.scn"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("at the end, relative to Moon:"), std::string::npos) << r.out;

    const sim::ParsedScenario saved = parseSaved(c, "out.scn");
    const sim::ShipBlock *l = ship(saved, "Lander");
    const sim::ShipBlock *f = ship(saved, "Flyer");
    ASSERT_TRUE(l && f);
    ASSERT_GE(l->lines.size(), lander.size());
    EXPECT_EQ(std::vector<std::string>(l->lines.begin(), l->lines.begin() + lander.size()), lander);
    ASSERT_GE(f->lines.size(), flyer.size());
    for (std::size_t i = 0; i < flyer.size(); ++i) {
        const std::string keyword = flyer[i].substr(0, 5);
        if (keyword != "AROT " && keyword != "VROT ") {
            EXPECT_EQ(f->lines[i], flyer[i]);
            continue;
        }
        double got[3] = {}, written[3] = {};
        const std::string format = keyword + "%lf %lf %lf";
        ASSERT_EQ(std::sscanf(f->lines[i].c_str(), format.c_str(), &got[0], &got[1], &got[2]), 3)
            << f->lines[i];
        ASSERT_EQ(
            std::sscanf(flyer[i].c_str(), format.c_str(), &written[0], &written[1], &written[2]),
            3);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(got[k], written[k], 1e-12) << f->lines[i];
    }
}

// Two vessels of one name: the summary at the end gives each its own crew.
TEST(VemosimRun, SummaryGivesVesselsOfOneNameEachItsOwnCrew) {
    VemosimCase c;
    c.write("pods.scn",
            "BEGIN_SHIPS\nPod:vemopod\n  RPOS 0 0 0\n  VEMOCREW A01-Jo-35-72-80\nEND\n"
            "Pod:vemopod\n  RPOS 0 0 50\nEND\nEND_SHIPS\n");
    const VemosimResult r = c.run({"--until", "0.1", "pods.scn"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string summary = r.out.substr(r.out.find("at the end"));
    const std::size_t jo = summary.find("crew: Jo (A01)");
    const std::size_t nobody = summary.find("crew: nobody aboard");
    ASSERT_NE(jo, std::string::npos) << summary;
    ASSERT_NE(nobody, std::string::npos) << summary;
    EXPECT_LT(jo, nobody) << summary;
    EXPECT_EQ(summary.find("crew: Jo (A01)", jo + 1), std::string::npos) << summary;
}

TEST(VemosimRun, QuietPrintsNothing) {
    VemosimCase c;
    c.write("two_pods.scn", sourceText("examples/two_pods.scn"));
    const VemosimResult r = c.run({"--quiet", "--until", "1", "--out", "q.scn", "two_pods.scn"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(c.read("q.scn").has_value());
}

}  // namespace

// Names may hold blanks, as in the simulator: the run takes them, docking between such
// vessels included, and saves them back as they were.
TEST(VemosimRun, NamesWithBlanksRunAndSaveBack) {
    VemosimCase c;
    c.write("blanks.scn", R"(BEGIN_DESC
Vessels with blanks in their names.
END_DESC
BEGIN_FOCUS
  Ship Pod One
END_FOCUS
BEGIN_SHIPS
Pod One:vemopod
  STATUS Orbiting Earth
  RPOS 6778500 0 0
  RVEL 0 0 7668.6
  VEMOCREW A01-John_Doe-35-72-80
END
Hab One:crewhab
  STATUS Orbiting Earth
  RPOS 6778000 0 0
  RVEL 0 0 7668.6
  DOCKINFO 0:0,Hab Two
END
Hab Two:crewhab
  STATUS Orbiting Earth
  RPOS 6778000 0 -6
  RVEL 0 0 7668.6
  AROT 0 180 0
  DOCKINFO 0:0,Hab One
END
END_SHIPS
)");
    const VemosimResult r = c.run({"--until", "1", "--out", "end.scn", "blanks.scn"});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_TRUE(printed(r.out, "0.000", {"Pod One", "created"})) << r.out;
    const sim::ParsedScenario saved = parseSaved(c, "end.scn");
    EXPECT_EQ(saved.scenario.focus, "Pod One");
    const sim::ShipBlock *pod = ship(saved, "Pod One");
    const sim::ShipBlock *one = ship(saved, "Hab One");
    ASSERT_TRUE(pod && one && ship(saved, "Hab Two"));
    EXPECT_EQ(lineStarting(*pod, "VEMOCREW"), "VEMOCREW A01-John_Doe-35-72-80");
    EXPECT_EQ(lineStarting(*one, "DOCKINFO"), "DOCKINFO 0:0,Hab Two") << "still docked";
}
