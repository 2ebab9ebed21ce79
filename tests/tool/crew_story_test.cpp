// The crew story: the conventions between vessels read as what they say, told only when
// what they say changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CrewStory.h"

namespace {

using vemosim::CrewStory;

sim::Attachment point(bool toParent, const char *id, VECTOR3 pos, VECTOR3 dir, VECTOR3 rot) {
    sim::Attachment a;
    a.toParent = toParent;
    a.id = id;
    a.pos = pos;
    a.dir = dir;
    a.rot = rot;
    return a;
}

// An airlock of +-2 m with its door and free seats.
sim::Attachment airlock(double door, double freeSeats) {
    return point(false, "Vemo", sim::vec(-2, 2, -2), sim::vec(2, -2, 2),
                 sim::vec(door, 0, freeSeats));
}

TEST(CrewStory, AirlocksReadAsTheyArePublished) {
    EXPECT_EQ(vemosim::airlockText(vemosim::airlockOf(airlock(1, 1))),
              "airlock open, box \xC2\xB1"
              "2 m, 1 free seat");
    const sim::Attachment odd =
        point(false, "Vemo", sim::vec(-1, 2, -3), sim::vec(4, 0, 0.5), sim::vec(0.5, 7, 0));
    EXPECT_EQ(vemosim::airlockText(vemosim::airlockOf(odd)),
              "airlock door 0.5, box x -1..2, y -3..4, z 0..0.5 m, 0 free seats, status 7");

    const AirlockPoint box = vemosim::airlockOf(airlock(1, 0));
    EXPECT_TRUE(box.Contains(sim::vec(2, -2, 0))) << "the bounds belong to the box";
    EXPECT_FALSE(box.Contains(sim::vec(0, 0, 2.01)));
}

TEST(CrewStory, APointIsToldWhenWhatItSaysChanges) {
    CrewStory story;
    sim::VesselRecord pod;
    pod.name = "Pod";
    sim::Attachment lock = airlock(1, 0);
    std::string kind, text;
    ASSERT_TRUE(story.describePoint(pod, lock, kind, text));
    EXPECT_EQ(kind, CrewStory::kAirlock);
    EXPECT_EQ(text,
              "airlock open, box \xC2\xB1"
              "2 m, 0 free seats");
    EXPECT_TRUE(story.describePoint(pod, lock, kind, text));
    EXPECT_EQ(text, "") << "nothing changed";
    lock.rot.z = 1;
    story.describePoint(pod, lock, kind, text);
    EXPECT_EQ(text, "airlock: 1 free seat (was 0)");
    lock.rot.x = 0;
    story.describePoint(pod, lock, kind, text);
    EXPECT_EQ(text,
              "airlock closed, box \xC2\xB1"
              "2 m, 1 free seat");

    EXPECT_FALSE(story.describePoint(pod, point(false, "dock", {}, {}, {}), kind, text));
}

TEST(CrewStory, AMemberIsReadyOnlyWithItsLastPointOfTwo) {
    CrewStory story;
    sim::VesselRecord member;
    member.name = "Vemo_A01-John_Doe";
    member.className = "Vemo";
    sim::Attachment grip = point(true, "GRIP", {}, {}, {});
    sim::Attachment ready = point(true, "V-em", sim::vec(35, 72, 80.9), {}, {});
    std::string kind, text;
    member.toParent = {&ready};
    EXPECT_FALSE(story.describePoint(member, ready, kind, text)) << "its only point";
    member.toParent = {&grip, &ready};
    ASSERT_TRUE(story.describePoint(member, ready, kind, text));
    EXPECT_EQ(kind, CrewStory::kCrew);
    EXPECT_EQ(text, "crew member ready to return: age 35, pulse 72, 80 kg");
    member.className = "Rock";
    EXPECT_FALSE(story.describePoint(member, ready, kind, text)) << "not a crew member's class";
}

TEST(CrewStory, CrewLinesReadAsMembers) {
    EXPECT_EQ(vemosim::describeCrewLine("VEMOCREW A01-John_Doe-35-72-80"),
              "John Doe (A01), age 35, pulse 72, 80 kg");
    EXPECT_EQ(vemosim::describeCrewLine("VEMOCREW -Ann-30-60-55"), "Ann, age 30, pulse 60, 55 kg");
    // As a vessel takes it: an empty name is a member too, and a cut name is told cut.
    EXPECT_EQ(vemosim::describeCrewLine("VEMOCREW A01--35-72-80"),
              "no name (A01), age 35, pulse 72, 80 kg");
    EXPECT_EQ(vemosim::describeCrewLine("VEMOCREW A01-Abcdefghijklmnopqrstuvwxyzabcd-35-72-80"),
              "Abcdefghijklmnopqrstuvwxy (A01), age 35, pulse 72, 80 kg");
    // A value no vessel would take is given back as it stands.
    for (const char *odd : {"A01-John_Doe-35-72", "A01-Jo-x-72-80", "A01-Jo-123456-72-80"})
        EXPECT_EQ(vemosim::describeCrewLine(std::string("VEMOCREW ") + odd), odd);

    // A line the vessel refused at loading is not aboard, though the vessel keeps it.
    CrewStory story;
    sim::VesselRecord pod;
    pod.name = "Pod";
    sim::Attachment lock = airlock(1, 0);
    pod.toChild = {&lock};
    sim::ShipBlock block;
    block.name = "Pod";
    block.lines = {"STATUS Orbiting Earth", "VEMOCREW A01-John_Doe-35-72-80",
                   "vemocrew B02-Jane_Roe-999-64-75"};
    EXPECT_EQ(story.aboardAtLoad(pod, block, {"vemocrew B02-Jane_Roe-999-64-75"}),
              (std::vector<std::string>{"aboard: John Doe (A01), age 35, pulse 72, 80 kg"}));
    sim::ScenarioFile saved;
    saved.ships = {block};
    EXPECT_EQ(story.summary(pod, &saved.ships[0]),
              (std::vector<std::string>{"crew: John Doe (A01), age 35, pulse 72, 80 kg",
                                        "crew line kept, not aboard: B02-Jane_Roe-999-64-75"}));
    saved.ships[0].lines = {"STATUS Orbiting Earth"};
    EXPECT_EQ(story.summary(pod, &saved.ships[0]),
              (std::vector<std::string>{"crew: nobody aboard"}));
    EXPECT_EQ(story.summary(pod, nullptr), (std::vector<std::string>{"crew: nobody aboard"}));
}

TEST(CrewStory, LinesHandedOnAreMatchedInOrder) {
    const std::vector<std::string> block = {"STATUS Orbiting Earth", "VEMOCREW A-A-30-70-60",
                                            "LIGHTS on", "VEMOCREW A-A-30-70-60"};
    // The second of two equal lines came back, and a line that is none of the block's does
    // not hold up the ones after it.
    std::vector<std::string> strays;
    EXPECT_EQ(vemosim::matchHandedOn(block, {"LIGHTS off", "LIGHTS on", "VEMOCREW A-A-30-70-60"},
                                     &strays),
              (std::vector<bool>{false, false, true, true}));
    EXPECT_EQ(strays, std::vector<std::string>{"LIGHTS off"});
    sim::ShipBlock b;
    b.lines = block;
    EXPECT_EQ(vemosim::crewLinesTaken(b, {"VEMOCREW A-A-30-70-60"}), 1u);
}

}  // namespace
