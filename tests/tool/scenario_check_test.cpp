// vemosim --check: the verdicts on crew lines from the real edge cases, taken from what the
// capsule and the sample crew vessel actually do with them, and the exit status a user sees.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CrewLineText.h"
#include "ScenarioCheck.h"
#include "test_support.h"
#include "vemosim_runner.h"

namespace {

using vemosim::Verdict;

struct Case {
    const char *cls;                   // vemopod: 1 seat; crewhab: 4 seats; both keep the
                                       // lines they refuse
    std::vector<const char *> before;  // the block's lines before the one checked
    const char *line;
    Verdict verdict;
    const char *says;  // in what the report says of it
};

// clang-format off
const Case kCases[] = {
    // Taken as written, at the edges of the windows the crew library keeps.
    {"vemopod", {}, "VEMOCREW A01-John_Doe-35-72-80", Verdict::AsWritten,
     "taken aboard as written: John Doe (A01), age 35, pulse 72, 80 kg"},
    {"crewhab", {}, "VEMOCREW A01-Jo-1-0-5", Verdict::AsWritten, "Jo (A01), age 1, pulse 0, 5 kg"},
    {"crewhab", {}, "VEMOCREW -Jo-140-180-300", Verdict::AsWritten,
     "Jo, age 140, pulse 180, 300 kg"},
    {"crewhab", {}, "vemocrew A01-Jo-35-72-80", Verdict::AsWritten,
     "saved again as 'VEMOCREW A01-Jo-35-72-80'"},
    // Taken, changed.
    {"crewhab", {}, "VEMOCREW A01-Abcdefghijklmnopqrstuvwxyzabcd-35-72-80", Verdict::Changed,
     "name cut at 25 characters, from 30 to 'Abcdefghijklmnopqrstuvwxy'"},
    {"crewhab", {}, "VEMOCREW ABCDEF-Jo-35-72-80", Verdict::Changed,
     "mission id 'ABCDEF' cut to 'ABCD'"},
    {"crewhab", {}, "VEMOCREW A01-J.-35-72-80", Verdict::Changed,
     "in the name 'J.' became blanks"},
    {"crewhab", {}, "VEMOCREW A01-Jo-000035-72-80", Verdict::Changed,
     "age '000035' read from its first five characters '00003' as 3"},
    {"crewhab", {}, "VEMOCREW A01-Jo-35-72-80.9", Verdict::Changed, "weight '80.9' read as 80"},
    {"crewhab", {}, "VEMOCREW A01-Jo-35-72-80-7", Verdict::Changed,
     "'-7' after the weight is not read"},
    {"crewhab", {}, "VEMOCREW A01-Jo-35-72-80 and more", Verdict::Changed,
     "'and more' after the value is not read"},
    // Out of their windows, or short of a field: kept aside and saved again.
    {"crewhab", {}, "VEMOCREW A01-Jo-0-72-80", Verdict::KeptAside,
     "kept aside, not aboard: age 0 is outside 1 to 140"},
    {"crewhab", {}, "VEMOCREW A01-Jo-141-72-80", Verdict::KeptAside, "age 141 is outside 1 to 140"},
    {"crewhab", {}, "VEMOCREW A01-Jo-35-181-80", Verdict::KeptAside, "pulse 181 is outside 0 to 180"},
    {"crewhab", {}, "VEMOCREW A01-Jo-35-72-4", Verdict::KeptAside, "weight 4 is outside 5 to 300"},
    {"crewhab", {}, "VEMOCREW A01-Jo-35-72-301", Verdict::KeptAside, "weight 301 is outside"},
    {"crewhab", {}, "VEMOCREW A01-Jo-35-72", Verdict::KeptAside, "stops after the pulse: no weight"},
    {"crewhab", {}, "VEMOCREW JoJo", Verdict::KeptAside, "no '-' in the value 'JoJo'"},
    {"vemopod", {}, "VEMOCREW A01-Jo-35-72-301", Verdict::KeptAside,
     "kept aside, not aboard: weight 301 is outside"},
    // Beyond the seats.
    {"vemopod", {"VEMOCREW A01-John_Doe-35-72-80"}, "VEMOCREW B02-Jane-30-70-60",
     Verdict::KeptAside, "beyond the seats: Pod has 1 seat, taken by the crew lines before it"},
    {"crewhab",
     {"VEMOCREW A-A-30-70-60", "VEMOCREW B-B-30-70-60", "VEMOCREW C-C-30-70-60",
      "VEMOCREW D-D-30-70-60"},
     "VEMOCREW E-E-30-70-60", Verdict::KeptAside, "beyond the seats: Pod has 4 seats"},
    // No number where a number begins: the vessel refuses it, whatever a number reader makes
    // of it.
    {"crewhab", {}, "VEMOCREW A01-Jo-35-inf-80", Verdict::KeptAside, "pulse 'inf' holds no number"},
    {"crewhab", {}, "VEMOCREW A01-Jo-x-72-80", Verdict::KeptAside, "age 'x' holds no number"},
    {"crewhab", {}, "VEMOCREW A01-Jo-35--80", Verdict::KeptAside, "pulse '' holds no number"},
    // Transfer lines: each is read, awaited and saved again until its member is aboard.
    {"crewhab", {"VEMOTRANSFER T1-On_The_Way-40-60-70"}, "VEMOTRANSFER T2-Also-41-61-71",
     Verdict::AsWritten, "awaited, on the way in a transfer vessel: Also (T2), age 41"},
    {"crewhab", {"VEMOTRANSFER T2-Also-41-61-71"}, "VEMOTRANSFER T1-On_The_Way-40-60-70",
     Verdict::AsWritten, "saved again until the member is aboard"},
    {"crewhab", {}, "VEMOTRANSFER T1-Jo-40-inf-70", Verdict::KeptAside,
     "pulse 'inf' holds no number"},
    // Not a crew line, and not the host's.
    {"vemopod", {}, "LIGHTS on", Verdict::NotUnderstood, "the host does not understand this line"},
};
// clang-format on

std::string scenario(const Case &c) {
    std::string text = "BEGIN_SHIPS\nPod:" + std::string(c.cls) + "\n  RPOS 0 0 0\n";
    for (const char *line : c.before) {
        text += std::string("  ") + line + "\n";
    }
    return text + "  " + c.line + "\nEND\nEND_SHIPS\n";
}

// The verdict on the case's line, checked in a fresh world on the test's root.
vemosim::LineVerdict check(sim::World &world, const std::string &root, const std::string &text,
                           const std::string &line) {
    sim::ParsedScenario parsed;
    sim::InputError e;
    EXPECT_TRUE(sim::parseScenarioText(text, "t.scn", parsed, e)) << e.text();
    std::string why;
    EXPECT_TRUE(world.load(parsed.scenario, &why)) << why;
    const vemosim::CheckReport report = vemosim::checkLoadedScenario(world, parsed, text, root);
    for (const vemosim::LineVerdict &v : report.lines) {
        if (v.text == line) {
            return v;
        }
    }
    ADD_FAILURE() << "no verdict on " << line << "\n" << report.text("t.scn");
    return {};
}

std::string said(const vemosim::LineVerdict &v) {
    std::string text = v.what;
    for (const std::string &how : v.how) {
        text += "\n" + how;
    }
    return text;
}

class ScenarioCheck : public testsupport::WorldTest {};

class ScenarioCheckWithoutCompanion : public testsupport::WorldTest {
protected:
    testsupport::RootOptions rootOptions() const override {
        testsupport::RootOptions o;
        o.withCompanion = false;
        return o;
    }
};

}  // namespace

TEST_F(ScenarioCheck, VerdictsOnTheEdgeCases) {
    for (const Case &c : kCases) {
        SCOPED_TRACE(std::string(c.cls) + ": " + c.line);
        sim::World &w = makeWorld();
        const vemosim::LineVerdict v = check(w, root->path(), scenario(c), c.line);
        EXPECT_EQ(static_cast<int>(v.verdict), static_cast<int>(c.verdict)) << said(v);
        EXPECT_NE(said(v).find(c.says), std::string::npos) << said(v);
        // The check's reading of a line alone agrees with what the vessel's loader did.
        if (c.before.empty() && v.verdict != Verdict::NotUnderstood) {
            EXPECT_EQ(vemosim::readCrewLine(c.line).valid,
                      v.verdict == Verdict::AsWritten || v.verdict == Verdict::Changed);
        }
        // Kept aside means saved again; refused means gone.
        if (v.verdict == Verdict::KeptAside) {
            EXPECT_NE(said(v).find("saved again as written"), std::string::npos);
        }
        if (v.verdict == Verdict::Refused) {
            EXPECT_NE(said(v).find("gone once the scenario is saved"), std::string::npos);
        }
    }
}

TEST_F(ScenarioCheckWithoutCompanion, NoCrewWithoutTheCompanion) {
    const std::string line = "VEMOCREW A01-John_Doe-35-72-80";
    for (const char *cls : {"vemopod", "crewhab"}) {
        SCOPED_TRACE(cls);
        sim::World &w = makeWorld();
        const vemosim::LineVerdict v =
            check(w, root->path(), scenario({cls, {}, line.c_str(), {}, ""}), line);
        // Both keep their crew lines for when the companion is back.
        EXPECT_EQ(static_cast<int>(v.verdict), static_cast<int>(Verdict::KeptAside));
        EXPECT_NE(v.what.find("companion crew-member module (modules/Vemo.dll and "
                              "config/vessels/Vemo.cfg) is not installed"),
                  std::string::npos)
            << v.what;
    }
}

TEST_F(ScenarioCheck, NamesTheFileLineOfEachVerdict) {
    const std::string text =
        "BEGIN_SHIPS\n"
        "Pod:vemopod\n"                 // 2
        "  RPOS 0 0 0\n"                // 3
        "\n"                            // 4
        "  ; a comment of its own\n"    // 5
        "  VEMOCREW A01-Jo-35-72-80\n"  // 6
        "   \n"                         // 7
        "  ;\n"                         // 8
        "  VEMOCREW B02-Al-35-72-80\n"  // 9
        "END\n"
        "END_SHIPS\n";
    sim::World &w = makeWorld();
    const vemosim::LineVerdict first = check(w, root->path(), text, "VEMOCREW A01-Jo-35-72-80");
    EXPECT_EQ(first.line, 6);
    sim::World &w2 = makeWorld();
    const vemosim::LineVerdict second = check(w2, root->path(), text, "VEMOCREW B02-Al-35-72-80");
    EXPECT_EQ(second.line, 9);
    EXPECT_EQ(static_cast<int>(second.verdict), static_cast<int>(Verdict::KeptAside));
}

// Vessels whose names repeat, or differ only in letter case, are each judged by their own
// block: the check matches them by their place in the scenario.
TEST_F(ScenarioCheck, VesselsOfOneNameAreJudgedEachByItsOwnBlock) {
    for (const char *second : {"Pod", "POD"}) {
        SCOPED_TRACE(second);
        const std::string text = std::string("BEGIN_SHIPS\n") +
                                 "Pod:vemopod\n  RPOS 0 0 0\n  VEMOCREW A01-Jo-35-72-80\nEND\n" +
                                 second +
                                 ":vemopod\n  RPOS 0 0 50\n  VEMOCREW B02-Al-30-70-60\n"
                                 "  VEMOCREW C03-Cy-31-71-61\nEND\nEND_SHIPS\n";
        sim::World &w = makeWorld();
        sim::ParsedScenario parsed;
        sim::InputError e;
        ASSERT_TRUE(sim::parseScenarioText(text, "t.scn", parsed, e)) << e.text();
        std::string why;
        ASSERT_TRUE(w.load(parsed.scenario, &why)) << why;
        const vemosim::CheckReport report =
            vemosim::checkLoadedScenario(w, parsed, text, root->path());
        ASSERT_EQ(report.lines.size(), 3u) << report.text("t.scn");
        EXPECT_EQ(report.lines[0].line, 4);
        EXPECT_NE(report.lines[0].what.find("taken aboard as written: Jo (A01)"), std::string::npos)
            << report.lines[0].what;
        EXPECT_EQ(report.lines[1].line, 8);
        EXPECT_NE(report.lines[1].what.find("taken aboard as written: Al (B02)"), std::string::npos)
            << report.lines[1].what;
        EXPECT_EQ(report.lines[2].line, 9);
        EXPECT_EQ(static_cast<int>(report.lines[2].verdict), static_cast<int>(Verdict::KeptAside))
            << report.lines[2].what;
        EXPECT_NE(report.lines[2].what.find("beyond the seats"), std::string::npos)
            << report.lines[2].what;
    }
}

TEST(ScenarioCheckCommand, ExitStatusTellsWhetherAllIsTakenAsWritten) {
    e2e::VemosimCase c;
    c.write("good.scn",
            "BEGIN_SHIPS\nPod:vemopod\n  VEMOCREW A01-John_Doe-35-72-80\nEND\nEND_SHIPS\n");
    c.write("cut.scn",
            "BEGIN_SHIPS\nPod:vemopod\n  VEMOCREW A01-Abcdefghijklmnopqrstuvwxyzabcd-35-72-80\n"
            "END\nEND_SHIPS\n");
    c.write("broken.scn",
            "BEGIN_SHIPS\nPod:vemopod\n  VEMOCREW A01-John_Doe-35-72-80\nEND_SHIPS\n");
    c.write("unknown.scn", "BEGIN_SHIPS\nPod:vemopod\nEND\nOther:nosuchclass\nEND\nEND_SHIPS\n");

    const e2e::VemosimResult good = c.run({"--check", "good.scn"});
    EXPECT_EQ(good.exitCode, 0) << good.err;
    EXPECT_NE(good.out.find("good.scn:3: Pod: VEMOCREW A01-John_Doe-35-72-80\n"
                            "    taken aboard as written: John Doe (A01), age 35, pulse 72, 80 kg"),
              std::string::npos)
        << good.out;
    EXPECT_NE(good.out.find("1 crew line: 1 taken as written, 0 changed, 0 kept aside, 0 refused"),
              std::string::npos)
        << good.out;
    // Nothing ran: no step, no hand-over file, no saved scenario in the work folder.
    EXPECT_EQ(good.out.find("end at"), std::string::npos);
    EXPECT_TRUE(c.files().size() == 4u);

    const e2e::VemosimResult cut = c.run({"--check", "cut.scn"});
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_NE(cut.out.find("name cut at 25 characters"), std::string::npos) << cut.out;

    const e2e::VemosimResult broken = c.run({"--check", "broken.scn"});
    EXPECT_EQ(broken.exitCode, 2);
    EXPECT_NE(broken.err.find("broken.scn:2: vessel block 'Pod' has no END"), std::string::npos)
        << broken.err;
    EXPECT_TRUE(broken.out.empty());

    const e2e::VemosimResult unknown = c.run({"--check", "unknown.scn"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("unknown.scn:4:"), std::string::npos) << unknown.err;

    const e2e::VemosimResult mixed = c.run({"--check", "--plot", "x.svg", "good.scn"});
    EXPECT_EQ(mixed.exitCode, 2);
    // Quiet: the exit status alone says it.
    const e2e::VemosimResult quiet = c.run({"--check", "--quiet", "cut.scn"});
    EXPECT_EQ(quiet.exitCode, 1);
    EXPECT_TRUE(quiet.out.empty()) << quiet.out;
}
