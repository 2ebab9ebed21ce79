// Airlock slots: the module-wide table, sharing of its last slot, and publishing.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "crew_world.h"

using namespace crewtest;

TEST_F(CrewWorldTest, SharedLastSlotServesOnlyItsNewestVesselEvenAfterDeletions) {
    std::vector<OBJHANDLE> v;
    for (int i = 1; i <= 101; ++i) {
        v.push_back(MakeVessel("V" + std::to_string(i)));
    }
    EXPECT_EQ(Crew(v[98]).slotIndex, 98);
    EXPECT_EQ(Crew(v[99]).slotIndex, 99);
    EXPECT_EQ(Crew(v[100]).slotIndex, 99);

    // The newest sharer goes away while the slot still names it. The earlier one keeps its
    // roster but must not reach the deleted vessel through the slot: no attachment changes.
    ASSERT_TRUE(world().deleteVessel(v[100]));
    world().clearEvents();
    CrewManager &earlier = Crew(v[99]);
    EXPECT_EQ(earlier.AddCrewMember("Ann", 30, 60, 70, ""), 1);
    EXPECT_EQ(earlier.LoadCrewLine("VEMOCREW A01-Jo-35-72-80"), 1);
    EXPECT_EQ(earlier.SetMaxSeatCount(4), 1);
    EXPECT_EQ(earlier.RemoveCrewMember("jo"), 1);
    EXPECT_EQ(earlier.DefineAirlockShape(1, -1, 1, -1, 1, -1, 1), 0);
    EXPECT_TRUE(world().eventsOfKind(sim::ev::kAttachment).empty());
    EXPECT_TRUE(VectorIs(Airlock(v[99])[2], 1, 1000, 8));  // as last published

    // A vessel set up afterwards takes the slot over and publishes normally, and the
    // earlier one still stays out of it.
    OBJHANDLE fresh = MakeVessel("V102");
    ASSERT_EQ(Crew(fresh).AddCrewMember("Cy", 30, 60, 70, ""), 1);
    EXPECT_TRUE(VectorIs(Airlock(fresh)[2], 1, 0, 7));
    ASSERT_TRUE(world().deleteVessel(v[99]));
    EXPECT_EQ(Crew(fresh).RemoveCrewMember("cy"), 1);
    EXPECT_TRUE(VectorIs(Airlock(fresh)[2], 1, 0, 8));
}

TEST_F(CrewWorldTest, SlotPublishesOnlyOnceItsAirlockExists) {
    OBJHANDLE h = MakeVessel("Alpha", false);
    AirlockSlot &slot = GetAirlockSlotTable().slots[0];
    ASSERT_EQ(slot.InitAirlockSlot(h), 1);
    EXPECT_EQ(slot.PublishFreeSeats(5), -1);
    ASSERT_EQ(slot.DefineAirlockShape(1, -2, 2, -2, 2, -2, 2), 1);
    EXPECT_TRUE(VectorIs(Airlock(h)[2], 1, 1000, 1000));
    EXPECT_EQ(slot.PublishAirlockStatus(7), 1);
    EXPECT_TRUE(VectorIs(Airlock(h)[2], 1, 7, 1000));
    // A set-up that fails does not take the slot away from its vessel.
    InstallCompanion(false);
    EXPECT_EQ(slot.InitAirlockSlot(MakeVessel("Beta", false)), -999);
    EXPECT_TRUE(slot.IsOwnedBy(h));
}
