// Crew scenario lines: what is written, what the loader takes, what it leaves to the host.
#include <algorithm>
#include <string>
#include <vector>

#include "crew_world.h"

using namespace crewtest;

TEST_F(CrewWorldTest, LoaderTakesValidCrewValuesAndRefusesTheRest) {
    CrewManager &crew = Crew(MakeVessel("Alpha"));
    ASSERT_EQ(crew.SetMaxSeatCount(100), 1);
    crew.LoadCrewLine("STATUS Orbiting Earth");  // the first line's reset is done
    const std::string n30(30, 'n');
    const struct {
        std::string line;
        const char *missionId = nullptr;  // null: the line is refused
        const char *name = nullptr;
        int age = 0, pulse = 0, weight = 0;
    } cases[] = {
        {"VEMOCREW A01-John_Doe-35-72-80", "A01", "John Doe", 35, 72, 80},
        {"vemocrew \t -Pilot_One-1-0-5", "", "Pilot One", 1, 0, 5},
        {"VEMOCREWABCDEF-Jo-140-180-300-extra", "ABCD", "Jo", 140, 180, 300},
        {"VEMOCREW A01-J.\xC3\xB6-35-72-80", "A01", "J   ", 35, 72, 80},
        {"VEMOCREW A01--35-72-80", "A01", "", 35, 72, 80},  // how an empty name is saved
        {"VEMOCREW A01-" + n30 + "-35-72-80", "A01", "nnnnnnnnnnnnnnnnnnnnnnnnn", 35, 72, 80},
        {"VEMOCREW A01-Jo-000035-72-80.9", "A01", "Jo", 3, 72, 80},
        {"VEMOCREW A01-Jo-35-72-80-" + std::string(1000, 'x'), "A01", "Jo", 35, 72, 80},
        {"VEMOCREW A01-Jo-0-72-80"},
        {"VEMOCREW A01-Jo-141-72-80"},
        {"VEMOCREW A01-Jo-35-181-80"},
        {"VEMOCREW A01-Jo-35-72-4"},
        {"VEMOCREW A01-Jo-35-72-301"},
        {"VEMOCREW A01-Jo-35-72"},
        // A field without a digit holds no number; read as 0 it would make a pulse up.
        {"VEMOCREW A01-Jo-35-inf-80"},
        {"VEMOCREW A01-Jo-35--80"},
        {"VEMOCREW A01-Jo-35-+-80"},
        {"VEMOCREW A01-Jo-x-72-80"},
        {"VEMOCREW A01-Jo-35-72-"},
        {"VEMOCREW"},
        {" VEMOCREW A01-Jo-35-72-80"},
        // The numbers lie beyond the 399 characters the loader reads of a value.
        {"VEMOCREW A01-" + std::string(1000, 'n') + "-35-72-80"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line.substr(0, 40));
        const int before = crew.GetCrewCount();
        ASSERT_EQ(crew.LoadCrewLine(c.line.c_str()), c.missionId ? 1 : 0);
        if (!c.missionId) {
            EXPECT_EQ(crew.GetCrewCount(), before);
            continue;
        }
        ASSERT_EQ(crew.GetCrewCount(), before + 1);
        const CrewMember &m = *crew.GetCrewMember(before);
        EXPECT_STREQ(m.missionId, c.missionId);
        EXPECT_STREQ(m.name, c.name);
        EXPECT_EQ(m.age * 1000000 + m.pulse * 1000 + m.weight,
                  c.age * 1000000 + c.pulse * 1000 + c.weight);
    }
}

TEST_F(CrewWorldTest, FirstLineEmptiesTheRosterAndFullSeatsRefuseLines) {
    OBJHANDLE h = MakeVessel("Alpha");
    CrewManager &crew = Crew(h);
    ASSERT_EQ(crew.AddCrewMember("Ann", 30, 60, 80, ""), 1);
    ASSERT_EQ(crew.AddCrewMember("Bob", 30, 60, 70, ""), 1);
    EXPECT_EQ(crew.LoadCrewLine("RPOS 0 0 0"), 0);
    EXPECT_EQ(crew.GetCrewCount(), 0);
    EXPECT_DOUBLE_EQ(oapiGetEmptyMass(h), kClassEmptyMass);
    EXPECT_TRUE(VectorIs(Airlock(h)[2], 1, 0, 8));

    ASSERT_EQ(crew.SetMaxSeatCount(1), 1);
    EXPECT_EQ(crew.LoadCrewLine("VEMOCREW A01-Jo-35-72-80"), 1);
    EXPECT_TRUE(VectorIs(Airlock(h)[2], 1, 0, 0));
    EXPECT_EQ(crew.LoadCrewLine("VEMOCREW A02-Al-36-73-81"), 0);
    EXPECT_STREQ(crew.GetCrewNameBySlot(0), "Jo");
    // A loaded member weighs like any other, and leaving takes that weight off again.
    EXPECT_DOUBLE_EQ(oapiGetEmptyMass(h), kClassEmptyMass + 80);
    EXPECT_DOUBLE_EQ(crew.GetCrewMass(), 80);
    ASSERT_EQ(crew.RemoveCrewMember("jo"), 1);
    EXPECT_DOUBLE_EQ(oapiGetEmptyMass(h), kClassEmptyMass);
}

TEST_F(CrewWorldTest, SavedRosterLoadsBackAndOtherLinesReachTheHostParser) {
    OBJHANDLE h = MakeVessel("Alpha");
    CrewManager &crew = Crew(h);
    EXPECT_EQ(crew.SaveCrewLines(nullptr), 0);
    ASSERT_EQ(crew.AddCrewMember("John Doe", 35, 72, 80, "A01"), 1);
    ASSERT_EQ(crew.AddCrewMember("Pilot One", 41, 0, 66, nullptr), 1);
    ASSERT_EQ(crew.AddCrewMember("", 50, 70, 90, "M-2"), 1);
    const CrewManager before = crew;

    sim::ScenarioFile saved = world().save();
    ASSERT_EQ(saved.ships.size(), 1u);
    std::vector<std::string> &lines = saved.ships[0].lines;
    ASSERT_GT(lines.size(), 3u);  // the host's own lines come first
    const char *values[] = {"A01-John_Doe-35-72-80", "-Pilot_One-41-0-66", "M_2--50-70-90"};
    for (size_t i = 0; i < 3; ++i) {
        const std::string &line = lines[lines.size() - 3 + i];
        EXPECT_EQ(line.substr(0, 8), "VEMOCREW");
        EXPECT_EQ(line.substr(line.find_first_not_of(" \t", 8)), values[i]);
    }

    lines.insert(lines.begin(), {"VEMOCREW A01-Jo-0-72-80", "FOO bar"});
    lines.push_back("VEMOCREW A01-Cy");
    ASSERT_TRUE(world().deleteVessel(h));
    world().clearEvents();
    std::string error;
    ASSERT_TRUE(world().load(saved, &error)) << error;
    OBJHANDLE loaded = world().find("Alpha");
    CrewManager &after = Crew(loaded);
    ASSERT_EQ(after.GetCrewCount(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(after.GetCrewMember(i)->name, before.GetCrewMember(i)->name);
        EXPECT_STREQ(after.GetCrewMember(i)->missionId, before.GetCrewMember(i)->missionId);
        EXPECT_EQ(after.GetCrewMember(i)->age, before.GetCrewMember(i)->age);
        EXPECT_EQ(after.GetCrewMember(i)->pulse, before.GetCrewMember(i)->pulse);
        EXPECT_EQ(after.GetCrewMember(i)->weight, before.GetCrewMember(i)->weight);
    }
    EXPECT_DOUBLE_EQ(oapiGetEmptyMass(loaded), kClassEmptyMass + 80 + 66 + 90);
    const auto parsed = world().eventsOfKind(sim::ev::kScenarioLine);
    ASSERT_EQ(parsed.size(), 3u);
    EXPECT_NE(parsed[0].text.find("\"VEMOCREW A01-Jo-0-72-80\""), std::string::npos);
    EXPECT_NE(parsed[1].text.find("\"FOO bar\""), std::string::npos);
    EXPECT_NE(parsed[2].text.find("\"VEMOCREW A01-Cy\""), std::string::npos);
}

TEST_F(CrewWorldTest, EveryAwaitedMemberHeldIsSavedAgain) {
    CrewManager &crew = Crew(MakeVessel("Alpha"));
    for (int i = 0; i <= MAX_AWAITED_MEMBERS; ++i) {
        const std::string line = "VEMOTRANSFER T" + std::to_string(i) + "-Way-40-60-70";
        EXPECT_EQ(crew.LoadCrewLine(line.c_str()), i < MAX_AWAITED_MEMBERS ? 1 : 0) << i;
    }
    const sim::ScenarioFile saved = world().save();
    const std::vector<std::string> &lines = saved.ships.at(0).lines;
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string &l) { return l.rfind("VEMOTRANSFER", 0) == 0; }),
              MAX_AWAITED_MEMBERS);
}
