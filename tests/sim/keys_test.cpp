// The keyboard: key names, buffered key events for the focus vessel, delayed keys.
#include "script_vessel.h"

using Strings = std::vector<std::string>;

TEST(KeyNames, EveryCodeHasANameThatLeadsBackToIt) {
    EXPECT_EQ(sim::keyFromName("K"), OAPI_KEY_K);
    EXPECT_EQ(sim::keyFromName("e"), OAPI_KEY_E);
    EXPECT_EQ(sim::keyFromName("ctrl"), sim::keyFromName("LCONTROL"));
    EXPECT_EQ(sim::keyFromName("0x25"), OAPI_KEY_K);
    EXPECT_EQ(sim::keyFromName("1"), 0x02) << "digits name the digit keys, not codes";
    EXPECT_EQ(sim::keyFromName("0x00"), -1);
    EXPECT_EQ(sim::keyFromName("0x100"), -1);
    EXPECT_EQ(sim::keyFromName("KK"), -1);
    EXPECT_EQ(sim::keyName(0x99), "0x99");
    // Every code has a name that leads back to it.
    for (int code = 1; code <= 255; ++code) {
        EXPECT_EQ(sim::keyFromName(sim::keyName(code)), code) << sim::keyName(code);
    }
}

TEST_F(HostTest, KeyEventsReachTheFocusVesselWithHeldKeys) {
    OBJHANDLE a = make("A");
    make("B");
    world->setFocus(a);
    std::vector<int> held;
    DWORD gotKey = 0;
    ScriptVessel::hooks.key = [&](ScriptVessel &v, DWORD key, bool down, char *kstate) {
        gotKey = key;
        held.clear();
        for (int i = 0; i < 256; ++i)
            if (KEYDOWN(kstate, i))
                held.push_back(i);
        return key == OAPI_KEY_K ? 1 : 0;
    };
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_K, true, {OAPI_KEY_E}));
    EXPECT_EQ(gotKey, static_cast<DWORD>(OAPI_KEY_K));
    EXPECT_EQ(held, (std::vector<int>{OAPI_KEY_E, OAPI_KEY_K}));
    EXPECT_FALSE(world->keyEvent(OAPI_KEY_E));
    EXPECT_EQ(held, (std::vector<int>{OAPI_KEY_E}));
    EXPECT_FALSE(world->keyEvent(OAPI_KEY_E, false));
    EXPECT_TRUE(held.empty()) << "a released key is not held";
    EXPECT_EQ(gotKey, static_cast<DWORD>(OAPI_KEY_E)) << "releases reach the vessel too";
    EXPECT_EQ(entries("key"), (Strings{"key A", "key A", "key A"}));

    auto keys = testsupport::events(*world, sim::ev::kKey, "A");
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_NE(keys[0].text.find("K+E pressed on A: consumed"), std::string::npos) << keys[0].text;
    EXPECT_NE(keys[1].text.find("not consumed"), std::string::npos) << keys[1].text;

    // The log names keys as timelines do, and a key without a name by its code.
    world->keyEvent(0x01);  // Esc
    world->keyEvent(0x99);
    keys = testsupport::events(*world, sim::ev::kKey, "A");
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_NE(keys[3].text.find("key ESCAPE pressed"), std::string::npos) << keys[3].text;
    EXPECT_NE(keys[4].text.find("key 0x99 pressed"), std::string::npos) << keys[4].text;

    // Shift, Ctrl and Alt are read from the key state, either key of each.
    bool shift = false, ctrl = false, alt = false;
    ScriptVessel::hooks.key = [&](ScriptVessel &, DWORD, bool, char *kstate) {
        shift = KEYMOD_SHIFT(kstate);
        ctrl = KEYMOD_CONTROL(kstate);
        alt = KEYMOD_ALT(kstate);
        return 0;
    };
    world->keyEvent(OAPI_KEY_E, true, {OAPI_KEY_RSHIFT, OAPI_KEY_LALT});
    EXPECT_TRUE(shift && alt && !ctrl);
    world->keyEvent(OAPI_KEY_RCONTROL, false, {OAPI_KEY_E});
    EXPECT_FALSE(shift || alt || ctrl) << "the released Ctrl is up";
    world->keyEvent(OAPI_KEY_RCONTROL, true);
    EXPECT_TRUE(ctrl);
}

// The keyboard is read once a frame: every event of the frame gets that one state, so a key
// pressed and released within the frame arrives as a press that shows it up. The kinder host
// hands each event the state of its own moment.
TEST_F(HostTest, KeyEventsOfAFrameShareOneKeyboardSnapshot) {
    const std::vector<sim::KeyInput> frame = {
        {OAPI_KEY_K, true}, {OAPI_KEY_E, true}, {OAPI_KEY_K, false}};
    const struct {
        sim::KeyStates states;
        std::vector<std::string> seen;  // K and E down in each event's state
    } cases[] = {
        {sim::KeyStates::kFrameSnapshot, {"-E", "-E", "-E"}},
        {sim::KeyStates::kPerEvent, {"K-", "KE", "-E"}},
    };
    for (const auto &c : cases) {
        sim::WorldOptions options;
        options.keyStates = c.states;
        makeScriptWorld(options);
        world->setFocus(make("A"));
        std::vector<std::string> seen;
        ScriptVessel::hooks.key = [&](ScriptVessel &, DWORD, bool, char *kstate) {
            seen.push_back(std::string(KEYDOWN(kstate, OAPI_KEY_K) ? "K" : "-") +
                           (KEYDOWN(kstate, OAPI_KEY_E) ? "E" : "-"));
            return 0;
        };
        world->keyFrame(frame);
        EXPECT_EQ(seen, c.seen) << static_cast<int>(c.states);
    }
}

// One key for the whole host, as the simulator remembers it: the same key is refused within
// the interval unless in the same frame, and any other key accepted takes its place.
TEST_F(HostTest, DelayedKeyRemembersOneKeyForTheWholeHost) {
    makeScriptWorld({".", 1, 0.25});
    EXPECT_TRUE(oapiAcceptDelayedKey(OAPI_KEY_K, 1.0));
    EXPECT_TRUE(oapiAcceptDelayedKey(OAPI_KEY_K, 1.0)) << "again in the same frame";
    world->step(1);  // 0.25 s
    EXPECT_FALSE(oapiAcceptDelayedKey(OAPI_KEY_K, 1.0));
    EXPECT_TRUE(oapiAcceptDelayedKey(OAPI_KEY_E, 1.0)) << "another key";
    world->step(1);  // 0.5 s
    EXPECT_TRUE(oapiAcceptDelayedKey(OAPI_KEY_K, 1.0)) << "E took K's place";
    world->step(3);  // 1.25 s
    EXPECT_FALSE(oapiAcceptDelayedKey(OAPI_KEY_K, 1.0));
    world->step(1);  // 1.5 s: a whole second since K
    EXPECT_TRUE(oapiAcceptDelayedKey(OAPI_KEY_K, 1.0));
    // Key codes above 127 arrive as negative chars and are keys like any other.
    EXPECT_TRUE(oapiAcceptDelayedKey(static_cast<char>(0x9D), 1.0));
    world->step(1);
    EXPECT_FALSE(oapiAcceptDelayedKey(static_cast<char>(0x9D), 1.0));

    // A frame's callbacks share its time: what its pre-step accepts, its post-step gets too,
    // and the next frame's pre-step does not. A key between two steps is in the next frame.
    std::vector<bool> answers;
    ScriptVessel::hooks.preStep = [&](ScriptVessel &, double, double) {
        answers.push_back(oapiAcceptDelayedKey(OAPI_KEY_E, 1.0));
    };
    ScriptVessel::hooks.postStep = ScriptVessel::hooks.preStep;
    make("A");
    EXPECT_TRUE(oapiAcceptDelayedKey(OAPI_KEY_E, 1.0));
    world->step(2);
    EXPECT_EQ(answers, (std::vector<bool>{true, true, false, false}));
}
