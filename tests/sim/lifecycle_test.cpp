// Vessel handles and names, creation, and the order of callbacks. Deletion has a file of its
// own (deletion_test.cpp).
#include <cstring>

#include "script_vessel.h"

using testsupport::rec;
using Strings = std::vector<std::string>;

TEST_F(HostTest, HandlesOfUnknownObjectsAnswerNull) {
    OBJHANDLE a = make("A");
    OBJHANDLE b = make("B");
    ASSERT_NE(oapiGetVesselInterface(a), nullptr);
    EXPECT_EQ(oapiGetVesselInterface(a)->GetHandle(), a);
    EXPECT_EQ(oapiGetVesselCount(), 2u);
    EXPECT_EQ(oapiGetVesselByIndex(1), b);
    EXPECT_EQ(oapiGetVesselByIndex(2), nullptr);
    EXPECT_EQ(oapiGetVesselByIndex(-1), nullptr);

    int local = 0;
    EXPECT_EQ(oapiGetVesselInterface(&local), nullptr);
    EXPECT_EQ(oapiGetVesselInterface(nullptr), nullptr);
    EXPECT_EQ(oapiGetVesselInterface(world->bodyHandle()), nullptr);
    EXPECT_EQ(oapiGetEmptyMass(&local), 0.0);
    EXPECT_FALSE(oapiDeleteVessel(&local));
    EXPECT_EQ(world->handleState(&local), sim::VesselTable::State::kUnknown);
}

// Names are not unique, and a vessel is found by its name as the first in list order that
// bears it, letter case aside.
TEST_F(HostTest, NamesNeedNotBeUniqueAndLookupTakesTheFirstIgnoringCase) {
    OBJHANDLE first = make("Twin");
    OBJHANDLE second = make("TWIN");
    OBJHANDLE third = make("twin");
    ASSERT_TRUE(first && second && third);
    EXPECT_NE(first, second);
    char asked[] = "tWiN";
    EXPECT_EQ(oapiGetObjectByName(asked), first);
    EXPECT_EQ(world->find("twin"), first);
    char earth[] = "EARTH";
    EXPECT_EQ(oapiGetObjectByName(earth), world->bodyHandle());
    char none[] = "Twins";
    EXPECT_EQ(oapiGetObjectByName(none), nullptr);

    // The first of the name is found until it is destroyed, then the first in list order,
    // where the last vessel has taken its place.
    EXPECT_TRUE(oapiDeleteVessel(first));
    EXPECT_EQ(oapiGetObjectByName(asked), first);
    world->step();
    EXPECT_EQ(oapiGetObjectByName(asked), third);
    EXPECT_TRUE(oapiDeleteVessel(third));
    world->step();
    EXPECT_EQ(oapiGetObjectByName(asked), second);

    // A scenario may carry two vessels of one name; its focus is the first of them, and
    // saving writes both.
    makeScriptWorld();
    sim::ScenarioFile scn;
    scn.ships.push_back({"Pod", "Script", {"RPOS 6778001 0 0"}, 0});
    scn.ships.push_back({"Pod", "Script", {"RPOS 6778002 0 0"}, 0});
    scn.focus = "POD";
    std::string error;
    ASSERT_TRUE(world->load(scn, &error)) << error;
    ASSERT_EQ(world->vessels().size(), 2u);
    EXPECT_EQ(world->focus(), world->vesselAt(0));
    EXPECT_EQ(rec(*world, world->find("pod")).rpos.x, 6778001.0);
    const sim::ScenarioFile saved = world->save();
    ASSERT_EQ(saved.ships.size(), 2u);
    EXPECT_EQ(saved.ships[1].name, "Pod");
}

TEST_F(HostTest, ObjectNameCopyIsBounded) {
    OBJHANDLE h = make("LongVesselName");
    char buf[16];
    std::memset(buf, 'x', sizeof buf);
    oapiGetObjectName(h, buf, 5);
    EXPECT_STREQ(buf, "Long");
    EXPECT_EQ(buf[5], 'x') << "wrote past the given length";
    oapiGetObjectName(h, buf, sizeof buf);
    EXPECT_STREQ(buf, "LongVesselName");
    buf[0] = 'x';
    oapiGetObjectName(h, buf, 0);
    EXPECT_EQ(buf[0], 'x');
    int local = 0;
    oapiGetObjectName(&local, buf, sizeof buf);
    EXPECT_STREQ(buf, "");
}

// Any name makes a vessel, as in the simulator; only a class without a class config is
// refused.
TEST_F(HostTest, CreationTakesAnyNameAndRefusesUnknownClasses) {
    std::string error;
    make("A");
    for (const std::string odd :
         {"", "Two words", "Vemo_\xC3\x84-Jo", "Tab\tbed", "Del\x7F", "a:b"}) {
        OBJHANDLE h = world->createVessel(odd, "Script", sim::makeStatus(), &error);
        ASSERT_NE(h, nullptr) << odd;
        EXPECT_EQ(rec(*world, h).name, odd);
    }
    EXPECT_EQ(world->createVessel("C", "../../evil", sim::makeStatus(), &error), nullptr);
    EXPECT_NE(error.find("not a valid class name"), std::string::npos) << error;
    // A class is its class config file; without one there is no such class.
    EXPECT_EQ(world->createVessel("C", "NoSuchClass", sim::makeStatus(), &error), nullptr);
    EXPECT_NE(error.find("config/vessels/NoSuchClass.cfg"), std::string::npos) << error;
    EXPECT_NE(error.find(root->path()), std::string::npos) << error;
    EXPECT_EQ(world->vessels().size(), 7u);
}

TEST_F(HostTest, CallbacksRunInListOrderAroundTheMove) {
    OBJHANDLE a = make("A");
    make("B");
    // Across the line to the body's centre, where gravity adds nothing to the move.
    world->setVelocity(a, sim::vec(0, 0, 10));
    double preZ = -1, postZ = -1, preT = -1, postT = -1;
    ScriptVessel::hooks.preStep = [&](ScriptVessel &v, double simt, double) {
        if (v.name() == "A") {
            preZ = rec(*world, a).rpos.z;
            preT = simt;
        }
    };
    ScriptVessel::hooks.postStep = [&](ScriptVessel &v, double simt, double simdt) {
        if (v.name() == "A") {
            postZ = rec(*world, a).rpos.z;
            postT = simt;
            EXPECT_EQ(oapiGetSimStep(), simdt);
        }
    };
    ScriptVessel::journal.clear();
    world->step();
    EXPECT_EQ(ScriptVessel::journal, (Strings{"pre A", "pre B", "post A", "post B"}));
    EXPECT_DOUBLE_EQ(preZ, 0.0) << "pre-step sees the state before the move";
    EXPECT_DOUBLE_EQ(postZ, 0.0) << "post-step too: the move shows once the frame is over";
    EXPECT_DOUBLE_EQ(rec(*world, a).rpos.z, 1.0);
    EXPECT_DOUBLE_EQ(preT, 0.0) << "the frame's start";
    EXPECT_DOUBLE_EQ(postT, 0.1) << "the frame's end";
    EXPECT_DOUBLE_EQ(world->time(), 0.1);
}

// Made in a pre-step, a vessel stands at the list's end and gets the rest of the frame's
// callbacks, as in the simulator.
TEST_F(HostTest, VesselMadeInACallbackExistsAtOnceAndGetsTheRestOfTheFrame) {
    make("A");
    make("B");
    OBJHANDLE made = nullptr;
    ScriptVessel::hooks.preStep = [&](ScriptVessel &v, double, double) {
        if (v.name() == "A" && !made) {
            made = oapiCreateVessel("Child", "Script", sim::makeStatus(testsupport::kOrbit));
            ASSERT_NE(made, nullptr);
            EXPECT_NE(oapiGetVesselInterface(made), nullptr);
            EXPECT_EQ(oapiGetVesselCount(), 3u);
            char name[] = "Child";
            EXPECT_EQ(oapiGetObjectByName(name), made);
        }
    };
    ScriptVessel::journal.clear();
    world->step();
    EXPECT_EQ(ScriptVessel::journal, (Strings{"pre A", "caps Child", "postcreation Child", "pre B",
                                              "pre Child", "post A", "post B", "post Child"}));
    ScriptVessel::journal.clear();
    world->step();
    EXPECT_EQ(entries("pre"), (Strings{"pre A", "pre B", "pre Child"}));
}

TEST_F(HostTest, RandomNumbersFollowTheSeed) {
    auto draw = [&](std::uint64_t seed) {
        makeScriptWorld({".", seed, 0.1});
        std::vector<double> out;
        for (int i = 0; i < 1000; ++i)
            out.push_back(oapiRand());
        return out;
    };
    std::vector<double> first = draw(7);
    EXPECT_EQ(first, draw(7));
    EXPECT_NE(first, draw(8));
    double sum = 0;
    for (double x : first) {
        ASSERT_GE(x, 0.0);
        ASSERT_LE(x, 1.0);
        sum += x;
    }
    EXPECT_NEAR(sum / first.size(), 0.5, 0.05);
}

TEST_F(HostTest, CallTraceRecordsSetUpCallsInOrder) {
    world->setTraceNew(true);
    ScriptVessel::hooks.setClassCaps = [](ScriptVessel &v) {
        v.SetEmptyMass(10);
        oapiLoadMeshGlobal("m");
        v.AddMesh(MESHHANDLE(nullptr));  // the handle overload, not the name one
    };
    OBJHANDLE a = make("A");
    Strings calls;
    for (const std::string &c : rec(*world, a).trace)
        if (c != "GetName")  // the journal asks for it
            calls.push_back(c);
    EXPECT_EQ(calls, (Strings{"SetEmptyMass", "oapiLoadMeshGlobal", "AddMesh"}));
    world->setTrace(a, false);
    ScriptVessel::hooks.setClassCaps = nullptr;
    world->setTraceNew(false);
    OBJHANDLE b = make("B");
    EXPECT_TRUE(rec(*world, b).trace.empty());
}
