// Vessels deleted while others still hold their handles: the last EVA vessel, a docked mate,
// a member two airlocks saw at once, capsules among many that look for crew. A deleted vessel
// stays until the end of its frame, as in the simulator; after that nothing may reach it (a use
// of its handle fails the test, and the sanitizer build runs these), and the crew stays
// conserved.
#include <algorithm>
#include <string>
#include <vector>

#include "faults_world.h"

using namespace faults;

namespace {

class StaleHandles : public FaultWorldTest {
protected:
    // Steps until a walk for returning crew has looked at the vessel: the walk asks each
    // vessel it looks at for its class, which that vessel's call trace shows.
    void StepUntilWalkLookedAt(const std::string &vessel) {
        sim::World &w = *world;
        OBJHANDLE h = Vessel(vessel);
        w.setTrace(h, true);
        for (int i = 0; i < 20; ++i) {
            const_cast<sim::VesselRecord *>(w.record(h))->trace.clear();
            w.step();
            const std::vector<std::string> &calls = w.record(h)->trace;
            if (std::find(calls.begin(), calls.end(), "GetClassName") != calls.end()) {
                w.setTrace(h, false);
                return;
            }
        }
        ADD_FAILURE() << "no walk looked at " << vessel;
    }
};

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
    world->step();
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
    world->step();
    // Alpha's port is free again: E is a free EVA, not a hand-over to a vanished vessel.
    ASSERT_TRUE(PressE("Alpha"));
    EXPECT_NE(world->find("Vemo_X1-Pilot_One"), nullptr);
    EXPECT_EQ(FirstNamed("VemoT"), nullptr);
    RunFor(1.0);
    EXPECT_TRUE(CrewConserved(Census(*world), ScenarioCrew()));
}

// Beta is deleted in the frame its transfer vessel is made. A vessel marked for deletion still
// makes its post-step in that frame, and the walk looks first at the vessels new at the end of
// the list, so Beta takes its member in and he goes with it, as any crew aboard a deleted
// vessel does: nobody is left addressed to a vessel that is gone, and no handle of Beta's is
// used after its frame.
TEST_F(StaleHandles, ReceiverDeletedWhileItsTransferVesselWaits) {
    Load(kCrewScenario, 0.05);
    StepUntilWalkLookedAt("Alpha");
    ASSERT_TRUE(PressE("Alpha"));
    ASSERT_NE(world->find("VemoTBeta"), nullptr);
    ASSERT_TRUE(world->deleteVessel(Vessel("Beta")));
    RunFor(2.0);
    std::vector<Member> crew = ScenarioCrew();
    crew.erase(crew.begin());  // Pilot One, aboard Beta when it went
    EXPECT_TRUE(CrewConserved(Census(*world), crew)) << Places(Census(*world));
    EXPECT_EQ(world->find("VemoTBeta"), nullptr);
    // A new receiver docked to Alpha takes Alpha's next member.
    VESSELSTATUS status = sim::makeStatus(testsupport::kOrbit);
    OBJHANDLE gamma = world->createVessel("Gamma", "crewhab", status);
    ASSERT_NE(gamma, nullptr);
    ASSERT_TRUE(world->dock(Vessel("Alpha"), 0, gamma, 0));
    ASSERT_TRUE(PressE("Alpha"));
    EXPECT_NE(world->find("VemoTGamma"), nullptr);
    RunFor(1.0);
    EXPECT_EQ(world->find("VemoTGamma"), nullptr) << "Gamma takes its member";
    EXPECT_TRUE(CrewConserved(Census(*world), crew)) << Places(Census(*world));
}

// Ten empty capsules at one spot and one member inside all their airlocks: whichever looks
// first takes the member and deletes its vessel, which stays in the list until the frame ends;
// the others must not take the member too.
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

// 102 capsules, each with an airlock of its own. P101 and P050 are deleted while the others
// keep looking for returning crew; nothing reaches their freed instances. P100 sends its member
// out, he walks into the empty P099, and from there into a capsule set up afterwards.
TEST_F(StaleHandles, CapsulesGoWhileOthersLookForCrew) {
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
    ASSERT_TRUE(world->deleteVessel(Vessel("P050")));
    RunFor(1.0);

    // Out of P100 and, after stepping out, into P099's airlock.
    ASSERT_TRUE(PressE("P100"));
    OBJHANDLE member = world->find("Vemo_S-Seat");
    ASSERT_NE(member, nullptr);
    world->placeNear(member, Vessel("P100"), sim::vec(0, 40, 0));
    RunFor(0.5);
    world->placeNear(member, Vessel("P099"), sim::vec(0, 0, 1));
    RunFor(1.0);
    EXPECT_EQ(world->find("Vemo_S-Seat"), nullptr);

    OBJHANDLE late = world->createVessel(
        "Late", "vemopod",
        sim::makeStatus(sim::operator+(testsupport::kOrbit, sim::vec(-500, 0, 0))));
    ASSERT_NE(late, nullptr);
    ASSERT_TRUE(PressE("P099"));
    member = world->find("Vemo_S-Seat");
    ASSERT_NE(member, nullptr);
    world->placeNear(member, Vessel("P099"), sim::vec(0, 40, 0));
    RunFor(0.5);
    world->placeNear(member, late, sim::vec(0, 0, 1));
    RunFor(1.0);
    EXPECT_EQ(world->find("Vemo_S-Seat"), nullptr);
    std::vector<std::string> aboard;
    for (const Member &m : Census(*world)) {
        if (m.where == "Late" || m.where == "P099" || m.where == "P100") {
            aboard.push_back(m.where);
        }
    }
    EXPECT_EQ(aboard, (std::vector<std::string>{"Late"}));
    EXPECT_EQ(Census(*world).size(), 99u) << "P050's and P101's members went with them";
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
