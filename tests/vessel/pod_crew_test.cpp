// The capsule's crew: scenario lines, the airlock, the keys that deploy and send crew out.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "pod_support.h"

using namespace podtest;
using sim::vec;
using sim::operator+;
using testsupport::rec;

namespace {

class PodCrew : public PodWorldTest {
protected:
    void SetUp() override {
        PodWorldTest::SetUp();
        registerWalker(*world);
    }
    const sim::VesselRecord &p(OBJHANDLE h) { return rec(*world, h); }
    std::vector<std::string> parserLines(const std::string &vessel) {
        std::vector<std::string> out;
        for (const sim::Event &e : testsupport::events(*world, sim::ev::kScenarioLine, vessel))
            out.push_back(e.text);
        return out;
    }
    std::vector<std::string> savedCrew(const std::string &vessel) {
        sim::ScenarioFile scn = world->save();
        const sim::ShipBlock *b = findBlock(scn, vessel);
        return b ? crewLines(*b) : std::vector<std::string>{"<no block>"};
    }
    // Steps until the vessel is gone or the time runs out; true if it went.
    bool stepUntilGone(const std::string &name, double seconds) {
        double end = world->time() + seconds;
        while (world->find(name) && world->time() < end)
            world->step(1);
        return world->find(name) == nullptr;
    }
};

std::string Parsed(const std::string &line) {
    return "default parser got \"" + line + "\"";
}

}  // namespace

// --- Scenario lines ----------------------------------------------------------------------

TEST_F(PodCrew, CrewLinesAreTakenAndEveryOtherLineReachesTheHostInOrder) {
    const std::vector<std::string> lines = {
        "FOO 1",
        "VEMOCREW A01-John_Doe-35-72-80",
        "STATUS Orbiting Earth",
        "VEMOCREW B2-Jane-30-70-60",  // the capsule has one seat: refused, handed on
        "BAR 2",
        "VEMOCREW A01--35-72-80",  // malformed: handed on
    };
    OBJHANDLE pod = loadShips(*world, {podBlock("Pod", lines)});
    ASSERT_NE(pod, nullptr);
    EXPECT_EQ(parserLines("Pod"),
              (std::vector<std::string>{Parsed("FOO 1"), Parsed("VEMOCREW B2-Jane-30-70-60"),
                                        Parsed("BAR 2"), Parsed("VEMOCREW A01--35-72-80")}));
    // Refused crew lines are written back as read, after the roster's: saving loses nobody.
    EXPECT_EQ(savedCrew("Pod"),
              (std::vector<std::string>{"VEMOCREW A01-John_Doe-35-72-80",
                                        "VEMOCREW B2-Jane-30-70-60", "VEMOCREW A01--35-72-80"}));
}

TEST_F(PodCrew, MemberBeyondTheSeatSurvivesRepeatedSaves) {
    OBJHANDLE pod = loadShips(
        *world, {podBlock("Pod", {"VEMOCREW A01-John_Doe-35-72-80", "VEMOCREW B2-Jane-30-70-60"})});
    ASSERT_NE(pod, nullptr);
    const std::vector<std::string> both = {"VEMOCREW A01-John_Doe-35-72-80",
                                           "VEMOCREW B2-Jane-30-70-60"};
    for (int round = 0; round < 3; ++round) {
        sim::ScenarioFile scn = world->save();
        const sim::ShipBlock *b = findBlock(scn, "Pod");
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(crewLines(*b), both) << "round " << round;
        makeWorld();
        std::string error;
        ASSERT_TRUE(world->load(scn, &error)) << error;
    }
}

// However many crew lines a block holds and however long they are, every member comes back
// from every save: the one in the seat, and all the others as they were read.
TEST_F(PodCrew, EveryCrewLineOfABlockSurvivesSaving) {
    std::vector<std::string> lines;
    for (int i = 0; i < 20; ++i) {
        lines.push_back("VEMOCREW M" + std::to_string(i) + "-Member_" +
                        std::string(1, char('A' + i)) + "-30-70-80");
    }
    lines.push_back("VEMOCREW Z9-Tail-35-72-80 " + std::string(400, 'x'));
    ASSERT_NE(loadShips(*world, {podBlock("Pod", lines)}), nullptr);
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(savedCrew("Pod"), lines) << "round " << round;
        const sim::ScenarioFile scn = world->save();
        makeWorld();
        std::string error;
        ASSERT_TRUE(world->load(scn, &error)) << error;
    }
}

TEST_F(PodCrew, EmptyBlockTouchesNeitherCrewNorHostParser) {
    world->setTraceNew(true);
    sim::ShipBlock empty = podBlock("Pod");
    empty.lines.clear();
    OBJHANDLE pod = loadShips(*world, {empty});
    ASSERT_NE(pod, nullptr);
    const std::vector<std::string> &trace = p(pod).trace;
    auto first = std::find(trace.begin(), trace.end(), "oapiReadScenario_nextline");
    ASSERT_NE(first, trace.end());
    // Nothing after the one read that found the block empty: no parser call, and no crew
    // loader (whose first line would republish the airlock).
    EXPECT_EQ(std::vector<std::string>(first, trace.end()),
              std::vector<std::string>{"oapiReadScenario_nextline"});
    EXPECT_TRUE(parserLines("Pod").empty());
}

TEST_F(PodCrew, SavingWritesHostLinesFirstAndCrewLast) {
    loadCrewedPod(*world);
    sim::ScenarioFile scn = world->save();
    const sim::ShipBlock *b = findBlock(scn, "Pod");
    ASSERT_NE(b, nullptr);
    ASSERT_GE(b->lines.size(), 2u);
    EXPECT_EQ(b->lines.front().rfind("STATUS", 0), 0u);
    EXPECT_EQ(b->lines.back(), "VEMOCREW A01-John_Doe-35-72-80");
    EXPECT_EQ(crewLines(*b).size(), 1u);
}

TEST_F(PodCrew, SavedMemberComesBackAndStaysHidden) {
    loadCrewedPod(*world);
    world->step(5);
    sim::ScenarioFile scn = world->save();
    makeWorld();
    std::string error;
    ASSERT_TRUE(world->load(scn, &error)) << error;
    OBJHANDLE pod = world->find("Pod");
    ASSERT_NE(pod, nullptr);
    EXPECT_EQ(meshVisibility(p(pod), kCrewMesh), 0);
    EXPECT_EQ(meshVisibility(p(pod), kCrewCockpitMesh), 0);
    EXPECT_TRUE(parserLines("Pod").empty());
    EXPECT_EQ(savedCrew("Pod"), (std::vector<std::string>{"VEMOCREW A01-John_Doe-35-72-80"}));
}

// --- Coming back aboard ---------------------------------------------------------------------

TEST_F(PodCrew, MemberWalkingIntoTheAirlockIsTakenAboardAndShown) {
    OBJHANDLE pod = loadShips(*world, {podBlock("Pod")});
    OBJHANDLE other =
        testsupport::create(*world, "Other", kWalkerClass, testsupport::kOrbit + vec(1e4, 0, 0));
    world->setFocus(other);
    makeWalker(*world, "Vemo_X1-Pilot_One", pod, vec(1.5, -1.0, 2.0), 35, 72, 80);
    ASSERT_TRUE(stepUntilGone("Vemo_X1-Pilot_One", 1.0));
    EXPECT_EQ(world->focus(), pod);
    EXPECT_EQ(meshVisibility(p(pod), kCrewMesh), 1);
    EXPECT_EQ(meshVisibility(p(pod), kCrewCockpitMesh), 2);
    EXPECT_EQ(p(pod).emptyMass, 180.0);
    EXPECT_EQ(savedCrew("Pod"), (std::vector<std::string>{"VEMOCREW X1-Pilot_One-35-72-80"}));
}

TEST_F(PodCrew, MemberArrivingByTransferLeavesTheCrewHidden) {
    OBJHANDLE pod = loadShips(*world, {podBlock("Pod")});
    OBJHANDLE other =
        testsupport::create(*world, "Other", kWalkerClass, testsupport::kOrbit + vec(1e4, 0, 0));
    world->setFocus(other);
    // The hand-over record a sending vessel leaves for the capsule.
    unsigned char record[104] = {};
    std::snprintf(reinterpret_cast<char *>(record), 40, "Vemo_B2-Jane Roe");
    const std::int32_t values[6] = {30, 70, 100, 60, 0, 0};
    std::memcpy(record + 80, values, sizeof values);
    root->write("config/VemotmpT.cfg", std::string(reinterpret_cast<char *>(record), 104));
    makeWalker(*world, "VemoTPod", pod, vec(500, 0, 0), 30, 70, 60);  // far outside the box

    ASSERT_TRUE(stepUntilGone("VemoTPod", 1.0));
    EXPECT_EQ(world->focus(), other);
    EXPECT_EQ(meshVisibility(p(pod), kCrewMesh), 0);
    EXPECT_EQ(meshVisibility(p(pod), kCrewCockpitMesh), 0);
    EXPECT_FALSE(root->exists("config/VemotmpT.cfg"));
    EXPECT_EQ(savedCrew("Pod"), (std::vector<std::string>{"VEMOCREW B2-Jane_Roe-30-70-60"}));
}

// --- Keys -------------------------------------------------------------------------------------

TEST_F(PodCrew, DeployKeyNeedsSomeoneAboard) {
    OBJHANDLE pod = loadShips(*world, {podBlock("Pod")});
    EXPECT_FALSE(world->keyEvent(OAPI_KEY_K)) << "the host may use the key";
    world->step(50);
    EXPECT_EQ(deployState(p(pod)), 0.0);
}

TEST_F(PodCrew, DeployKeyWinsOverEvaAndSwallowsEveryEventWhileHeld) {
    OBJHANDLE pod = loadCrewedPod(*world);
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_E, true, {OAPI_KEY_K}));
    world->step(5);
    EXPECT_GT(deployState(p(pod)), 0.0);
    EXPECT_EQ(world->vessels().size(), 1u) << "no crew-member vessel";
    EXPECT_EQ(savedCrew("Pod").size(), 1u);
    // Any event while K is held is taken, whatever its own key, down or up.
    EXPECT_TRUE(world->keyEvent(0x1E, true, {OAPI_KEY_K}));
    EXPECT_TRUE(world->keyEvent(0x1E, false, {OAPI_KEY_K}));
    EXPECT_EQ(world->vessels().size(), 1u);
}

// The host reports releases too, with a key state that may still show K or E held. A release is taken as a press would be, but it never deploys the capsule nor
// sends anyone out: only presses do.
TEST_F(PodCrew, ReleasesAreTakenButStartNothing) {
    OBJHANDLE pod = loadCrewedPod(*world);
    // K comes up while E is still held; E comes up while the state still shows it.
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_K, false, {OAPI_KEY_E}));
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_E, false, {OAPI_KEY_E}));
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_K, false, {OAPI_KEY_K}));
    EXPECT_FALSE(world->keyEvent(OAPI_KEY_E, false)) << "nothing held: passed on";
    world->step(10);
    EXPECT_EQ(world->vessels().size(), 1u) << "nobody went out";
    EXPECT_EQ(savedCrew("Pod").size(), 1u);
    EXPECT_EQ(deployState(p(pod)), 0.0);
    EXPECT_EQ(world->focus(), pod);
    // The presses themselves do what they always did.
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_K));
    world->step(1);
    EXPECT_GT(deployState(p(pod)), 0.0);
    world->runUntil(world->time() + 1.0);
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_E));
    EXPECT_NE(world->find("Vemo_A01-John_Doe"), nullptr);
}

// The keyboard is read once a frame: K or E tapped within one frame arrives as a press whose
// state already shows it up, and acts as a held key does; a release alone starts nothing.
TEST_F(PodCrew, KeysActWhetherTappedWithinAFrameOrHeld) {
    const struct {
        const char *name;
        std::vector<sim::KeyInput> frame;
        bool deployed, out;
    } cases[] = {
        {"K tapped", {{OAPI_KEY_K, true}, {OAPI_KEY_K, false}}, true, false},
        {"K held", {{OAPI_KEY_K, true}}, true, false},
        {"K released", {{OAPI_KEY_K, false}}, false, false},
        {"E tapped", {{OAPI_KEY_E, true}, {OAPI_KEY_E, false}}, false, true},
        {"E held", {{OAPI_KEY_E, true}}, false, true},
        {"E released", {{OAPI_KEY_E, false}}, false, false},
    };
    for (const auto &c : cases) {
        makeWorld();
        registerWalker(*world);
        OBJHANDLE pod = loadCrewedPod(*world);
        const std::vector<bool> consumed = world->keyFrame(c.frame);
        EXPECT_EQ(consumed.front(), c.frame.front().down) << c.name;
        world->step(1);
        EXPECT_EQ(deployState(p(pod)) > 0.0, c.deployed) << c.name;
        EXPECT_EQ(world->find("Vemo_A01-John_Doe") != nullptr, c.out) << c.name;
    }
}

// Shift, Ctrl or Alt held change nothing: the capsule decides from K and E alone.
TEST_F(PodCrew, ModifierKeysHeldChangeNothing) {
    OBJHANDLE pod = loadCrewedPod(*world);
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_K, true, {OAPI_KEY_LCONTROL}));
    world->step(1);
    EXPECT_GT(deployState(p(pod)), 0.0);
    world->runUntil(world->time() + 1.0);
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_E, true, {OAPI_KEY_RSHIFT, OAPI_KEY_LALT}));
    EXPECT_NE(world->find("Vemo_A01-John_Doe"), nullptr);
}

TEST_F(PodCrew, EvaKeyWithNobodyAboardIsTakenButDoesNothing) {
    world->setTraceNew(true);
    sim::ShipBlock empty = podBlock("Pod");
    empty.lines.clear();
    OBJHANDLE pod = loadShips(*world, {empty});
    size_t before = p(pod).trace.size();
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_E));
    std::vector<std::string> calls(p(pod).trace.begin() + before, p(pod).trace.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "oapiAcceptDelayedKey"), calls.end());
    EXPECT_EQ(world->vessels().size(), 1u);
    EXPECT_EQ(world->focus(), pod);
}

TEST_F(PodCrew, EvaSendsTheMemberOutAndFollowsThem) {
    OBJHANDLE pod = loadShips(*world, {podBlock("Pod")});
    // Bring a member in through the airlock first, so the crew is shown and weighs.
    makeWalker(*world, "Vemo_X1-Pilot_One", pod, vec(0, 1, 0));
    ASSERT_TRUE(stepUntilGone("Vemo_X1-Pilot_One", 1.0));
    ASSERT_EQ(meshVisibility(p(pod), kCrewMesh), 1);
    ASSERT_EQ(p(pod).emptyMass, 180.0);
    world->step(10);  // past the key delay

    EXPECT_TRUE(world->keyEvent(OAPI_KEY_E));
    OBJHANDLE eva = world->find("Vemo_X1-Pilot_One");
    ASSERT_NE(eva, nullptr);
    EXPECT_EQ(p(eva).className, "Vemo");
    EXPECT_EQ(world->focus(), eva);
    EXPECT_EQ(p(pod).emptyMass, 100.0);
    EXPECT_EQ(meshVisibility(p(pod), kCrewMesh), 0);
    EXPECT_EQ(meshVisibility(p(pod), kCrewCockpitMesh), 0);
    EXPECT_TRUE(savedCrew("Pod").empty());
}

TEST_F(PodCrew, EvaKeyRepeatedWithinASecondIsIgnored) {
    OBJHANDLE pod = loadShips(*world, {podBlock("Pod")});
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_E));  // accepted, nobody aboard
    makeWalker(*world, "Vemo_X1-Pilot_One", pod, vec(0, 0, 1));
    ASSERT_TRUE(stepUntilGone("Vemo_X1-Pilot_One", 0.5));
    ASSERT_LT(world->time(), 1.0);
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_E));  // within the second: no EVA
    EXPECT_EQ(world->find("Vemo_X1-Pilot_One"), nullptr);
    EXPECT_EQ(savedCrew("Pod").size(), 1u);
    world->runUntil(1.05);
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_E));
    EXPECT_NE(world->find("Vemo_X1-Pilot_One"), nullptr);
    EXPECT_TRUE(savedCrew("Pod").empty());
}

// --- Every kind of step --------------------------------------------------------------------

// The step skips what the capsule's state rules out, but whatever the state, the host calls
// it makes come in one order: deployment and engine, the animation, the returning crew.
TEST_F(PodCrew, EveryKindOfStepMakesItsHostCallsInOneOrder) {
    world->setTraceNew(true);
    OBJHANDLE pod = loadShips(*world, {podBlock("Pod", {kCrewLine}), podBlock("Free")});
    OBJHANDLE free = world->find("Free");
    ASSERT_NE(free, nullptr);
    world->step(3);
    using Calls = std::vector<std::string>;
    auto oneStep = [&](OBJHANDLE h) {
        const size_t before = p(h).trace.size();
        world->step(1);
        return Calls(p(h).trace.begin() + before, p(h).trace.end());
    };
    auto startsWith = [](const Calls &calls, const Calls &head) {
        return calls.size() >= head.size() && std::equal(head.begin(), head.end(), calls.begin());
    };

    // Seat free: the look for returning crew follows the animation (the frame's slice of the
    // module's walk, when this capsule is the first to look, follows that).
    EXPECT_TRUE(startsWith(oneStep(free), {"SetAnimation", "oapiGetSimTime"}));
    // From here on nobody scans, and the trace of the capsule holds its own calls only.
    ASSERT_TRUE(world->deleteVessel(free));
    world->step(1);                                  // Free goes at the end of this frame
    EXPECT_EQ(oneStep(pod), Calls{"SetAnimation"});  // stowed, seat taken

    ASSERT_TRUE(world->keyEvent(OAPI_KEY_K));
    EXPECT_EQ(oneStep(pod), (Calls{"oapiGetSimStep", "SetAnimation"}));
    world->step(40);  // deployed, engine made
    ASSERT_NE(retroGroup(p(pod)), nullptr);
    EXPECT_EQ(oneStep(pod), (Calls{"GetThrusterGroupLevel", "SetAnimation"}));

    // Out on EVA: the deployed capsule's seat is free, so it looks for crew again.
    world->step(10);  // past the key delay
    ASSERT_TRUE(world->keyEvent(OAPI_KEY_E));
    ASSERT_NE(world->focus(), pod);
    EXPECT_TRUE(
        startsWith(oneStep(pod), {"GetThrusterGroupLevel", "SetAnimation", "oapiGetSimTime"}));
}

// --- Without a working companion --------------------------------------------------------------

// The companion's module without its class config: in the simulator, making the first
// member's vessel would stop the simulation, so the capsule counts the companion as missing
// and its member stays aboard.
TEST_F(PodCrew, CompanionWithoutItsClassConfigCountsAsMissing) {
    root->remove("config/vessels/Vemo.cfg");
    OBJHANDLE pod = loadCrewedPod(*world);
    ASSERT_NE(pod, nullptr);
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_E));
    world->step(10);
    EXPECT_EQ(world->vessels().size(), 1u) << "nobody went out";
    EXPECT_TRUE(testsupport::events(*world, sim::ev::kError).empty())
        << "a vessel of a class without a config was asked for:\n"
        << testsupport::dumpEvents(*world);
    EXPECT_EQ(savedCrew("Pod"), std::vector<std::string>{kCrewLine});
    EXPECT_FALSE(testsupport::attachment(*world, pod, "Vemo").found);
}

class PodNoCompanion : public PodCrew {
protected:
    testsupport::RootOptions rootOptions() const override {
        testsupport::RootOptions o;
        o.withCompanion = false;
        return o;
    }
};

TEST_F(PodNoCompanion, CapsuleFliesAndHandsItsCrewLinesToTheHost) {
    OBJHANDLE pod = loadCrewedPod(*world);
    ASSERT_NE(pod, nullptr);
    EXPECT_EQ(parserLines("Pod"), (std::vector<std::string>{Parsed(kCrewLine)}));
    EXPECT_FALSE(world->keyEvent(OAPI_KEY_K));
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_E));
    world->step(50);
    EXPECT_EQ(deployState(p(pod)), 0.0);
    EXPECT_EQ(world->vessels().size(), 1u);
    // No airlock point without a crew library to run it.
    EXPECT_FALSE(testsupport::attachment(*world, pod, "Vemo").found);
}

TEST_F(PodNoCompanion, CrewLinesSurviveASaveAndLoadOnceTheCompanionIsBack) {
    const std::vector<std::string> lines = {"VEMOCREW A01-John_Doe-35-72-80",
                                            "STATUS Orbiting Earth", "vemocrew   B2-Jane-30-70-60",
                                            "FOO 1"};
    loadShips(*world, {podBlock("Pod", lines)});
    sim::ScenarioFile scn = world->save();
    const sim::ShipBlock *b = findBlock(scn, "Pod");
    ASSERT_NE(b, nullptr);
    // Kept as read, after the host's lines; what is no crew line is the host's business.
    ASSERT_GE(b->lines.size(), 2u);
    EXPECT_EQ(b->lines[b->lines.size() - 2], "VEMOCREW A01-John_Doe-35-72-80");
    EXPECT_EQ(b->lines.back(), "vemocrew B2-Jane-30-70-60");
    EXPECT_EQ(crewLines(*b).size(), 1u);

    // With the companion installed the capsule has its member again (one seat: the second
    // line is refused as it would have been, and still kept).
    std::filesystem::copy_file(testsupport::buildRoot() + "/modules/Vemo.dll",
                               root->file("modules/Vemo.dll"),
                               std::filesystem::copy_options::overwrite_existing);
    makeWorld();
    std::string error;
    ASSERT_TRUE(world->load(scn, &error)) << error;
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_K)) << "someone is aboard";
    const sim::ScenarioFile again = world->save();
    const sim::ShipBlock *b2 = findBlock(again, "Pod");
    ASSERT_NE(b2, nullptr);
    ASSERT_GE(b2->lines.size(), 2u);
    EXPECT_EQ(b2->lines[b2->lines.size() - 2], "VEMOCREW A01-John_Doe-35-72-80");
    EXPECT_EQ(b2->lines.back(), "vemocrew B2-Jane-30-70-60");
}

TEST_F(PodNoCompanion, EveryCrewLineOfABlockSurvivesSaving) {
    std::vector<std::string> lines;
    for (int i = 0; i < 20; ++i) {
        lines.push_back("VEMOCREW M" + std::to_string(i) + "-Member-30-70-80");
    }
    lines.push_back("VEMOTRANSFER T1-On_The_Way-40-60-70");  // a member on the way, too
    ASSERT_NE(loadShips(*world, {podBlock("Pod", lines)}), nullptr);
    EXPECT_EQ(savedCrew("Pod"), lines);
}

TEST_F(PodNoCompanion, RefusedEvaChangesNothing) {
    // A companion file is present, so the crew works, but it is no module the host can load:
    // the crew-member vessel cannot be made and the crew library refuses the EVA.
    root->write("modules/Vemo.dll", "not a module");
    makeWorld();
    registerWalker(*world);
    OBJHANDLE pod = loadShips(*world, {podBlock("Pod")});
    makeWalker(*world, "Vemo_X1-Pilot_One", pod, vec(0, 1, 0));
    ASSERT_TRUE(stepUntilGone("Vemo_X1-Pilot_One", 1.0));
    ASSERT_EQ(meshVisibility(p(pod), kCrewMesh), 1);
    world->step(10);
    const size_t vessels = world->vessels().size();

    EXPECT_TRUE(world->keyEvent(OAPI_KEY_E));
    // The host made the member's vessel a plain one; the crew library deleted it again, and
    // it is gone when the frame ends.
    world->step();
    EXPECT_EQ(world->vessels().size(), vessels);
    EXPECT_EQ(world->focus(), pod);
    EXPECT_EQ(p(pod).emptyMass, 180.0);
    EXPECT_EQ(meshVisibility(p(pod), kCrewMesh), 1);
    EXPECT_EQ(meshVisibility(p(pod), kCrewCockpitMesh), 2);
    EXPECT_EQ(savedCrew("Pod").size(), 1u);
}
