// Timelines: what a run does at which simulation time.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "Timeline.h"

namespace {

bool parse(const std::string &text, vemosim::Timeline &out, sim::InputError &error) {
    return vemosim::parseTimelineText(text, "run.tl", out, error);
}

bool sameAction(const vemosim::TimelineAction &a, const vemosim::TimelineAction &b) {
    return a.kind == b.kind && a.keys == b.keys && a.group == b.group && a.level == b.level &&
           a.vessel == b.vessel && a.other == b.other && a.vec[0] == b.vec[0] &&
           a.vec[1] == b.vec[1] && a.vec[2] == b.vec[2] && a.port == b.port &&
           a.otherPort == b.otherPort && a.file == b.file;
}

TEST(Timeline, ReadsEveryAction) {
    const char text[] =
        "# deploy, then walk out and back in\n"
        "\n"
        "0.5   key K            # deploy\n"
        "2     key lshift+E\n"
        "3.0 thrust retro 0.3\n"
        "3.0 velocity Pod1 1 -2.5 3e2\n"
        "4 position Pod1 0 0 +7\n"
        "9.0 place Vemo_Pilot_One at Pod1 0.5 0 0\n"
        "10 dock Pod1 0 Pod2 1\n"
        "11 undock Pod1 0\n"
        "12 focus Pod2\n"
        "12\tsave out/mid.scn\r\n";
    vemosim::Timeline t;
    sim::InputError e;
    ASSERT_TRUE(parse(text, t, e)) << e.text();
    EXPECT_EQ(t.fileName, "run.tl");
    // Described in canonical form, each action shows every field it was read with.
    const std::vector<std::string> expected = {"key K",
                                               "key LSHIFT+E",
                                               "thrust retro 0.3",
                                               "velocity Pod1 1 -2.5 300",
                                               "position Pod1 0 0 7",
                                               "place Vemo_Pilot_One at Pod1 0.5 0 0",
                                               "dock Pod1 0 Pod2 1",
                                               "undock Pod1 0",
                                               "focus Pod2",
                                               "save out/mid.scn"};
    ASSERT_EQ(t.actions.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(vemosim::describeAction(t.actions[i]), expected[i]);
    }
    EXPECT_EQ(t.actions[0].keys, std::vector<int>{OAPI_KEY_K});
    EXPECT_EQ(t.actions[1].keys, (std::vector<int>{0x2A, OAPI_KEY_E}));
    EXPECT_EQ(t.actions[2].group, THGROUP_RETRO);
    EXPECT_DOUBLE_EQ(t.actions[0].time, 0.5);
    EXPECT_EQ(t.actions[0].line, 3);
    EXPECT_DOUBLE_EQ(t.actions[9].time, 12.0);
    EXPECT_EQ(t.actions[9].line, 12);
}

TEST(Timeline, GroupNames) {
    for (int g = THGROUP_MAIN; g <= THGROUP_ATT_BACK; ++g) {
        THGROUP_TYPE back = THGROUP_USER;
        const char *name = vemosim::thrusterGroupName(static_cast<THGROUP_TYPE>(g));
        ASSERT_TRUE(vemosim::thrusterGroupFromName(name, back)) << name;
        EXPECT_EQ(back, g) << name;
    }
    THGROUP_TYPE group = THGROUP_MAIN;
    EXPECT_TRUE(vemosim::thrusterGroupFromName("USER", group));
    EXPECT_EQ(group, THGROUP_USER);
    EXPECT_TRUE(vemosim::thrusterGroupFromName("YawLeft", group));
    EXPECT_EQ(group, THGROUP_ATT_YAWLEFT);
    EXPECT_FALSE(vemosim::thrusterGroupFromName("sideways", group));
}

struct BadLine {
    const char *text;
    int line;
    const char *words;
};

TEST(Timeline, RefusesMalformedLinesNamingTheLine) {
    const BadLine cases[] = {
        {"key K\n", 1, "expected a time"},
        {"-1 key K\n", 1, "expected a time"},
        {"nan key K\n", 1, "expected a time"},
        {"1,5 key K\n", 1, "expected a time"},
        {"# c\n1.0\n", 2, "expected an action"},
        {"1 jump\n", 1, "unknown action"},
        {"1 key\n", 1, "expected: TIME key"},
        {"1 key Q+\n", 1, "unknown key ''"},
        {"1 key HYPER\n", 1, "unknown key 'HYPER'"},
        {"1 key K+k\n", 1, "named twice"},
        {"1 key 1+2+3+4+5+6+7+8+9\n", 1, "more than 8 keys"},
        {"1 thrust warp 1\n", 1, "unknown thruster group"},
        {"1 thrust main 1.5\n", 1, "from 0 to 1"},
        {"1 velocity Pod1 1 2\n", 1, "velocity VESSEL X Y Z"},
        {"1 position Pod1 1 2 z\n", 1, "expected a number, got 'z'"},
        {"1 place A near B 0 0 0\n", 1, "expected 'at'"},
        {"1 place A at A 0 0 0\n", 1, "relative to itself"},
        {"1 dock A 0 A 1\n", 1, "dock with itself"},
        {"1 dock A -1 B 0\n", 1, "docking port"},
        {"1 save out/\n", 1, "not a folder"},
        {"2 key K\n1 key E\n", 2, "comes before 2 on line 1"},
    };
    for (const BadLine &c : cases) {
        vemosim::Timeline t;
        sim::InputError e;
        EXPECT_FALSE(parse(c.text, t, e)) << c.text;
        EXPECT_EQ(e.file, "run.tl");
        EXPECT_EQ(e.line, c.line) << c.text << e.text();
        EXPECT_NE(e.message.find(c.words), std::string::npos) << c.text << e.text();
    }

    vemosim::Timeline t;
    sim::InputError e;
    std::string nul = "1 key K\n2 key E";
    nul += '\0';
    EXPECT_FALSE(parse(nul, t, e));
    EXPECT_EQ(e.line, 2);
    EXPECT_FALSE(parse("1 save " + std::string(300, 'x') + "\n", t, e));
    EXPECT_NE(e.message.find("longer than"), std::string::npos);
    EXPECT_FALSE(vemosim::readTimelineFile("/nonexistent/run.tl", t, e));
    EXPECT_EQ(e.line, 0);
    EXPECT_EQ(e.file, "/nonexistent/run.tl");
}

// Any bytes give a timeline or an error on a real line. What is accepted is in time order,
// and each action, described, reads back as the same action.
TEST(Timeline, SurvivesDamagedInput) {
    const std::string original =
        "0.5 key K+E+0x99\n1 thrust retro 0.3\n1.5 velocity A 0.1 -2 3e5\n"
        "2 place A at B 0.5 1e-9 0\n3 dock A 0 B 1\n3 undock A 0\n4 save x\n5 focus B\n";
    std::uint32_t state = 99;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    const char alphabet[] = {'\n', '\0', '+', ' ', '#', '.', '-', 'e', '9', 'x', '\xfe'};
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = original;
        const int edits = 1 + static_cast<int>(next() % 2);
        for (int k = 0; k < edits; ++k) {
            const std::size_t at = next() % (text.size() + 1);
            if (next() % 2 == 0) {
                text.insert(at, 1, alphabet[next() % sizeof alphabet]);
            } else if (at < text.size()) {
                text.erase(at, 1 + next() % 3);
            }
        }
        vemosim::Timeline t;
        sim::InputError e;
        if (!parse(text, t, e)) {
            EXPECT_GE(e.line, 1);
            EXPECT_FALSE(e.message.empty());
            continue;
        }
        accepted += t.actions.empty() ? 0 : 1;
        for (std::size_t i = 0; i < t.actions.size(); ++i) {
            if (i > 0) {
                EXPECT_LE(t.actions[i - 1].time, t.actions[i].time);
                EXPECT_LT(t.actions[i - 1].line, t.actions[i].line);
            }
            const std::string line = "0 " + vemosim::describeAction(t.actions[i]);
            vemosim::Timeline back;
            ASSERT_TRUE(parse(line, back, e)) << line << ": " << e.text();
            ASSERT_EQ(back.actions.size(), 1u) << line;
            EXPECT_TRUE(sameAction(back.actions[0], t.actions[i])) << line;
        }
    }
    EXPECT_GT(accepted, 100);
}

}  // namespace
