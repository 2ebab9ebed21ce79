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
                      i, 6778e3 + x, crewed ? "  VEMOCREW Q-Crew_Of_Pod-30-60-70\n" : "");
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
    OBJHANDLE again = world->createVessel(
        "Vemo_C1-Cap_Ten", "Vemo",
        sim::makeStatus(sim::operator+(testsupport::kOrbit, sim::vec(1000, 0, 0))));
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
    // The orphaned transfer vessel blocks no later transfer: docked to a new receiver,
    // Alpha's next member goes over to it.
    VESSELSTATUS status = sim::makeStatus(testsupport::kOrbit);
    OBJHANDLE gamma = world->createVessel("Gamma", "crewhab", status);
    ASSERT_NE(gamma, nullptr);
    ASSERT_TRUE(world->dock(Vessel("Alpha"), 0, gamma, 0));
    ASSERT_TRUE(PressE("Alpha"));
    EXPECT_NE(world->find("VemoTGamma"), nullptr);
    RunFor(1.0);
    EXPECT_EQ(world->find("VemoTGamma"), nullptr) << "Gamma takes its member";
    EXPECT_TRUE(CrewConserved(Census(*world), ScenarioCrew()));
}

// Ten empty capsules at one spot and one member inside all their airlocks: whichever looks
// first takes the member and deletes its vessel, in the middle of the step; the others must
// not reach it.
TEST_F(StaleHandles, MemberInManyAirlocksIsBoardedOnce) {
    Load(std::string("BEGIN_SHIPS\n") + Capsules(10, 0, false) +
         "Vemo_M-Walker:Vemo\n  STATUS Orbiting Earth\n  RPOS 6778900 0 0\n  RVEL 0 0 0\n"
         "  MEMBER 33 66 99\n  OUTSIDE 1\nEND\nEND_SHIPS\n");
    RunFor(0.5);
    world->placeNear(Vessel("Vemo_M-Walker"), Vessel("P00"), sim::vec(0.5, 0.5, 0.5));
    RunFor(1.0);
    const std::vector<Member> census = Census(*world);
    EXPECT_TRUE(CrewConserved(census, {{"M", "Walker", 33, 66, 99, ""}})) << Places(census);
    EXPECT_EQ(world->find("Vemo_M-Walker"), nullptr);
}

// The airlock table holds 100 slots: from the 100th capsule on, P099, P100 and P101 share
// the last one, and P101, set up last, owns it. P101 is deleted: neither the empty P099 (which
// keeps looking for returning crew) nor the crewed P100 (sent E) may reach P101's freed
// instance through the slot. A capsule set up afterwards takes the slot over and works.
TEST_F(StaleHandles, OwnerOfASharedSlotDeleted) {
    std::string text = "BEGIN_SHIPS\n";
    for (int i = 0; i <= 101; ++i) {
        char block[200];
        std::snprintf(block, sizeof block,
                      "P%03d:vemopod\n  STATUS Orbiting Earth\n  RPOS %d 0 0\n  RVEL 0 0 0\n"
                      "%sEND\n",
                      i, 6778000 + i * 100, i == 99 ? "" : "  VEMOCREW S-Seat-30-60-70\n");
        text += block;
    }
    Load(text + "END_SHIPS\n");
    ASSERT_TRUE(world->deleteVessel(Vessel("P101")));
    RunFor(1.0);
    // P100 holds its member but lost the airlock at P101's set-up: E does nothing.
    EXPECT_TRUE(PressE("P100"));
    EXPECT_EQ(FirstNamed("Vemo_"), nullptr);
    RunFor(1.0);

    OBJHANDLE late = world->createVessel(
        "Late", "vemopod",
        sim::makeStatus(sim::operator+(testsupport::kOrbit, sim::vec(-500, 0, 0))));
    ASSERT_NE(late, nullptr);
    // The member of P000 walks over into Late's airlock and is taken in through the slot.
    ASSERT_TRUE(PressE("P000"));
    OBJHANDLE member = world->find("Vemo_S-Seat");
    ASSERT_NE(member, nullptr);
    world->placeNear(member, Vessel("P000"), sim::vec(20, 0, 0));
    RunFor(0.5);
    world->placeNear(member, late, sim::vec(0, 0, 1));
    RunFor(1.0);
    EXPECT_EQ(world->find("Vemo_S-Seat"), nullptr);
    std::vector<std::string> aboard;
    for (const Member &m : Census(*world)) {
        if (m.where == "Late" || m.where == "P000" || m.where == "P099" || m.where == "P100") {
            aboard.push_back(m.where);
        }
    }
    EXPECT_EQ(aboard, (std::vector<std::string>{"P100", "Late"}));
    EXPECT_EQ(Census(*world).size(), 100u) << "P101's member went with it";
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
    OBJHANDLE other = world->createVessel(
        "Pod2", "vemopod",
        sim::makeStatus(sim::operator+(testsupport::kOrbit, sim::vec(800, 0, 0))));
    ASSERT_NE(other, nullptr);
    RunFor(0.5);
    world->placeNear(member, other, sim::vec(0, 1, 0));
    RunFor(1.0);
    const std::vector<Member> census = Census(*world);
    EXPECT_TRUE(CrewConserved(census, ScenarioCrew())) << Places(census);
    EXPECT_EQ(census.back().where, "Pod2");
}
