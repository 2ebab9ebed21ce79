// Returning crew: members walking back into the airlock box, and members handed over by a
// docked vessel, taken aboard.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "eva_world.h"

using namespace evatest;
using sim::vec;

// However long the vessel list and wherever the member stands in it, a member inside an open
// airlock with a free seat comes aboard within the scan period plus one step of stepping in,
// at every step length.
TEST_F(EvaWorldTest, MemberInsideComesAboardWithinThePeriodAndOneStep) {
    constexpr int kOthers = 60;
    for (const double step : {0.3, 0.25, 0.1, 0.05, 1.0 / 60.0}) {
        for (const int place : {0, kOthers / 2, kOthers}) {
            SCOPED_TRACE("step " + std::to_string(step) + ", member at " + std::to_string(place));
            ResetCrewModuleStateForTesting();
            MakeWorld(step);
            Hab::processEachStep = true;
            OBJHANDLE alpha = MakeHab("Alpha");
            for (int i = 0; i < kOthers; ++i) {
                if (i == place) {
                    MakeMember("Vemo_Jo", alpha, vec(0, 0, 10), vec(35, 72, 80));
                }
                Make("Plain" + std::to_string(i), "Plain", vec(100.0 + i, 0, 0));
            }
            if (place == kOthers) {
                MakeMember("Vemo_Jo", alpha, vec(0, 0, 10), vec(35, 72, 80));
            }
            world().step(7);  // the walk is somewhere in its pass
            world().placeNear(world().find("Vemo_Jo"), alpha, vec(1, 1, 1));
            int steps = 0;
            while (world().find("Vemo_Jo") && steps * step < 1.0) {
                world().step();
                ++steps;
            }
            EXPECT_EQ(Roster(Crew(alpha)), "-Jo-35-72-80;");
            EXPECT_LE(steps * step, RETURNING_CREW_SCAN_PERIOD + step + 1e-9) << steps << " steps";
        }
    }
}

// A frame keeps at most MAX_CREW_CANDIDATES members of its slice; the slice (which goes down
// the list) ends at the first that does not fit, and the next frame goes on from there, so
// the member first in the list, walked last, is not missed.
TEST_F(EvaWorldTest, MembersBeyondWhatAFrameKeepsAreSeenTheNextFrame) {
    MakeWorld(0.3);  // longer than the period: every frame would walk the whole list
    Hab::processEachStep = true;
    OBJHANDLE alpha = MakeHab("Alpha");
    MakeMember("Vemo_Last", alpha, vec(0, 0, 1), vec(35, 72, 80));
    for (int i = 0; i < MAX_CREW_CANDIDATES; ++i) {
        MakeMember("Vemo_Far" + std::to_string(i), alpha, vec(0, 100.0 + i, 0), vec(30, 60, 70));
    }
    StartCounting();
    world().step();
    EXPECT_NE(world().find("Vemo_Last"), nullptr) << "the first frame kept only what fits";
    world().step();
    EXPECT_EQ(Roster(Crew(alpha)), "-Last-35-72-80;");
}

TEST_F(EvaWorldTest, ClosedDoorOrUnreadyManagerTakesNobody) {
    OBJHANDLE alpha = MakeHab("Alpha");
    OBJHANDLE jo = MakeMember("Vemo_Jo", alpha, vec(0, 0, 0), vec(35, 72, 80));
    StartCounting();
    ASSERT_EQ(Crew(alpha).DefineAirlockShape(0, -2, 2, -2, 2, -2, 2), 1);
    EXPECT_EQ(ScanNow(alpha), CREW_NOBODY_RETURNED);
    EXPECT_NE(world().record(jo), nullptr);

    CrewManager unready;
    std::memset(&unready, 0, sizeof unready);
    EXPECT_EQ(unready.ProcessReturningCrew(), CREW_NOT_READY);
    EXPECT_EQ(Crew(alpha).GetCrewCount(), 0);
}

TEST_F(EvaWorldTest, MemberOnTheBoxEdgeComesAboardWithNameAndValues) {
    OBJHANDLE alpha = MakeHab("Alpha");
    OBJHANDLE other = MakeHab("Other", vec(500, 0, 0));
    OBJHANDLE one = MakeMember("Vemo_X1-Pilot_One", alpha, vec(2, -2, 2), vec(35.9, 72.2, 80.7));
    OBJHANDLE two = MakeMember("Vemo_Pilot_Two", alpha, vec(-2, 2, -2.5), vec(40, 60, 90));
    StartCounting();
    world().setFocus(one);
    const double mass = oapiGetEmptyMass(alpha);

    EXPECT_EQ(ScanNow(other), CREW_NOBODY_RETURNED);
    EXPECT_EQ(ScanNow(alpha), CREW_BACK_FROM_EVA);
    EXPECT_EQ(Roster(Crew(alpha)), "X1-Pilot One-35-72-80;");
    EXPECT_EQ(world().record(one), nullptr);
    EXPECT_EQ(world().focus(), alpha);
    EXPECT_DOUBLE_EQ(oapiGetEmptyMass(alpha), mass + 80.0);

    world().placeNear(two, alpha, vec(-2, 2, -2));
    EXPECT_EQ(ScanNow(alpha), CREW_BACK_FROM_EVA);
    EXPECT_EQ(Roster(Crew(alpha)), "X1-Pilot One-35-72-80;-Pilot Two-40-60-90;");
}

// The airlock box is in the vessel's own frame and turns with it: a long box turned a quarter
// turn about y holds a member 3 m off along global x, and no longer one 3 m off along z.
TEST_F(EvaWorldTest, TheBoxTurnsWithItsVessel) {
    OBJHANDLE alpha = MakeHab("Alpha");
    ASSERT_EQ(Crew(alpha).DefineAirlockShape(1, -1, 1, -1, 1, -4, 4), 1);
    world().setRotation(alpha, sim::rotationAboutAxis(vec(0, 1, 0), 3.14159265358979 / 2));
    OBJHANDLE along = MakeMember("Vemo_Along", alpha, vec(0, 0, 0), vec(30, 60, 70));
    world().setPosition(along, sim::operator+(world().record(alpha)->rpos, vec(0, 0, 3)));
    StartCounting();
    EXPECT_EQ(ScanNow(alpha), CREW_NOBODY_RETURNED);

    world().placeNear(along, alpha, vec(0, 0, 3));  // 3 m off along global x
    EXPECT_NEAR(std::fabs(world().record(along)->rpos.x - world().record(alpha)->rpos.x), 3.0,
                1e-9);
    EXPECT_EQ(ScanNow(alpha), CREW_BACK_FROM_EVA);
}

TEST_F(EvaWorldTest, OnlyVesselsWithTheMemberSignatureAreTaken) {
    OBJHANDLE alpha = MakeHab("Alpha");
    // Only the class's own point.
    OBJHANDLE bare = Make("Vemo_Bare", "Vemo");
    world().placeNear(bare, alpha, vec(0, 0, 0));
    // Last point with another id.
    MakeMember("Vemo_Longer", alpha, vec(0, 0, 1), vec(0, 0, 0));
    AddPoint(world().find("Vemo_Longer"), true, "V-emx", vec(30, 60, 70));
    // "V-em", but not the last point.
    OBJHANDLE notLast = MakeMember("Vemo_NotLast", alpha, vec(0, 1, 0), vec(30, 60, 70));
    AddPoint(notLast, true, "GRIP2", vec(0, 0, 0));
    // Right points, wrong class.
    OBJHANDLE plain = Make("Vemo_Plain", "Plain");
    world().placeNear(plain, alpha, vec(1, 0, 0));
    AddPoint(plain, true, "GRIP", vec(0, 0, 0));
    AddPoint(plain, true, "V-em", vec(30, 60, 70));
    StartCounting();

    EXPECT_EQ(ScanNow(alpha), CREW_NOBODY_RETURNED);
    EXPECT_EQ(Crew(alpha).GetCrewCount(), 0);
    EXPECT_EQ(world().vessels().size(), 5u);
}

// With many members elsewhere in the frame, a vessel tests only those the walk's grid puts
// near it: in list order still.
class ListOrder : public EvaWorldTest, public ::testing::WithParamInterface<int> {};
INSTANTIATE_TEST_SUITE_P(MembersElsewhere, ListOrder, ::testing::Values(0, 40));

TEST_P(ListOrder, DecidesWhoComesFirst) {
    OBJHANDLE alpha = MakeHab("Alpha");
    MakeMember("Vemo_Outside", alpha, vec(0, 0, 2.5), vec(20, 50, 60));
    MakeMember("Vemo_First", alpha, vec(0, 0, -1), vec(30, 60, 70));
    MakeMember("Vemo_Second", alpha, vec(0, 0, 1), vec(40, 70, 80));
    for (int i = 0; i < GetParam(); ++i) {
        MakeMember("Vemo_Far" + std::to_string(i), alpha, vec(500, 0, 10.0 * i), vec(20, 50, 60));
    }
    StartCounting();

    // The one outside does not stop the walk; both inside come in at once, in list order.
    EXPECT_EQ(ScanNow(alpha), CREW_BACK_FROM_EVA);
    EXPECT_EQ(Roster(Crew(alpha)), "-First-30-60-70;-Second-40-70-80;");
    EXPECT_EQ(ScanNow(alpha), CREW_NOBODY_RETURNED);
    EXPECT_NE(world().find("Vemo_Outside"), nullptr);
}

// A carrier waiting for another vessel used to end the walk, hiding everyone after it in the
// vessel list.
TEST_F(EvaWorldTest, CarrierForAnotherVesselDoesNotHideMembersBehindIt) {
    OBJHANDLE alpha = MakeHab("Alpha");
    OBJHANDLE beta = MakeHab("Beta", vec(0, 0, -20));
    ASSERT_TRUE(world().dock(alpha, 0, beta, 0));
    ASSERT_EQ(Crew(alpha).AddCrewMember("Ann", 30, 60, 70, ""), 1);
    ASSERT_EQ(Crew(alpha).EvaCrewMember("Ann"), CREW_TRANSFER);
    MakeMember("Vemo_Bob", alpha, vec(0, 0, 0), vec(40, 70, 80));
    StartCounting();

    EXPECT_EQ(ScanNow(alpha), CREW_BACK_FROM_EVA);
    EXPECT_EQ(Roster(Crew(alpha)), "-Bob-40-70-80;");
    EXPECT_NE(world().find("VemoTBeta"), nullptr);
    EXPECT_TRUE(Exists(kTransferFile));
}

// A full roster must not swallow a member: the member stays outside, the carrier and its
// record wait, until a seat is free.
TEST_F(EvaWorldTest, FullRosterLeavesMembersWaitingUntilASeatIsFree) {
    OBJHANDLE alpha = MakeHab("Alpha");
    OBJHANDLE beta = MakeHab("Beta", vec(0, 0, -20));
    ASSERT_TRUE(world().dock(alpha, 0, beta, 0));
    ASSERT_EQ(Crew(alpha).AddCrewMember("Ann", 30, 60, 70, "A"), 1);
    ASSERT_EQ(Crew(beta).SetMaxSeatCount(1), 1);
    ASSERT_EQ(Crew(alpha).EvaCrewMember("Ann"), CREW_TRANSFER);
    // Beta fills its seat before it scans; a member on EVA waits at its airlock too.
    ASSERT_EQ(Crew(beta).AddCrewMember("Cy", 40, 70, 80, ""), 1);
    OBJHANDLE dan = MakeMember("Vemo_Dan", beta, vec(0, 0, 0), vec(45, 75, 85));
    StartCounting();

    EXPECT_EQ(ScanNow(beta), CREW_NOBODY_RETURNED);
    EXPECT_EQ(ScanNow(beta), CREW_NOBODY_RETURNED);
    EXPECT_NE(world().find("VemoTBeta"), nullptr);
    EXPECT_NE(world().record(dan), nullptr);
    EXPECT_TRUE(Exists(kTransferFile));
    EXPECT_EQ(Roster(Crew(beta)), "-Cy-40-70-80;");

    ASSERT_EQ(Crew(beta).RemoveCrewMember("Cy"), 1);
    ASSERT_EQ(Crew(alpha).AddCrewMember("Cy", 40, 70, 80, ""), 1);  // Cy moved over by hand
    EXPECT_EQ(ScanNow(beta), CREW_HANDED_OVER);
    EXPECT_EQ(Roster(Crew(beta)), "A-Ann-30-60-70;");
    EXPECT_FALSE(Exists(kTransferFile));
    ASSERT_EQ(Crew(beta).SetMaxSeatCount(2), 1);
    EXPECT_EQ(ScanNow(beta), CREW_BACK_FROM_EVA);
    EXPECT_EQ(Roster(Crew(beta)), "A-Ann-30-60-70;-Dan-45-75-85;");
}

// Without its own record the arriving member must not board as whoever the module's record
// buffer last held; the carrier's own values count, and the name is unknown.
TEST_F(EvaWorldTest, UnreadableTransferRecordNeverBoardsAStaleMember) {
    OBJHANDLE alpha = MakeHab("Alpha");
    OBJHANDLE beta = MakeHab("Beta", vec(0, 0, -20));
    OBJHANDLE gamma = MakeHab("Gamma", vec(300, 0, 0));
    ASSERT_TRUE(world().dock(alpha, 0, beta, 0));
    ASSERT_EQ(Crew(alpha).AddCrewMember("Ann", 30, 60, 70, "A"), 1);
    ASSERT_EQ(Crew(alpha).AddCrewMember("Bo", 31, 61, 71, "B"), 1);
    ASSERT_EQ(Crew(alpha).AddCrewMember("Cy", 32, 62, 72, "C"), 1);
    ASSERT_EQ(Crew(gamma).AddCrewMember("Stale", 99, 99, 99, "S"), 1);
    StartCounting();

    struct Case {
        const char *member;
        int keepBytes;  // of the record file; -1 removes it
        const char *roster;
    } cases[] = {
        {"Ann", -1, "-Unknown-30-60-70;"},
        {"Bo", 50, "-Unknown-30-60-70;-Unknown-31-61-71;"},
        {"Cy", 104, "-Unknown-30-60-70;-Unknown-31-61-71;C-Cy-32-62-72;"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.member);
        ASSERT_EQ(Crew(alpha).EvaCrewMember(c.member), CREW_TRANSFER);
        std::vector<unsigned char> record = ReadBytes(kTransferFile);
        ASSERT_EQ(record.size(), 104u);
        // Meanwhile another member leaves on EVA and fills the module's record buffer.
        ASSERT_EQ(Crew(gamma).EvaCrewMember("Stale"), CREW_EVA);
        if (c.keepBytes < 0) {
            std::filesystem::remove(root_ / kTransferFile);
        } else {
            record.resize(static_cast<std::size_t>(c.keepBytes));
            WriteBytes(kTransferFile, record);
        }
        EXPECT_EQ(ScanNow(beta), CREW_HANDED_OVER);
        EXPECT_EQ(Roster(Crew(beta)), c.roster);
        EXPECT_FALSE(Exists(kTransferFile));
        // Stale goes back home for the next round.
        ASSERT_EQ(ScanNow(gamma), CREW_NOBODY_RETURNED);
        world().placeNear(world().find("Vemo_S-Stale"), gamma, vec(0, 0, 0));
        AddPoint(world().find("Vemo_S-Stale"), true, "V-em", vec(99, 99, 99));
        ASSERT_EQ(ScanNow(gamma), CREW_BACK_FROM_EVA);
    }

    // A whole record of another hand-over disagrees with the carrier's values.
    ASSERT_EQ(Crew(beta).RemoveCrewMember("Cy"), 1);
    ASSERT_EQ(Crew(alpha).AddCrewMember("Cy", 32, 62, 72, "C"), 1);
    ASSERT_EQ(Crew(alpha).EvaCrewMember("Cy"), CREW_TRANSFER);
    std::vector<unsigned char> record = ReadBytes(kTransferFile);
    record[80] = 77;
    WriteBytes(kTransferFile, record);
    EXPECT_EQ(ScanNow(beta), CREW_HANDED_OVER);
    EXPECT_EQ(Crew(beta).GetCrewMember(2)->age, 32);
    EXPECT_STREQ(Crew(beta).GetCrewMember(2)->name, "Unknown");
}

// A member arrives with a name: a crew-member vessel's, or a record's name field. After its
// first five characters ("Vemo_") at most 32 count; the mission id is what comes before the
// first "-". Whatever the name, nothing is read or written past a field.
TEST_F(EvaWorldTest, ArrivingNamesSplitIntoMissionIdAndName) {
    OBJHANDLE alpha = MakeHab("Alpha");
    ASSERT_EQ(Crew(alpha).SetMaxSeatCount(100), 1);
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const struct {
        std::string vessel;
        const char *missionId;
        std::string name;
    } cases[] = {
        {"Vemo_X1-Pilot_One", "X1", "Pilot One"},
        {"Vemo_Pilot_One", "", "Pilot One"},
        {"Vemo", "", ""},                    // no text after the prefix
        {"Pilot1-Jo", "1", "Jo"},            // five characters go, whatever they are
        {"Vemo_ABCDEFGH-Jo", "ABCD", "Jo"},  // 5 taken, 4 kept
        {"Vemo_A-B-C", "A", "B C"},          // split at the first "-" only
        {"Vemo_" + std::string(80, 'z'), "", std::string(25, 'z')},
        // The 32 characters end within the name: 32 - 27 are left of it.
        {"Vemo_" + alphabet + "-abcdefghij", "ABCD", "abcde"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.vessel);
        MakeMember(c.vessel, alpha, vec(0, 0, 0), vec(35, 72, 80));
        ASSERT_EQ(ScanNow(alpha), CREW_BACK_FROM_EVA);
        const CrewMember &m = *Crew(alpha).GetCrewMember(Crew(alpha).GetCrewCount() - 1);
        EXPECT_STREQ(m.missionId, c.missionId);
        EXPECT_EQ(m.name, c.name);
    }
}

// Values from another vessel's point are held to the roster's ranges, whatever they are.
TEST_F(EvaWorldTest, MemberValuesOfAnyMagnitudeAreClamped) {
    OBJHANDLE alpha = MakeHab("Alpha");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    OBJHANDLE wild = MakeMember("Vemo_Wild", alpha, vec(0, 0, 10), vec(1e300, -1e300, nan));
    StartCounting();
    const AirlockSlot before = Slot(alpha);

    EXPECT_EQ(ScanNow(alpha), CREW_NOBODY_RETURNED);  // outside the box: nothing changes
    EXPECT_EQ(Crew(alpha).GetCrewCount(), 0);
    EXPECT_EQ(Slot(alpha).statusValue, before.statusValue);
    EXPECT_EQ(Slot(alpha).freeSeats, before.freeSeats);

    world().placeNear(wild, alpha, vec(0, 0, 0));
    EXPECT_EQ(ScanNow(alpha), CREW_BACK_FROM_EVA);
    EXPECT_EQ(Roster(Crew(alpha)), "-Wild-140-0-5;");
}

// Every vessel of a module that wants crew tests the same walk: a member inside several
// airlocks goes to the vessel first in the list, once, and each vessel takes every member in
// its own airlock in the same step, in list order.
TEST_F(EvaWorldTest, VesselsOfAModuleShareOneWalkAndTakeEachMemberOnce) {
    MakeWorld(0.3);  // longer than the period: every step walks the whole list
    Hab::processEachStep = true;
    OBJHANDLE alpha = MakeHab("Alpha");
    OBJHANDLE beta = MakeHab("Beta", vec(1, 0, 0));  // boxes overlap from x = -1 to 2
    OBJHANDLE gamma = MakeHab("Gamma", vec(50, 0, 0));
    MakeMember("Vemo_Both", alpha, vec(1.5, 0, 0), vec(30, 60, 70));
    MakeMember("Vemo_Beta1", beta, vec(2, 0, 0), vec(31, 61, 71));
    MakeMember("Vemo_Gamma1", gamma, vec(0, 0, 1), vec(32, 62, 72));
    MakeMember("Vemo_Gamma2", gamma, vec(0, 0, -1), vec(33, 63, 73));
    StartCounting();

    world().step();
    EXPECT_EQ(Roster(Crew(alpha)), "-Both-30-60-70;");
    EXPECT_EQ(Roster(Crew(beta)), "-Beta1-31-61-71;");
    EXPECT_EQ(Roster(Crew(gamma)), "-Gamma1-32-62-72;-Gamma2-33-63-73;");
    world().step();
    EXPECT_EQ(Crew(alpha).GetCrewCount() + Crew(beta).GetCrewCount(), 2);
}

// Each crew-capable vessel has an airlock of its own however many there are: the 101st and
// the 10,000th send a member out and take him back.
TEST_F(EvaWorldTest, TheHundredAndFirstAndTheTenThousandthTakeTheirMembersBack) {
    constexpr int kHabs = 10000;
    std::vector<OBJHANDLE> habs;
    for (int i = 0; i < kHabs; ++i) {
        habs.push_back(MakeHab("H" + std::to_string(i + 1), vec(20.0 * i, 0, 0)));
    }
    for (const int index : {100, kHabs - 1}) {
        SCOPED_TRACE(index + 1);
        OBJHANDLE h = habs[index];
        const std::string missionId = "Q" + std::to_string(index % 10);
        ASSERT_EQ(Crew(h).AddCrewMember("Jo", 35, 72, 80, missionId.c_str()), 1);
        ASSERT_EQ(Crew(h).EvaCrewMember("Jo"), CREW_EVA);
        EXPECT_EQ(Slot(h).freeSeats, kHabSeats);
        const std::string name = "Vemo_" + missionId + "-Jo";
        OBJHANDLE member = world().find(name);
        ASSERT_NE(member, nullptr);
        AddPoint(member, true, "V-em", vec(35, 72, 80));  // the stand-in shows no point itself
        world().placeNear(member, h, vec(0, 1, 0));
        EXPECT_EQ(ScanNow(h), CREW_BACK_FROM_EVA);
        EXPECT_EQ(Roster(Crew(h)), missionId + "-Jo-35-72-80;");
        EXPECT_EQ(world().find(name), nullptr);
    }
}
