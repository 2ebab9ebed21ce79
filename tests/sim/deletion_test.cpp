// Deleting vessels as the simulator does: a request only marks the vessel, which stays in
// the list until every post-step of the frame has run; then the marked vessels are destroyed
// in reverse list order, and their handles name destroyed vessels for ever.
#include "allocation_counter.h"
#include "script_vessel.h"

using testsupport::rec;
using State = sim::VesselTable::State;
using Strings = std::vector<std::string>;

TEST_F(HostTest, VesselMarkedInACallbackStaysUntilTheFrameEnds) {
    OBJHANDLE a = make("A");
    OBJHANDLE b = make("B");
    make("C");
    // In its first pre-step, A deletes B and then itself.
    ScriptVessel::hooks.preStep = [&](ScriptVessel &v, double simt, double) {
        if (v.name() != "A" || simt > 0.15)
            return;
        EXPECT_TRUE(oapiDeleteVessel(b));
        EXPECT_TRUE(oapiDeleteVessel(b)) << "asking again marks it again";
        // Marked only: B is still found by index, by name and by handle.
        EXPECT_EQ(oapiGetVesselCount(), 3u);
        EXPECT_EQ(oapiGetVesselByIndex(1), b);
        char name[] = "b";
        EXPECT_EQ(oapiGetObjectByName(name), b);
        EXPECT_NE(oapiGetVesselInterface(b), nullptr);
        EXPECT_TRUE(oapiDeleteVessel(a));
        v.note("still-alive");
    };
    // Every post-step of the frame still sees them both.
    ScriptVessel::hooks.postStep = [&](ScriptVessel &v, double, double) {
        if (v.name() == "C")
            v.note(oapiGetVesselCount() == 3 ? "sees-both" : "alone");
    };
    ScriptVessel::journal.clear();
    world->step();
    // Their own callbacks of the frame run; then they go, the later one in the list first.
    EXPECT_EQ(ScriptVessel::journal,
              (Strings{"pre A", "still-alive A", "pre B", "pre C", "post A", "post B", "post C",
                       "sees-both C", "exit B", "exit A"}));
    ASSERT_EQ(world->vessels().size(), 1u);
    EXPECT_EQ(world->handleState(a), State::kDestroyed);
    EXPECT_EQ(world->handleState(b), State::kDestroyed);
    const auto deleted = testsupport::events(*world, sim::ev::kDeleted);
    ASSERT_EQ(deleted.size(), 2u);
    EXPECT_EQ(deleted[0].vessel, "B");
    EXPECT_EQ(deleted[1].vessel, "A");
    ScriptVessel::journal.clear();
    world->step();
    EXPECT_EQ(ScriptVessel::journal, (Strings{"pre C", "post C", "alone C"}));
}

TEST_F(HostTest, DeletionBetweenStepsWaitsForTheNextFrame) {
    OBJHANDLE a = make("A");
    make("B");
    make("C");
    ScriptVessel::journal.clear();
    EXPECT_TRUE(world->deleteVessel(a));
    EXPECT_TRUE(ScriptVessel::journal.empty());
    EXPECT_EQ(world->find("A"), a);
    world->step();
    EXPECT_EQ(ScriptVessel::journal,
              (Strings{"pre A", "pre B", "pre C", "post A", "post B", "post C", "exit A"}));
    // The world's end takes the rest, in list order: C, the last, took A's place.
    ScriptVessel::journal.clear();
    world.reset();
    EXPECT_EQ(ScriptVessel::journal, (Strings{"exit C", "exit B"}));
}

// The focus goes to the nearest other vessel that accepts it, never to one that goes in the
// same frame; the simulator's camera target has nothing to do with it.
TEST_F(HostTest, DestroyedFocusGoesToTheNearestOtherVessel) {
    using sim::operator+;
    using testsupport::kOrbit;
    OBJHANDLE a = make("A", kOrbit + sim::vec(10, 0, 0));
    OBJHANDLE b = make("B", kOrbit);
    OBJHANDLE c = make("C", kOrbit + sim::vec(0, 50, 0));
    OBJHANDLE d = make("D", kOrbit + sim::vec(0, 0, -3));
    world->setFocus(b);
    ScriptVessel::journal.clear();
    oapiDeleteVessel(b, c);
    EXPECT_EQ(world->focus(), b) << "the focus stays while the vessel is only marked";
    world->step();
    EXPECT_EQ(world->focus(), d);
    EXPECT_EQ(entries("lostfocus"), Strings{"lostfocus B"}) << "told before it goes";
    EXPECT_EQ(entries("gotfocus"), Strings{"gotfocus D"});

    oapiDeleteVessel(d);
    oapiDeleteVessel(a);
    world->step();
    EXPECT_EQ(world->focus(), c) << "A was nearer, but goes in the same frame";
    oapiDeleteVessel(c);
    world->step();
    EXPECT_EQ(world->focus(), nullptr);
    EXPECT_TRUE(world->vessels().empty());
}

// A destroyed vessel's handle is recognised for ever, whatever vessel has its slot since:
// any use of it is an error that fails the test (or vemosim's run) and answers null. The
// kinder mode answers null and says nothing.
TEST_F(HostTest, DestroyedHandlesAreReportedAndAnswerNull) {
    testsupport::ExpectDestroyedHandleUses expected;
    OBJHANDLE a = make("A");
    make("B");
    oapiDeleteVessel(a);
    world->step();
    ASSERT_EQ(world->handleState(a), State::kDestroyed);
    OBJHANDLE again = make("A");
    EXPECT_NE(again, a);
    EXPECT_EQ(world->vesselSlots(), 2u) << "the new vessel took the freed slot";
    EXPECT_EQ(world->handleState(a), State::kDestroyed);
    char asked[] = "A";
    EXPECT_EQ(oapiGetObjectByName(asked), again);
    EXPECT_TRUE(expected.uses().empty());

    EXPECT_EQ(oapiGetVesselInterface(a), nullptr);
    EXPECT_FALSE(oapiDeleteVessel(a));
    char name[8] = "x";
    oapiGetObjectName(a, name, sizeof name);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(oapiGetEmptyMass(a), 0.0);
    oapiSetEmptyMass(a, 5.0);
    VECTOR3 pos = sim::vec(1, 1, 1);
    oapiGetGlobalPos(a, &pos);
    EXPECT_EQ(oapiSetFocusObject(a), nullptr);
    VESSEL stale(a);
    EXPECT_EQ(stale.GetName(), nullptr);
    ASSERT_EQ(expected.uses().size(), 8u);
    EXPECT_NE(expected.uses()[0].find("the handle of A, destroyed at 0.100 s, in "
                                      "oapiGetVesselInterface"),
              std::string::npos)
        << expected.uses()[0];
    EXPECT_EQ(world->destroyedHandleUses(), 8u);
    EXPECT_EQ(testsupport::events(*world, sim::ev::kDestroyedHandle).size(), 8u);

    // A use from a callback names the vessel that made it.
    ScriptVessel::hooks.postStep = [&](ScriptVessel &v, double, double) {
        if (v.name() == "B")
            oapiGetVesselInterface(a);
    };
    world->step();
    ASSERT_EQ(expected.uses().size(), 9u);
    EXPECT_EQ(expected.uses()[8].rfind("B used the handle of A", 0), 0u) << expected.uses()[8];

    sim::WorldOptions kind;
    kind.destroyedHandles = sim::DestroyedHandles::kAnswerNull;
    makeScriptWorld(kind);
    ScriptVessel::hooks = {};
    OBJHANDLE gone = make("Gone");
    oapiDeleteVessel(gone);
    world->step();
    EXPECT_EQ(oapiGetVesselInterface(gone), nullptr);
    EXPECT_FALSE(oapiDeleteVessel(gone));
    EXPECT_EQ(world->destroyedHandleUses(), 0u);
    EXPECT_EQ(expected.uses().size(), 9u);
}

// The host keeps nothing of a destroyed vessel but the generation of its slot: any number of
// vessels made and destroyed leave the same number of records, part handles and blocks of
// memory behind as the first few did.
TEST_F(HostTest, MemoryStaysFlatOverManyCreatedAndDestroyedVessels) {
    ScriptVessel::hooks.setClassCaps = [](ScriptVessel &v) {
        PROPELLANT_HANDLE tank = v.CreatePropellantResource(10);
        THRUSTER_HANDLE th = v.CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 0, 1), 1, tank);
        v.CreateThrusterGroup(&th, 1, THGROUP_MAIN);
        v.CreateAttachment(false, sim::vec(0, 0, 0), sim::vec(0, 0, 1), sim::vec(0, 1, 0), "P");
        v.CreateAnimation(0);
    };
    make("Stays");
    const std::size_t partsOfOne = world->registeredParts();
    auto cycle = [&](int round) {
        std::vector<OBJHANDLE> made;
        for (int i = 0; i < 8; ++i)
            made.push_back(make("V" + std::to_string(round) + "_" + std::to_string(i)));
        for (OBJHANDLE h : made)
            oapiDeleteVessel(h);
        world->step();
        world->clearEvents();
        ScriptVessel::journal.clear();
    };
    for (int round = 0; round < 50; ++round)
        cycle(round);
    const long blocks = alloccount::liveBlocks();
    for (int round = 50; round < 2050; ++round)
        cycle(round);
    EXPECT_EQ(alloccount::liveBlocks(), blocks) << "blocks of memory held after 16,000 vessels";
    EXPECT_EQ(world->vessels().size(), 1u);
    EXPECT_EQ(world->vesselSlots(), 9u) << "no more slots than vessels at once";
    EXPECT_EQ(world->registeredParts(), partsOfOne);
}
