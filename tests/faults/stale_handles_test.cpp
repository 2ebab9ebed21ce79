// Vessels deleted while others still hold their handles: the last EVA vessel, a docked mate,
// a member two airlocks saw at once, the vessel that owns a shared airlock slot. Nothing may
// reach a freed object (the sanitizer build runs these), and the crew stays conserved.
#include <string>
#include <vector>

#include "faults_world.h"

using namespace faults;

namespace {

class StaleHandles : public FaultWorldTest {};

std::string Capsules(int count, double x, bool crewed) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        char block[200];
        std::snprintf(block, sizeof block,
                      "P%02d:vemopod\n  STATUS Orbiting Earth\n  RPOS %g 0 0\n  RVEL 0 0 0\n%s"
                      "END\n",
                      i, x, crewed ? "  VEMOCREW Q-Crew_Of_Pod-30-60-70\n" : "");
        text += block;
    }
    return text;
}

}  // namespace

TEST_F(StaleHandles, LastEvaVesselDeletedByAnotherHand) {
    Load(kCrewScenario);
    ASSERT_TRUE(PressE("Pod"));
    OBJHANDLE member = world->find("Vemo_C1-Cap_Ten");
    ASSERT_NE(member, nullptr);
    EXPECT_EQ(world->focus(), member);
    ASSERT_TRUE(world->deleteVessel(member));
    EXPECT_NE(world->focus(), member);

    // The capsule keeps scanning with a free seat, takes E and saves, all without the vessel.
    RunFor(2.0);
    EXPECT_TRUE(PressE("Pod"));
    RunFor(1.0);
    std::vector<Member> crew = ScenarioCrew();
    crew.pop_back();  // Cap Ten went with the vessel
    EXPECT_TRUE(CrewConserved(Census(*world), crew));

    // A new crew-member vessel under the same name is taken in like any other that walks in.
    OBJHANDLE again =
        world->createVessel("Vemo_C1-Cap_Ten", "Vemo", sim::makeStatus(sim::vec(1000, 0, 0)));
    ASSERT_NE(again, nullptr);
    RunFor(0.5);  // it steps out where it was made, far from any airlock
    world->placeNear(again, Vessel("Pod"), sim::vec(0, 0, 1));
    RunFor(1.0);
    EXPECT_EQ(world->find("Vemo_C1-Cap_Ten"), nullptr) << "not taken aboard";
}

TEST_F(StaleHandles, DockedMateDeleted) {
    Load(kCrewScenario);
    ASSERT_TRUE(world->deleteVessel(Vessel("Beta")));
    // Alpha's port is free again: E is a free EVA, not a hand-over to a vanished vessel.
    ASSERT_TRUE(PressE("Alpha"));
    EXPECT_NE(world->find("Vemo_X1-Pilot_One"), nullptr);
    EXPECT_EQ(FirstNamed("VemoT"), nullptr);
    RunFor(1.0);
    EXPECT_TRUE(CrewConserved(Census(*world), ScenarioCrew()));
}

TEST_F(StaleHandles, ReceiverDeletedWhileItsTransferVesselWaits) {
    Load(kCrewScenario);
    ASSERT_TRUE(PressE("Alpha"));
    ASSERT_NE(world->find("VemoTBeta"), nullptr);
    ASSERT_TRUE(world->deleteVessel(Vessel("Beta")));
    RunFor(2.0);
    // Addressed to nobody now, the member waits outside: counted, not lost, not boarded
    // anywhere else.
    const std::vector<Member> census = Census(*world);
    EXPECT_TRUE(CrewConserved(census, ScenarioCrew())) << Places(census);
    EXPECT_NE(world->find("VemoTBeta"), nullptr);
    // Alpha's next member still gets out, on free EVA.
    ASSERT_TRUE(PressE("Alpha"));
    EXPECT_NE(world->find("Vemo_X1-Pilot_Two"), nullptr);
    RunFor(1.0);
    EXPECT_TRUE(CrewConserved(Census(*world), ScenarioCrew()));
}

// Ten empty capsules at one spot and one member inside all their airlocks: whichever looks
// first takes the member and deletes its vessel, in the middle of the step; the others must
// not reach it.
TEST_F(StaleHandles, MemberInManyAirlocksIsBoardedOnce) {
    Load(std::string("BEGIN_SHIPS\n") + Capsules(10, 0, false) +
         "Vemo_M-Walker:Vemo\n  STATUS Orbiting Earth\n  RPOS 900 0 0\n  RVEL 0 0 0\n"
         "  MEMBER 33 66 99\n  OUTSIDE 1\nEND\nEND_SHIPS\n");
    RunFor(0.5);
    world->placeNear(Vessel("Vemo_M-Walker"), Vessel("P00"), sim::vec(0.5, 0.5, 0.5));
    RunFor(1.0);
    const std::vector<Member> census = Census(*world);
    EXPECT_TRUE(CrewConserved(census, {{"M", "Walker", 33, 66, 99, ""}})) << Places(census);
    EXPECT_EQ(world->find("Vemo_M-Walker"), nullptr);
}

// The airlock table holds 100 slots: the 100th and 101st capsules, P099 and P100, share the
// last one, and P100, set up last, owns it. P100 is deleted: P099 must not reach P100's freed
// instance through the slot, and keeps its member. A capsule set up afterwards takes the slot
// over and works.
TEST_F(StaleHandles, OwnerOfASharedSlotDeleted) {
    std::string text = "BEGIN_SHIPS\n";
    for (int i = 0; i <= 100; ++i) {
        char block[200];
        std::snprintf(block, sizeof block,
                      "P%03d:vemopod\n  STATUS Orbiting Earth\n  RPOS %d 0 0\n  RVEL 0 0 0\n"
                      "  VEMOCREW S-Seat_%03d-30-60-70\nEND\n",
                      i, i * 100, i);
        text += block;
    }
    Load(text + "END_SHIPS\n");
    ASSERT_TRUE(world->deleteVessel(Vessel("P100")));
    RunFor(1.0);
    // P099 holds its member but lost the airlock to P100 at P100's set-up: E does nothing.
    EXPECT_TRUE(PressE("P099"));
    EXPECT_EQ(world->find("Vemo_S-Seat_099"), nullptr);
    RunFor(1.0);

    OBJHANDLE late = world->createVessel("Late", "vemopod", sim::makeStatus(sim::vec(-500, 0, 0)));
    ASSERT_NE(late, nullptr);
    // The member of P000 walks over into Late's airlock and is taken in through the slot.
    ASSERT_TRUE(PressE("P000"));
    OBJHANDLE member = world->find("Vemo_S-Seat_000");
    ASSERT_NE(member, nullptr);
    world->placeNear(member, Vessel("P000"), sim::vec(20, 0, 0));
    RunFor(0.5);
    world->placeNear(member, late, sim::vec(0, 0, 1));
    RunFor(1.0);
    EXPECT_EQ(world->find("Vemo_S-Seat_000"), nullptr);
    const std::vector<Member> census = Census(*world);
    EXPECT_EQ(census.size(), 100u) << "P100's member went with it";
    bool lateHasIt = false;
    bool p099HasIts = false;
    for (const Member &m : census) {
        lateHasIt = lateHasIt || (m.where == "Late" && m.name == "Seat 000");
        p099HasIts = p099HasIts || (m.where == "P099" && m.name == "Seat 099");
    }
    EXPECT_TRUE(lateHasIt);
    EXPECT_TRUE(p099HasIts);
}

// The capsule a member left is deleted while the member is out; the member walks into
// another capsule and is taken aboard there.
TEST_F(StaleHandles, HomeCapsuleDeletedWhileItsMemberIsOut) {
    Load(kCrewScenario);
    ASSERT_TRUE(PressE("Pod"));
    OBJHANDLE member = world->find("Vemo_C1-Cap_Ten");
    ASSERT_NE(member, nullptr);
    world->placeNear(member, Vessel("Pod"), sim::vec(10, 0, 0));
    RunFor(0.5);
    ASSERT_TRUE(world->deleteVessel(Vessel("Pod")));
    OBJHANDLE other = world->createVessel("Pod2", "vemopod", sim::makeStatus(sim::vec(800, 0, 0)));
    ASSERT_NE(other, nullptr);
    RunFor(0.5);
    world->placeNear(member, other, sim::vec(0, 1, 0));
    RunFor(1.0);
    const std::vector<Member> census = Census(*world);
    EXPECT_TRUE(CrewConserved(census, ScenarioCrew())) << Places(census);
    EXPECT_EQ(census.back().where, "Pod2");
}
