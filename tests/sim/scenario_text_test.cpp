// Reading and writing scenario files in the host's text format.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ScenarioText.h"

namespace {

const char kTwoShips[] =
    "BEGIN_DESC\n"
    "Two capsules.\n"
    "  Indented text stays as written.\n"
    "END_DESC\n"
    "\n"
    "BEGIN_ENVIRONMENT\n"
    "  System Sol\n"
    "  Date MJD 51983.5\n"
    "END_ENVIRONMENT\n"
    "\n"
    "BEGIN_FOCUS\n"
    "  Ship Pod2\n"
    "END_FOCUS\n"
    "\n"
    "BEGIN_SHIPS\n"
    "Pod1:vemopod\n"
    "  STATUS Orbiting Earth\n"
    "\tRPOS 0 0 0\n"
    "\n"
    "  VEMOCREW A01-John_Doe-35-72-80\n"
    "END\n"
    "Pod2:vemopod\n"
    "END\n"
    "END_SHIPS\n";

bool parse(const std::string &text, sim::ParsedScenario &out, sim::InputError &error) {
    return sim::parseScenarioText(text, "test.scn", out, error);
}

bool sameScenario(const sim::ScenarioFile &a, const sim::ScenarioFile &b) {
    if (a.description != b.description || a.focus != b.focus || a.ships.size() != b.ships.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.ships.size(); ++i) {
        if (a.ships[i].name != b.ships[i].name || a.ships[i].className != b.ships[i].className ||
            a.ships[i].lines != b.ships[i].lines) {
            return false;
        }
    }
    return true;
}

TEST(ScenarioText, ReadsEverySection) {
    sim::ParsedScenario s;
    sim::InputError e;
    ASSERT_TRUE(parse(kTwoShips, s, e)) << e.text();
    EXPECT_EQ(s.scenario.description,
              (std::vector<std::string>{"Two capsules.", "  Indented text stays as written."}));
    EXPECT_TRUE(s.hasEnvironment);
    EXPECT_EQ(s.environment, (std::vector<std::string>{"System Sol", "Date MJD 51983.5"}));
    EXPECT_EQ(s.scenario.focus, "Pod2");
    ASSERT_EQ(s.scenario.ships.size(), 2u);
    const sim::ShipBlock &pod1 = s.scenario.ships[0];
    EXPECT_EQ(pod1.name, "Pod1");
    EXPECT_EQ(pod1.className, "vemopod");
    EXPECT_EQ(pod1.firstLine, 16);
    // Leading blanks and tabs go, blank lines are skipped, the order stays.
    EXPECT_EQ(pod1.lines, (std::vector<std::string>{"STATUS Orbiting Earth", "RPOS 0 0 0",
                                                    "VEMOCREW A01-John_Doe-35-72-80"}));
    EXPECT_TRUE(s.scenario.ships[1].lines.empty());
    EXPECT_EQ(s.scenario.ships[1].firstLine, 22);

    // Windows line ends, and no focus or environment section at all.
    ASSERT_TRUE(parse("BEGIN_SHIPS\r\nA:vemopod\r\n  X 1\r\nEND\r\nEND_SHIPS", s, e)) << e.text();
    ASSERT_EQ(s.scenario.ships.size(), 1u);
    EXPECT_EQ(s.scenario.ships[0].lines, std::vector<std::string>{"X 1"});
    EXPECT_EQ(s.scenario.focus, "");
    EXPECT_FALSE(s.hasEnvironment);
}

struct BadCase {
    const char *what;
    const char *text;
    int line;
    const char *words;  // part of the message
};

TEST(ScenarioText, RefusesMalformedInputNamingTheLine) {
    const BadCase cases[] = {
        {"header without colon names the class", "BEGIN_SHIPS\nPod1 vemopod\nEND\nEND_SHIPS\n", 2,
         "invalid class name 'Pod1 vemopod'"},
        {"empty vessel name", "BEGIN_SHIPS\n:vemopod\nEND\nEND_SHIPS\n", 2, "no vessel name"},
        {"empty class", "BEGIN_SHIPS\nPod1:\nEND\nEND_SHIPS\n", 2, "no class name"},
        {"path in class", "BEGIN_SHIPS\nPod1:../evil\nEND\nEND_SHIPS\n", 2, "class name"},
        {"block cut by section end", "BEGIN_SHIPS\nA:x\nEND\nB:x\n  L 1\nEND_SHIPS\n", 4,
         "'B' has no END"},
        {"block cut by file end", "BEGIN_SHIPS\nA:x\n  L 1\n", 2, "'A' has no END"},
        {"section never closed", "BEGIN_DESC\nhello\n", 1, "no END_DESC"},
        {"kept section never closed", "BEGIN_CAMERA\nBEGIN_PRESET\nEND_PRESET\n", 1,
         "BEGIN_CAMERA has no END_CAMERA"},
        {"text outside", "\nhello\n", 2, "outside any section"},
        {"second section", "BEGIN_SHIPS\nEND_SHIPS\nBEGIN_SHIPS\nEND_SHIPS\n", 3,
         "first is on line 1"},
        {"focus on nobody",
         "BEGIN_FOCUS\n  Ship Ghost\nEND_FOCUS\nBEGIN_SHIPS\nA:x\nEND\n"
         "END_SHIPS\n",
         2, "focus names no vessel"},
        {"two focus lines", "BEGIN_FOCUS\nShip A\nShip B\nEND_FOCUS\n", 3, "second focus"},
    };
    for (const BadCase &c : cases) {
        sim::ParsedScenario s;
        sim::InputError e;
        EXPECT_FALSE(parse(c.text, s, e)) << c.what;
        EXPECT_EQ(e.file, "test.scn") << c.what;
        EXPECT_EQ(e.line, c.line) << c.what << ": " << e.text();
        EXPECT_NE(e.message.find(c.words), std::string::npos) << c.what << ": " << e.text();
        EXPECT_EQ(e.text().rfind("test.scn:" + std::to_string(c.line) + ": ", 0), 0u) << c.what;
    }
}

TEST(ScenarioText, RefusesNulBytes) {
    sim::ParsedScenario s;
    sim::InputError e;
    std::string withNul = "BEGIN_SHIPS\nA:x\n  L 1";
    withNul += '\0';
    withNul += "2\nEND\nEND_SHIPS\n";
    EXPECT_FALSE(parse(withNul, s, e));
    EXPECT_EQ(e.line, 3);
    EXPECT_NE(e.message.find("NUL"), std::string::npos);
}

// As the simulator reads its scenarios: a ';' starts a comment anywhere but in the
// description, blanks and tabs at either end go (carriage returns among them too), END ends
// a block in any letter case, lines
// may be of any length, and two vessels may share a name.
TEST(ScenarioText, ReadsLinesAsTheSimulatorHandsThemOver) {
    const std::string longLine = "NOTES " + std::string(10000, 'x');
    const std::string text =
        "BEGIN_DESC\n"
        "A description keeps its ; as written.\n"
        "END_DESC\n"
        "; a comment between sections\n"
        "BEGIN_FOCUS ; the keyboard\n"
        "  Ship pod ; the second Pod's name in another case\n"
        "END_FOCUS\n"
        "BEGIN_SHIPS\n"
        "Pod:vemopod ; the first\n"
        "  STATUS Orbiting Earth  ; free flight\t\n"
        "\tPRPLEVEL 0:1 1:0.5\t \n"
        "  THLEVEL 0:1\r \t\r\n"
        "  ; a line that is all comment\n"
        "  VEMOCREW A01-John_Doe-35-72-80;no blank before the comment\n"
        "  " +
        longLine +
        "\n"
        "end ; of the first\n"
        "Pod:vemopod\n"
        "End\n"
        "END_SHIPS\n";
    sim::ParsedScenario s;
    sim::InputError e;
    ASSERT_TRUE(parse(text, s, e)) << e.text();
    EXPECT_EQ(s.scenario.description,
              std::vector<std::string>{"A description keeps its ; as written."});
    EXPECT_EQ(s.scenario.focus, "pod");
    ASSERT_EQ(s.scenario.ships.size(), 2u);
    EXPECT_EQ(s.scenario.ships[0].name, "Pod");
    EXPECT_EQ(s.scenario.ships[0].className, "vemopod");
    EXPECT_EQ(
        s.scenario.ships[0].lines,
        (std::vector<std::string>{"STATUS Orbiting Earth", "PRPLEVEL 0:1 1:0.5", "THLEVEL 0:1",
                                  "VEMOCREW A01-John_Doe-35-72-80", longLine}));
    EXPECT_EQ(s.scenario.ships[1].name, "Pod");
    EXPECT_TRUE(s.scenario.ships[1].lines.empty());

    // And it is written back so that it reads the same.
    std::string written;
    std::string why;
    ASSERT_TRUE(sim::formatScenarioText(s.scenario, {}, false, written, why)) << why;
    sim::ParsedScenario back;
    ASSERT_TRUE(parse(written, back, e)) << e.text();
    EXPECT_TRUE(sameScenario(s.scenario, back.scenario)) << written;
}

// The simulator's own sections are kept as read, nested ones and repeated ones included, and
// written back so that they read again the same; a byte-order mark before them is skipped.
TEST(ScenarioText, KeepsTheSimulatorsSectionsAndWritesThemBack) {
    const std::string text =
        "\xEF\xBB\xBF"
        "BEGIN_HYPERDESC\n<p>a; b</p>\nEND_HYPERDESC\n"
        "BEGIN_CAMERA\n  MODE Extern\n  BEGIN_PRESET\n    Ext:A:60\n  END_PRESET\nEND_CAMERA\n"
        "BEGIN_MFD Left\n  TYPE Orbit\nEND_MFD\nBEGIN_MFD Right\nEND_MFD\n"
        "BEGIN_SHIPS\nA:vemopod\nEND\nEND_SHIPS\n";
    sim::ParsedScenario s, back;
    sim::InputError error;
    ASSERT_TRUE(parse(text, s, error)) << error.text();
    ASSERT_EQ(s.scenario.kept.size(), 4u);
    EXPECT_EQ(s.scenario.kept[0].lines,
              (std::vector<std::string>{"BEGIN_HYPERDESC", "<p>a; b</p>", "END_HYPERDESC"}));
    EXPECT_EQ(s.scenario.kept[1].lines.size(), 6u) << "END_PRESET does not close the camera";
    EXPECT_EQ(s.scenario.kept[2].name, "MFD");
    EXPECT_EQ(s.scenario.kept[3].firstLine, 13);
    std::string written, why;
    ASSERT_TRUE(sim::formatScenarioText(s.scenario, {}, false, written, why)) << why;
    ASSERT_TRUE(parse(written, back, error)) << error.text();
    ASSERT_EQ(back.scenario.kept.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(back.scenario.kept[i].lines, s.scenario.kept[i].lines);
    EXPECT_TRUE(sameScenario(back.scenario, s.scenario));
}

TEST(ScenarioText, WriterRefusesWhatWouldNotReadBack) {
    sim::ScenarioFile base;
    base.ships.push_back({"A", "vemopod", {"STATUS Orbiting Earth"}, 0});
    std::string text = "unchanged";
    std::string why;
    ASSERT_TRUE(sim::formatScenarioText(base, {}, false, text, why)) << why;

    struct Case {
        const char *what;
        sim::ScenarioFile scenario;
    };
    std::vector<Case> cases;
    cases.push_back({"line break injects a block", base});
    cases.back().scenario.ships[0].lines.push_back("X 1\nEND\nB:evil");
    cases.push_back({"END ends the block early", base});
    cases.back().scenario.ships[0].lines.push_back("  END ");
    cases.push_back({"end in any case ends it too", base});
    cases.back().scenario.ships[0].lines.push_back("eNd");
    cases.push_back({"the rest of a line would be a comment", base});
    cases.back().scenario.ships[0].lines.push_back("NOTE one; two");
    cases.push_back({"description closing itself", base});
    cases.back().scenario.description.push_back("END_DESC");
    cases.push_back({"focus on nobody", base});
    cases.back().scenario.focus = "B";
    cases.push_back({"kept section closing itself early", base});
    cases.back().scenario.kept.push_back(
        {"HUD", {"BEGIN_HUD", "END_HUD", "TYPE Orbit", "END_HUD"}});
    cases.push_back({"kept section never closed", base});
    cases.back().scenario.kept.push_back({"HUD", {"BEGIN_HUD", "TYPE Orbit"}});
    for (const Case &c : cases) {
        std::string out = "unchanged";
        why.clear();
        EXPECT_FALSE(sim::formatScenarioText(c.scenario, {}, false, out, why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
        EXPECT_EQ(out, "unchanged") << c.what;
    }
}

TEST(ScenarioText, FilesMissingOrWrittenWhole) {
    sim::ParsedScenario s;
    sim::InputError e;
    EXPECT_FALSE(sim::readScenarioFile("/nonexistent/none.scn", s, e));
    EXPECT_EQ(e.file, "/nonexistent/none.scn");
    EXPECT_EQ(e.line, 0);
    EXPECT_NE(e.text().find("cannot open"), std::string::npos) << e.text();

    char folder[] = "/tmp/cli_scenario_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/out.scn";
    std::string why;
    ASSERT_TRUE(sim::writeFileAtomically(path, "first\n", why)) << why;
    ASSERT_TRUE(sim::writeFileAtomically(path, kTwoShips, why)) << why;
    ASSERT_TRUE(sim::readScenarioFile(path, s, e)) << e.text();
    EXPECT_EQ(s.scenario.ships.size(), 2u);
    // Writing into a folder that does not exist fails and leaves nothing behind.
    EXPECT_FALSE(sim::writeFileAtomically(std::string(folder) + "/no/such.scn", "x", why));
    EXPECT_NE(why.find("cannot"), std::string::npos);
    EXPECT_EQ(std::remove(path.c_str()), 0);
    EXPECT_EQ(rmdir(folder), 0) << "temporary file left behind";
}

// Whatever bytes come in, the reader answers with a scenario or an error on a real line,
// and whatever it accepts the writer can write back unchanged, in a form that is stable.
TEST(ScenarioText, SurvivesDamagedInput) {
    const std::string original = kTwoShips;
    std::uint32_t state = 12345;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    const char alphabet[] = {'\n', '\r', '\0', ':', ' ', '\t', 'E', 'N', 'D', '_', 'x', '\xff'};
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = original;
        const int edits = 1 + static_cast<int>(next() % 4);
        for (int k = 0; k < edits; ++k) {
            const std::size_t at = next() % (text.size() + 1);
            switch (next() % 3) {
                case 0:
                    text.insert(at, 1, alphabet[next() % sizeof alphabet]);
                    break;
                case 1:
                    if (at < text.size()) {
                        text.erase(at, 1 + next() % 12);
                    }
                    break;
                default:
                    if (at < text.size()) {
                        text[at] = alphabet[next() % sizeof alphabet];
                    }
                    break;
            }
        }
        int lines = 1;
        for (char c : text) {
            lines += c == '\n' ? 1 : 0;
        }
        sim::ParsedScenario s;
        sim::InputError e;
        if (!parse(text, s, e)) {
            EXPECT_FALSE(e.message.empty());
            EXPECT_GE(e.line, 1);
            EXPECT_LE(e.line, lines);
            continue;
        }
        ++accepted;
        std::string written;
        std::string why;
        ASSERT_TRUE(
            sim::formatScenarioText(s.scenario, s.environment, s.hasEnvironment, written, why))
            << why << "\n"
            << text;
        sim::ParsedScenario back;
        ASSERT_TRUE(parse(written, back, e)) << e.text() << "\n" << written;
        EXPECT_TRUE(sameScenario(s.scenario, back.scenario)) << text;
        EXPECT_EQ(s.environment, back.environment) << text;
        std::string again;
        ASSERT_TRUE(sim::formatScenarioText(back.scenario, back.environment, back.hasEnvironment,
                                            again, why));
        EXPECT_EQ(written, again);
    }
    EXPECT_GT(accepted, 200);
}

}  // namespace
