// Timelines: what a run does at which simulation time.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "Timeline.h"

namespace {

bool Parse(const std::string &text, sim::Timeline &out, sim::InputError &error) {
    return sim::ParseTimelineText(text, "run.tl", out, error);
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
    sim::Timeline t;
    sim::InputError e;
    ASSERT_TRUE(Parse(text, t, e)) << e.Text();
    EXPECT_EQ(t.fileName, "run.tl");
    ASSERT_EQ(t.actions.size(), 10u);

    const sim::TimelineAction &k = t.actions[0];
    EXPECT_EQ(k.kind, sim::ActionKind::Key);
    EXPECT_DOUBLE_EQ(k.time, 0.5);
    EXPECT_EQ(k.line, 3);
    EXPECT_EQ(k.keys, std::vector<int>{OAPI_KEY_K});

    EXPECT_EQ(t.actions[1].keys, (std::vector<int>{0x2A, OAPI_KEY_E}));

    const sim::TimelineAction &th = t.actions[2];
    EXPECT_EQ(th.kind, sim::ActionKind::Thrust);
    EXPECT_EQ(th.group, THGROUP_RETRO);
    EXPECT_DOUBLE_EQ(th.level, 0.3);

    const sim::TimelineAction &v = t.actions[3];
    EXPECT_EQ(v.kind, sim::ActionKind::Velocity);
    EXPECT_EQ(v.vessel, "Pod1");
    EXPECT_DOUBLE_EQ(v.vec[0], 1.0);
    EXPECT_DOUBLE_EQ(v.vec[1], -2.5);
    EXPECT_DOUBLE_EQ(v.vec[2], 300.0);

    EXPECT_EQ(t.actions[4].kind, sim::ActionKind::Position);
    EXPECT_DOUBLE_EQ(t.actions[4].vec[2], 7.0);

    const sim::TimelineAction &p = t.actions[5];
    EXPECT_EQ(p.kind, sim::ActionKind::Place);
    EXPECT_EQ(p.vessel, "Vemo_Pilot_One");
    EXPECT_EQ(p.other, "Pod1");
    EXPECT_DOUBLE_EQ(p.vec[0], 0.5);

    const sim::TimelineAction &d = t.actions[6];
    EXPECT_EQ(d.kind, sim::ActionKind::Dock);
    EXPECT_EQ(d.vessel, "Pod1");
    EXPECT_EQ(d.port, 0);
    EXPECT_EQ(d.other, "Pod2");
    EXPECT_EQ(d.otherPort, 1);

    EXPECT_EQ(t.actions[7].kind, sim::ActionKind::Undock);
    EXPECT_EQ(t.actions[8].kind, sim::ActionKind::Focus);
    EXPECT_EQ(t.actions[8].vessel, "Pod2");
    EXPECT_EQ(t.actions[9].kind, sim::ActionKind::Save);
    EXPECT_EQ(t.actions[9].file, "out/mid.scn");
    EXPECT_EQ(t.actions[9].line, 12);
}

TEST(Timeline, DescribedActionsParseBackTheSame) {
    const char text[] =
        "0.1 key numpad0+LCONTROL+0x99\n"
        "0.25 thrust pitchdown 1\n"
        "1.5e0 velocity A 0.1 -0.2 123456.789\n"
        "1.5 place A at B -0.5 1e-9 2\n"
        "2 dock A 3 B 999\n"
        "2 undock B 999\n"
        "3 focus B\n"
        "4 save x.scn\n";
    sim::Timeline t;
    sim::InputError e;
    ASSERT_TRUE(Parse(text, t, e)) << e.Text();
    for (const sim::TimelineAction &a : t.actions) {
        const std::string line = "5 " + sim::DescribeAction(a);
        sim::Timeline back;
        ASSERT_TRUE(Parse(line, back, e)) << line << ": " << e.Text();
        ASSERT_EQ(back.actions.size(), 1u);
        const sim::TimelineAction &b = back.actions[0];
        EXPECT_EQ(b.kind, a.kind) << line;
        EXPECT_EQ(b.keys, a.keys) << line;
        EXPECT_EQ(b.group, a.group) << line;
        EXPECT_EQ(b.level, a.level) << line;
        EXPECT_EQ(b.vessel, a.vessel) << line;
        EXPECT_EQ(b.other, a.other) << line;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(b.vec[i], a.vec[i]) << line;
        }
        EXPECT_EQ(b.port, a.port) << line;
        EXPECT_EQ(b.otherPort, a.otherPort) << line;
        EXPECT_EQ(b.file, a.file) << line;
    }
    EXPECT_EQ(sim::DescribeAction(t.actions[0]), "key NUMPAD0+LCONTROL+0x99");
}

TEST(Timeline, KeyAndGroupNames) {
    EXPECT_EQ(sim::KeyFromName("K"), OAPI_KEY_K);
    EXPECT_EQ(sim::KeyFromName("e"), OAPI_KEY_E);
    EXPECT_EQ(sim::KeyFromName("ctrl"), sim::KeyFromName("LCONTROL"));
    EXPECT_EQ(sim::KeyFromName("0x25"), OAPI_KEY_K);
    EXPECT_EQ(sim::KeyFromName("1"), 0x02) << "digits name the digit keys, not codes";
    EXPECT_EQ(sim::KeyFromName("0x00"), -1);
    EXPECT_EQ(sim::KeyFromName("0x100"), -1);
    EXPECT_EQ(sim::KeyFromName("0x"), -1);
    EXPECT_EQ(sim::KeyFromName("KK"), -1);
    EXPECT_EQ(sim::KeyFromName(""), -1);
    // Every code has a name that leads back to it.
    for (int code = 1; code <= 255; ++code) {
        EXPECT_EQ(sim::KeyFromName(sim::KeyName(code)), code) << sim::KeyName(code);
    }

    for (int g = THGROUP_MAIN; g <= THGROUP_ATT_BACK; ++g) {
        THGROUP_TYPE back = THGROUP_USER;
        const char *name = sim::ThrusterGroupName(static_cast<THGROUP_TYPE>(g));
        ASSERT_TRUE(sim::ThrusterGroupFromName(name, back)) << name;
        EXPECT_EQ(back, g) << name;
    }
    THGROUP_TYPE group = THGROUP_MAIN;
    EXPECT_TRUE(sim::ThrusterGroupFromName("USER", group));
    EXPECT_EQ(group, THGROUP_USER);
    EXPECT_TRUE(sim::ThrusterGroupFromName("YawLeft", group));
    EXPECT_EQ(group, THGROUP_ATT_YAWLEFT);
    EXPECT_TRUE(sim::ThrusterGroupFromName("forward", group));
    EXPECT_EQ(group, THGROUP_ATT_FORWARD);
    EXPECT_FALSE(sim::ThrusterGroupFromName("sideways", group));
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
        {"inf key K\n", 1, "expected a time"},
        {"1,5 key K\n", 1, "expected a time"},
        {"# c\n1.0\n", 2, "expected an action"},
        {"1 jump\n", 1, "unknown action"},
        {"1 key\n", 1, "expected: TIME key"},
        {"1 key K E\n", 1, "expected: TIME key"},
        {"1 key Q+\n", 1, "unknown key ''"},
        {"1 key HYPER\n", 1, "unknown key 'HYPER'"},
        {"1 key K+k\n", 1, "named twice"},
        {"1 key 1+2+3+4+5+6+7+8+9\n", 1, "more than 8 keys"},
        {"1 thrust warp 1\n", 1, "unknown thruster group"},
        {"1 thrust main 1.5\n", 1, "from 0 to 1"},
        {"1 thrust main -0.1\n", 1, "from 0 to 1"},
        {"1 thrust main\n", 1, "thrust GROUP LEVEL"},
        {"1 velocity Pod1 1 2\n", 1, "velocity VESSEL X Y Z"},
        {"1 position Pod1 1 2 z\n", 1, "expected a number, got 'z'"},
        {"1 position A:B 1 2 3\n", 1, "invalid vessel name"},
        {"1 place A near B 0 0 0\n", 1, "expected 'at'"},
        {"1 place A at A 0 0 0\n", 1, "relative to itself"},
        {"1 dock A 0 A 1\n", 1, "dock with itself"},
        {"1 dock A -1 B 0\n", 1, "docking port"},
        {"1 dock A 0 B 1000\n", 1, "docking port"},
        {"1 undock A x\n", 1, "docking port"},
        {"1 focus\n", 1, "focus VESSEL"},
        {"1 save\n", 1, "save FILE"},
        {"1 save out/\n", 1, "not a folder"},
        {"2 key K\n1 key E\n", 2, "comes before 2 on line 1"},
    };
    for (const BadLine &c : cases) {
        sim::Timeline t;
        sim::InputError e;
        EXPECT_FALSE(Parse(c.text, t, e)) << c.text;
        EXPECT_EQ(e.file, "run.tl");
        EXPECT_EQ(e.line, c.line) << c.text << e.Text();
        EXPECT_NE(e.message.find(c.words), std::string::npos) << c.text << e.Text();
    }

    sim::Timeline t;
    sim::InputError e;
    std::string nul = "1 key K\n2 key E";
    nul += '\0';
    EXPECT_FALSE(Parse(nul, t, e));
    EXPECT_EQ(e.line, 2);
    EXPECT_FALSE(Parse("1 save " + std::string(300, 'x') + "\n", t, e));
    EXPECT_NE(e.message.find("longer than"), std::string::npos);
    EXPECT_FALSE(sim::ReadTimelineFile("/nonexistent/run.tl", t, e));
    EXPECT_EQ(e.line, 0);
    EXPECT_EQ(e.file, "/nonexistent/run.tl");
}

// Any bytes give a timeline or an error on a real line; what is accepted is in time order.
TEST(Timeline, SurvivesDamagedInput) {
    const std::string original =
        "0.5 key K+E\n1 thrust retro 0.3\n2 place A at B 0.5 0 0\n3 dock A 0 B 1\n4 save x\n";
    std::uint32_t state = 99;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    const char alphabet[] = {'\n', '\0', '+', ' ', '#', '.', '-', 'e', '9', 'x', '\xfe'};
    for (int round = 0; round < 3000; ++round) {
        std::string text = original;
        for (int k = 0; k < 3; ++k) {
            const std::size_t at = next() % (text.size() + 1);
            if (next() % 2 == 0) {
                text.insert(at, 1, alphabet[next() % sizeof alphabet]);
            } else if (at < text.size()) {
                text.erase(at, 1 + next() % 6);
            }
        }
        sim::Timeline t;
        sim::InputError e;
        if (!Parse(text, t, e)) {
            EXPECT_GE(e.line, 1);
            EXPECT_FALSE(e.message.empty());
            continue;
        }
        for (std::size_t i = 1; i < t.actions.size(); ++i) {
            EXPECT_LE(t.actions[i - 1].time, t.actions[i].time);
            EXPECT_LT(t.actions[i - 1].line, t.actions[i].line);
        }
    }
}

}  // namespace
