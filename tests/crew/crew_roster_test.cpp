// Crew roster: set-up, seat limit, members coming and going, mass, and what the airlock
// point shows other vessels.
#include <cmath>
#include <string>

#include "crew_world.h"

using namespace crewtest;

TEST_F(CrewWorldTest, AirlockPointFollowsSetUpAndRosterChanges) {
    OBJHANDLE h = MakeVessel("Alpha");
    CrewManager &crew = Crew(h);
    ASSERT_TRUE(crew.IsReady());
    EXPECT_TRUE(VectorIs(Airlock(h)[0], -2, 2, -2));
    EXPECT_TRUE(VectorIs(Airlock(h)[1], 2, -2, 2));
    EXPECT_TRUE(VectorIs(Airlock(h)[2], 1, 1000, 8));
    ASSERT_EQ(crew.AddCrewMember("Ann", 30, 60, 70, "A1"), 1);
    EXPECT_TRUE(VectorIs(Airlock(h)[2], 1, 0, 7));
    ASSERT_EQ(crew.SetMaxSeatCount(3), 1);
    EXPECT_TRUE(VectorIs(Airlock(h)[2], 1, 0, 2));
    ASSERT_EQ(crew.RemoveCrewMember("ann"), 1);
    EXPECT_TRUE(VectorIs(Airlock(h)[2], 1, 0, 3));
}

TEST_F(CrewWorldTest, AddCrewMemberCutsCleansAndClampsAndWeighsIn) {
    OBJHANDLE h = MakeVessel("Alpha");
    CrewManager &crew = Crew(h);
    ASSERT_EQ(crew.AddCrewMember("John-Doe!", 35, 72, 80, "A01"), 1);
    EXPECT_STREQ(crew.GetCrewMember(0)->name, "John Doe ");
    ASSERT_EQ(crew.AddCrewMember("ABCDEFGHIJKLMNOPQRSTUVWXYZabcd", 0, -5, 2, "MISSION"), 1);
    EXPECT_STREQ(crew.GetCrewMember(1)->name, "ABCDEFGHIJKLMNOPQRSTUVWXY");
    EXPECT_STREQ(crew.GetCrewMember(1)->missionId, "MISS");
    EXPECT_EQ(crew.GetCrewMember(1)->age * 1000 + crew.GetCrewMember(1)->pulse, 1000);
    ASSERT_EQ(crew.AddCrewMember("", 200, 181, 301, nullptr), 1);  // an empty name is a name
    EXPECT_STREQ(crew.GetCrewMember(2)->missionId, "");
    EXPECT_EQ(crew.GetCrewMember(2)->age * 1000 + crew.GetCrewMember(2)->pulse, 140180);
    // The stored weights (80, 5, 300) are what the mass gains.
    EXPECT_DOUBLE_EQ(crew.GetCrewMass(), 385);
    EXPECT_DOUBLE_EQ(oapiGetEmptyMass(h), kClassEmptyMass + 385);

    // A separator or control character in a mission id would break the saved line.
    ASSERT_EQ(crew.AddCrewMember("Bo", 30, 60, 70, "A-\n1"), 1);
    EXPECT_STREQ(crew.GetCrewMember(3)->missionId, "A__1");
    // Texts far longer than any field are read only as far as they are kept.
    const std::string huge(1000, 'q');
    ASSERT_EQ(crew.AddCrewMember(huge.c_str(), 30, 60, 70, huge.c_str()), 1);
    EXPECT_EQ(std::string(crew.GetCrewMember(4)->name), huge.substr(0, 25));
    EXPECT_EQ(crew.RemoveCrewMember(huge.c_str()), 0);
    EXPECT_EQ(crew.AddCrewMember(nullptr, 30, 60, 70, "A"), 0);
    EXPECT_EQ(crew.GetCrewCount(), 5);
}

TEST_F(CrewWorldTest, RemovingMatchesAnyCaseMovesTheLastMemberAndWeighsOut) {
    OBJHANDLE h = MakeVessel("Alpha");
    CrewManager &crew = Crew(h);
    for (const char *name : {"Ann", "Bob", "Cy", "Dee"}) {
        ASSERT_EQ(crew.AddCrewMember(name, 30, 60, 50, ""), 1);
    }
    ASSERT_EQ(crew.RemoveCrewMember("ANN"), 1);
    ASSERT_EQ(crew.RemoveCrewMember("cy"), 1);  // now the last one: the others stay
    EXPECT_STREQ(crew.GetCrewNameBySlot(0), "Dee");
    EXPECT_STREQ(crew.GetCrewNameBySlot(1), "Bob");
    EXPECT_EQ(crew.RemoveCrewMember("Cy"), 0);
    EXPECT_EQ(crew.RemoveCrewMember(std::string(40, 'a').c_str()), 0);
    EXPECT_DOUBLE_EQ(oapiGetEmptyMass(h), kClassEmptyMass + 100);
    for (int index : {-1, 2}) {
        ASSERT_NE(crew.GetCrewNameBySlot(index), nullptr);
        EXPECT_STREQ(crew.GetCrewNameBySlot(index), "");
    }
}

TEST_F(CrewWorldTest, SeatLimitBoundsTheRosterAndNeverGoesBelowTheCrew) {
    OBJHANDLE h = MakeVessel("Alpha");
    CrewManager &crew = Crew(h);
    EXPECT_EQ(crew.SetMaxSeatCount(0), 0);
    EXPECT_EQ(crew.SetMaxSeatCount(101), 0);
    EXPECT_EQ(crew.SetMaxSeatCount(100), 1);
    for (const char *name : {"Ann", "Bob", "Cy"}) {
        ASSERT_EQ(crew.AddCrewMember(name, 30, 60, 70, ""), 1);
    }
    // Below the crew aboard would publish negative free seats to docked vessels.
    EXPECT_EQ(crew.SetMaxSeatCount(2), 0);
    ASSERT_EQ(crew.SetMaxSeatCount(3), 1);
    EXPECT_EQ(crew.AddCrewMember("Dee", 30, 60, 70, ""), 0);
    EXPECT_TRUE(VectorIs(Airlock(h)[2], 1, 0, 0));
    EXPECT_EQ(crew.SetMaxSeatCount(4), 1);
    EXPECT_EQ(crew.AddCrewMember("Dee", 30, 60, 70, ""), 1);
}

TEST_F(CrewWorldTest, DefineAirlockShapeChecksItsArgumentsAndPublishesTheSeatsLeft) {
    OBJHANDLE h = MakeVessel("Alpha", false);
    CrewManager &crew = Crew(h);
    ASSERT_EQ(crew.InitCrewManager(h), 1);
    // door, minimum x, maximum x
    const float refused[][3] = {{1, 2, -2}, {2, -2, 2}, {-1, -2, 2}, {1, -2, NAN}};
    for (const auto &bad : refused) {
        EXPECT_EQ(crew.DefineAirlockShape(int(bad[0]), bad[1], bad[2], -2, 2, -2, 2), 0);
    }
    EXPECT_FALSE(crew.IsReady());
    EXPECT_FALSE(HasAirlock(h));

    ASSERT_EQ(crew.DefineAirlockShape(0, 1, 1, -2, 2, -2, 2), 1);  // equal bounds are a box
    EXPECT_TRUE(crew.IsReady());
    for (const char *name : {"Ann", "Bob", "Cy"}) {
        ASSERT_EQ(crew.AddCrewMember(name, 30, 60, 70, ""), 1);
    }
    EXPECT_EQ(crew.DefineAirlockShape(1, -2, 2, -2, 2, 3, 2), 0);
    EXPECT_EQ(crew.GetAirlock().doorValue, 0);
    // The same point moves, and tells a docked vessel the seats really left.
    ASSERT_EQ(crew.DefineAirlockShape(1, -3, 3, -1, 1, 0, 4), 1);
    EXPECT_TRUE(VectorIs(Airlock(h)[0], -3, 3, -1));
    EXPECT_TRUE(VectorIs(Airlock(h)[1], 1, 0, 4));
    EXPECT_TRUE(VectorIs(Airlock(h)[2], 1, 0, 5));
}

TEST_F(CrewWorldTest, WithoutTheCompanionModuleNothingBecomesReady) {
    OBJHANDLE owner = MakeVessel("Owner");
    InstallCompanion(false);
    OBJHANDLE h = MakeVessel("Alpha");
    CrewManager &crew = Crew(h);
    EXPECT_EQ(Vessel(h).initResult, -999);
    EXPECT_EQ(crew.GetAirlock().ownVessel, nullptr);
    EXPECT_EQ(crew.DefineAirlockShape(1, -2, 2, -2, 2, -2, 2), 0);
    EXPECT_EQ(crew.SetMaxSeatCount(1), 0);
    EXPECT_EQ(crew.SetEvaPositionRotation(sim::vec(1, 2, 3), sim::vec(0, 0, 0)), 0);
    EXPECT_EQ(crew.AddCrewMember("Ann", 30, 60, 70, ""), 0);
    EXPECT_EQ(crew.LoadCrewLine("VEMOCREW A01-Jo-35-72-80"), 0);
    EXPECT_EQ(crew.GetCrewCount(), 0);
    EXPECT_STREQ(crew.GetCrewNameBySlot(0), "");
    EXPECT_FALSE(HasAirlock(h));
    EXPECT_DOUBLE_EQ(oapiGetEmptyMass(h), kClassEmptyMass);
    EXPECT_TRUE(VectorIs(Airlock(owner)[0], -2, 2, -2));  // the other vessel's is untouched

    EXPECT_EQ(crew.InitCrewManager(nullptr), -1);
    InstallCompanion(true);
    EXPECT_EQ(crew.InitCrewManager(h), 1);
    EXPECT_EQ(crew.GetAirlock().ownVesselHandle, h);
}
