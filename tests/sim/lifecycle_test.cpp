// Vessel handles, creation and deletion, and the order of callbacks.
#include <cstring>

#include "script_vessel.h"

using testsupport::rec;
using Strings = std::vector<std::string>;

TEST_F(HostTest, HandlesOfDeletedOrUnknownVesselsAnswerNull) {
    OBJHANDLE a = make("A");
    OBJHANDLE b = make("B");
    ASSERT_NE(oapiGetVesselInterface(a), nullptr);
    EXPECT_EQ(oapiGetVesselInterface(a)->GetHandle(), a);
    EXPECT_EQ(oapiGetVesselCount(), 2u);

    EXPECT_TRUE(oapiDeleteVessel(a));
    EXPECT_EQ(oapiGetVesselInterface(a), nullptr);
    EXPECT_FALSE(oapiDeleteVessel(a)) << "a second delete of the same vessel";
    EXPECT_EQ(oapiGetVesselCount(), 1u);
    EXPECT_EQ(oapiGetVesselByIndex(0), b);
    EXPECT_EQ(oapiGetVesselByIndex(1), nullptr);
    EXPECT_EQ(oapiGetVesselByIndex(-1), nullptr);
    char nameA[] = "A";
    EXPECT_EQ(oapiGetObjectByName(nameA), nullptr);

    // A new vessel of the same name gets a new handle; the old one stays dead.
    OBJHANDLE a2 = make("A");
    EXPECT_NE(a2, a);
    EXPECT_EQ(oapiGetVesselInterface(a), nullptr);
    EXPECT_EQ(oapiGetObjectByName(nameA), a2);

    int local = 0;
    EXPECT_EQ(oapiGetVesselInterface(&local), nullptr);
    EXPECT_EQ(oapiGetVesselInterface(nullptr), nullptr);
    EXPECT_EQ(oapiGetEmptyMass(&local), 0.0);
    EXPECT_FALSE(oapiDeleteVessel(&local));
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

TEST_F(HostTest, CreationRefusesBadNamesAndUnknownClasses) {
    std::string error;
    make("A");
    EXPECT_EQ(world->createVessel("A", "Script", sim::makeStatus(), &error), nullptr);
    EXPECT_NE(error.find("already exists"), std::string::npos) << error;
    EXPECT_EQ(world->createVessel("", "Script", sim::makeStatus(), &error), nullptr);
    EXPECT_EQ(world->createVessel("Two words", "Script", sim::makeStatus(), &error), nullptr);
    // The scenario writer takes printable ASCII only: a name it could not write back would
    // make the whole save fail, so such a vessel is never made.
    for (const std::string odd : {"Vemo_\xC3\x84-Jo", "Tab\tbed", "Del\x7F"}) {
        EXPECT_EQ(world->createVessel(odd, "Script", sim::makeStatus(), &error), nullptr) << odd;
        EXPECT_NE(error.find("printable ASCII"), std::string::npos) << error;
    }
    EXPECT_EQ(world->createVessel("C", "../../evil", sim::makeStatus(), &error), nullptr);
    EXPECT_NE(error.find("not a valid class name"), std::string::npos) << error;
    EXPECT_EQ(world->createVessel("C", "NoSuchClass", sim::makeStatus(), &error), nullptr);
    EXPECT_NE(error.find("NoSuchClass"), std::string::npos) << error;
    EXPECT_NE(error.find(root->path() + "/modules"), std::string::npos) << error;
    EXPECT_EQ(world->vessels().size(), 1u);
}

TEST_F(HostTest, CallbacksRunInListOrderAroundTheMove) {
    OBJHANDLE a = make("A");
    make("B");
    world->setVelocity(a, sim::vec(10, 0, 0));
    double preX = -1, postX = -1, preT = -1, postT = -1;
    ScriptVessel::hooks.preStep = [&](ScriptVessel &v, double simt, double) {
        if (v.name() == "A") {
            preX = rec(*world, a).rpos.x;
            preT = simt;
        }
    };
    ScriptVessel::hooks.postStep = [&](ScriptVessel &v, double simt, double simdt) {
        if (v.name() == "A") {
            postX = rec(*world, a).rpos.x;
            postT = simt;
            EXPECT_EQ(oapiGetSimStep(), simdt);
        }
    };
    ScriptVessel::journal.clear();
    world->step();
    EXPECT_EQ(ScriptVessel::journal, (Strings{"pre A", "pre B", "post A", "post B"}));
    EXPECT_DOUBLE_EQ(preX, 0.0) << "pre-step sees the state before the move";
    EXPECT_DOUBLE_EQ(postX, 1.0) << "post-step sees the moved vessel";
    EXPECT_DOUBLE_EQ(preT, 0.1);
    EXPECT_DOUBLE_EQ(postT, 0.1);
    EXPECT_DOUBLE_EQ(world->time(), 0.1);
}

TEST_F(HostTest, VesselMadeInACallbackExistsAtOnceAndStepsFromTheNextStep) {
    make("A");
    make("B");
    OBJHANDLE made = nullptr;
    ScriptVessel::hooks.preStep = [&](ScriptVessel &v, double, double) {
        if (v.name() == "A" && !made) {
            made = oapiCreateVessel("Child", "Script", sim::makeStatus());
            ASSERT_NE(made, nullptr);
            EXPECT_NE(oapiGetVesselInterface(made), nullptr);
            EXPECT_EQ(oapiGetVesselCount(), 3u);
            char name[] = "Child";
            EXPECT_EQ(oapiGetObjectByName(name), made);
        }
    };
    ScriptVessel::journal.clear();
    world->step();
    EXPECT_EQ(ScriptVessel::journal,
              (Strings{"pre A", "caps Child", "postcreation Child", "pre B", "post A", "post B"}));
    ScriptVessel::journal.clear();
    world->step();
    EXPECT_EQ(entries("pre"), (Strings{"pre A", "pre B", "pre Child"}));
}

TEST_F(HostTest, VesselDeletedInACallbackVanishesAtOnceButExitsAfterTheLoop) {
    OBJHANDLE a = make("A");
    OBJHANDLE b = make("B");
    make("C");
    // A deletes B, then itself, in its pre-step.
    ScriptVessel::hooks.preStep = [&](ScriptVessel &v, double, double) {
        if (v.name() != "A")
            return;
        EXPECT_TRUE(oapiDeleteVessel(b));
        EXPECT_EQ(oapiGetVesselInterface(b), nullptr);
        EXPECT_EQ(oapiGetVesselCount(), 2u);
        EXPECT_TRUE(oapiDeleteVessel(a));
        // Still running on its own object: the instance must be intact.
        EXPECT_STREQ(v.GetName(), "A");
        v.note("still-alive");
    };
    ScriptVessel::journal.clear();
    world->step();
    EXPECT_EQ(ScriptVessel::journal,
              (Strings{"pre A", "still-alive A", "pre C", "exit B", "exit A", "post C"}));
    EXPECT_EQ(world->vessels().size(), 1u);
    EXPECT_FALSE(world->record(a)->alive);
    EXPECT_EQ(world->record(a)->instance, nullptr);
    EXPECT_EQ(testsupport::events(*world, sim::ev::kDeleted).size(), 2u);
}

TEST_F(HostTest, DeletionOutsideCallbacksExitsAtOnceAndWorldEndExitsTheRest) {
    OBJHANDLE a = make("A");
    make("B");
    make("C");
    ScriptVessel::journal.clear();
    world->deleteVessel(a);
    EXPECT_EQ(ScriptVessel::journal, (Strings{"exit A"}));
    world.reset();
    EXPECT_EQ(ScriptVessel::journal, (Strings{"exit A", "exit B", "exit C"}));
}

TEST_F(HostTest, FocusChangesNotifyBothVessels) {
    OBJHANDLE a = make("A");
    OBJHANDLE b = make("B");
    ScriptVessel::journal.clear();
    EXPECT_EQ(oapiSetFocusObject(a), nullptr);
    EXPECT_EQ(oapiSetFocusObject(b), a);
    EXPECT_EQ(ScriptVessel::journal, (Strings{"gotfocus A", "lostfocus A", "gotfocus B"}));
    EXPECT_EQ(oapiSetFocusObject(b), b) << "focusing the focus vessel changes nothing";
    int local = 0;
    EXPECT_EQ(oapiSetFocusObject(&local), nullptr);
    EXPECT_EQ(world->focus(), b);

    // Deleting the focus vessel hands the focus to the alternative given.
    OBJHANDLE c = make("C");
    oapiDeleteVessel(b, c);
    EXPECT_EQ(world->focus(), c);
    oapiDeleteVessel(c);
    EXPECT_EQ(world->focus(), a) << "without an alternative the first vessel takes the focus";
    EXPECT_EQ(testsupport::events(*world, sim::ev::kFocus).size(), 4u);
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
        v.AddMesh(nullptr);
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
