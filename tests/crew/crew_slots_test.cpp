// Airlocks: one for every crew-capable vessel, and what it publishes.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "crew_world.h"

using namespace crewtest;

// However many crew-capable vessels there are, each shows and updates an airlock of its own,
// and one going away takes nothing from the others.
TEST_F(CrewWorldTest, EveryVesselKeepsAnAirlockOfItsOwnHoweverMany) {
    constexpr int kVessels = 10000;
    std::vector<OBJHANDLE> v;
    for (int i = 1; i <= kVessels; ++i) {
        v.push_back(MakeVessel("V" + std::to_string(i)));
    }
    for (int index : {0, 99, 100, kVessels - 1}) {
        SCOPED_TRACE(index + 1);
        CrewManager &crew = Crew(v[index]);
        ASSERT_TRUE(crew.IsReady());
        EXPECT_EQ(crew.GetAirlock().ownVesselHandle, v[index]);
        ASSERT_EQ(crew.SetMaxSeatCount(2 + index % 7), 1);
        ASSERT_EQ(crew.AddCrewMember("Ann", 30, 60, 70, ""), 1);
        EXPECT_TRUE(VectorIs(Airlock(v[index])[2], 1, 0, 1 + index % 7));
    }
    EXPECT_TRUE(VectorIs(Airlock(v[101])[2], 1, 1000, 8)) << "a neighbour is untouched";

    // The 101st's neighbours go; it still publishes, and only on its own point.
    ASSERT_TRUE(world().deleteVessel(v[99]));
    ASSERT_TRUE(world().deleteVessel(v[101]));
    world().clearEvents();
    CrewManager &hundredFirst = Crew(v[100]);
    EXPECT_EQ(hundredFirst.RemoveCrewMember("ann"), 1);
    EXPECT_TRUE(VectorIs(Airlock(v[100])[2], 1, 0, 4));
    const std::vector<sim::Event> changed = world().eventsOfKind(sim::ev::kAttachment);
    ASSERT_FALSE(changed.empty());
    for (const sim::Event &e : changed) {
        EXPECT_EQ(e.vessel, "V101") << e.text;
    }
}

// Set up a second time, a vessel keeps its one airlock point: a second one would go on showing
// the seats it last had to every docked vessel that reads the first.
TEST_F(CrewWorldTest, SettingUpAgainKeepsTheOneAirlockPoint) {
    OBJHANDLE h = MakeVessel("Alpha");
    CrewManager &crew = Crew(h);
    ASSERT_EQ(crew.AddCrewMember("Ann", 30, 60, 70, ""), 1);
    ASSERT_EQ(crew.InitCrewManager(h), 1);
    ASSERT_EQ(crew.DefineAirlockShape(1, -3, 3, -3, 3, -3, 3), 1);
    EXPECT_TRUE(VectorIs(Airlock(h)[0], -3, 3, -3));  // fails unless exactly one point
    EXPECT_TRUE(VectorIs(Airlock(h)[2], 1, 1000, 8));
    EXPECT_EQ(crew.GetCrewCount(), 0);
}

TEST_F(CrewWorldTest, SlotPublishesOnlyOnceItsAirlockExists) {
    OBJHANDLE h = MakeVessel("Alpha", false);
    AirlockSlot slot;
    std::memset(&slot, 0, sizeof slot);
    ASSERT_EQ(slot.InitAirlockSlot(h), 1);
    EXPECT_EQ(slot.PublishFreeSeats(5), -1);
    ASSERT_EQ(slot.DefineAirlockShape(1, -2, 2, -2, 2, -2, 2), 1);
    EXPECT_TRUE(VectorIs(Airlock(h)[2], 1, 1000, 1000));
    EXPECT_EQ(slot.PublishAirlockStatus(7), 1);
    EXPECT_TRUE(VectorIs(Airlock(h)[2], 1, 7, 1000));
    // A set-up that fails leaves the airlock as it was.
    InstallCompanion(false);
    EXPECT_EQ(slot.InitAirlockSlot(MakeVessel("Beta", false)), -999);
    EXPECT_EQ(slot.ownVesselHandle, h);
    EXPECT_EQ(slot.PublishAirlockStatus(8), 1);
}
