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
}

TEST_F(HostTest, DelayedKeyCountsSimulationTime) {
    makeScriptWorld({".", 1, 0.25});
    EXPECT_TRUE(oapiAcceptDelayedKey(OAPI_KEY_K, 1.0));
    EXPECT_FALSE(oapiAcceptDelayedKey(OAPI_KEY_K, 1.0)) << "no time has passed";
    EXPECT_TRUE(oapiAcceptDelayedKey(OAPI_KEY_E, 1.0)) << "each key has its own delay";
    world->step(3);  // 0.75 s
    EXPECT_FALSE(oapiAcceptDelayedKey(OAPI_KEY_K, 1.0));
    world->step(1);  // 1.0 s
    EXPECT_TRUE(oapiAcceptDelayedKey(OAPI_KEY_K, 1.0));
    EXPECT_FALSE(oapiAcceptDelayedKey(OAPI_KEY_K, 1.0));
    // Key codes above 127 arrive as negative chars and must still have their own slot.
    EXPECT_TRUE(oapiAcceptDelayedKey(static_cast<char>(0x9D), 1.0));
    EXPECT_FALSE(oapiAcceptDelayedKey(static_cast<char>(0x9D), 1.0));
}
