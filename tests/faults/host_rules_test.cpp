// Crew faults the simulator shows and a kinder host would hide: names with blanks or ':',
// a companion module that cannot be loaded, two receivers of one name, and a landed EVA where
// the ground lies below the body's mean radius. Each runs the real modules on the host's
// default behaviour.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ScenarioText.h"
#include "faults_world.h"

using namespace faults;

namespace {

class HostRulesTest : public FaultWorldTest {
protected:
    // The world saved, written as text and read back into a fresh world, as a user would
    // save and reopen it.
    void SaveAndReload() {
        std::string text, why;
        ASSERT_TRUE(sim::formatScenarioText(world->save(), {}, false, text, why)) << why;
        Load(text);
    }
};

const char *const kDockedToMyShip = R"(BEGIN_SHIPS
Alpha:crewhab
  STATUS Orbiting Earth
  RPOS 6778000 0 0
  RVEL 0 0 0
  AROT 0 0 0
  DOCKINFO 0:0,My Ship
  VEMOCREW X1-Pilot_One-35-72-80
END
My Ship:crewhab
  STATUS Orbiting Earth
  RPOS 6778000 0 -6
  RVEL 0 0 0
  AROT 0 180 0
  DOCKINFO 0:0,Alpha
END
END_SHIPS
)";

}  // namespace

// The transfer vessel is "VemoTMy_Ship"; the vessel "My Ship" knows it as its own.
TEST_F(HostRulesTest, TransferToAReceiverWithABlankInItsNameBoards) {
    Load(kDockedToMyShip);
    ASSERT_TRUE(PressE("Alpha"));
    EXPECT_NE(Vessel("VemoTMy_Ship"), nullptr);
    RunFor(1.0);
    const std::vector<Member> census = Census(*world);
    EXPECT_TRUE(CrewConserved(census, {{"X1", "Pilot One", 35, 72, 80, "Alpha"}}));
    EXPECT_EQ(Places(census), "X1-Pilot One 35/72/80 @My Ship");
}

// A mission id with ':' would make a vessel name the saved scenario cannot read back.
TEST_F(HostRulesTest, MissionIdWithColonLeavesOnEvaAndTheSaveReloads) {
    Load(R"(BEGIN_SHIPS
Pod:vemopod
  STATUS Orbiting Earth
  RPOS 6778500 0 0
  RVEL 0 0 0
  VEMOCREW a:b-Cap_Ten-50-70-90
END
END_SHIPS
)");
    ASSERT_TRUE(PressE("Pod"));
    const OBJHANDLE member = FirstNamed("Vemo_");
    ASSERT_NE(member, nullptr) << testsupport::dumpEvents(*world);
    const std::string name = testsupport::rec(*world, member).name;
    EXPECT_EQ(name.find_first_of(":; "), std::string::npos) << name;
    SaveAndReload();
    const std::vector<Member> census = Census(*world);
    ASSERT_EQ(census.size(), 1u) << Places(census);
    EXPECT_EQ(census[0].name, "Cap Ten");
    EXPECT_EQ(census[0].where, name);
}

// Modules/Vemo.dll is there but cannot be loaded: the simulator makes the member's vessel a
// plain one that could never come back aboard. The member stays aboard instead.
TEST_F(HostRulesTest, UnloadableCompanionKeepsTheMemberAboard) {
    // A file of its own: the root's companion is a hard link to the build's.
    root->remove("modules/Vemo.dll");
    root->write("modules/Vemo.dll", "not a module, but a file of that name");
    Load(kCrewScenario);
    ASSERT_TRUE(PressE("Pod"));
    ASSERT_TRUE(PressE("Alpha"));
    RunFor(1.0);
    EXPECT_FALSE(testsupport::events(*world, sim::ev::kError, "", "cannot load").empty())
        << "the host was asked for a member's vessel";
    EXPECT_EQ(FirstNamed("Vemo"), nullptr);
    EXPECT_FALSE(root->exists("config/VemotmpT.cfg"));
    const std::vector<Member> census = Census(*world);
    EXPECT_TRUE(CrewConserved(census, ScenarioCrew()));
    EXPECT_EQ(Places(census),
              "X1-Pilot One 35/72/80 @Alpha, X1-Pilot Two 44/64/77 @Alpha, "
              "C1-Cap Ten 50/70/90 @Pod");
}

// A crewhab and a capsule both named Beta, and a member handed to "Beta" waiting in a saved
// scenario, where each Beta kept a line for the member it awaits: he boards once.
TEST_F(HostRulesTest, TwoReceiversOfOneNameTakeAWaitingMemberOnce) {
    // The crew scenario with its capsule renamed Beta and empty, so that it has a seat free.
    std::string text = kCrewScenario;
    text.replace(text.find("Pod:vemopod"), 11, "Beta:vemopod");
    const std::size_t capLine = text.find("  VEMOCREW C1-Cap_Ten");
    text.erase(capLine, text.find('\n', capLine) + 1 - capLine);
    Load(text);
    ASSERT_TRUE(PressE("Alpha"));
    ASSERT_NE(Vessel("VemoTBeta"), nullptr);
    SaveAndReload();
    RunFor(1.0);
    const std::vector<Member> census = Census(*world);
    std::vector<Member> crew = ScenarioCrew();
    crew.pop_back();
    EXPECT_TRUE(CrewConserved(census, crew));
    EXPECT_EQ(Vessel("VemoTBeta"), nullptr);
}

// The capsule stands landed on the Moon where the ground lies 500 m below the mean radius.
TEST_F(HostRulesTest, LandedEvaStandsBesideTheCapsuleBelowTheMeanRadius) {
    Load(R"(BEGIN_ENVIRONMENT
  SurfaceElevation -500
END_ENVIRONMENT
BEGIN_SHIPS
Pod:vemopod
  STATUS Landed Moon
  POS 12.5 -33.25
  HEADING 70
  VEMOCREW C1-Cap_Ten-50-70-90
END
END_SHIPS
)");
    ASSERT_TRUE(PressE("Pod"));
    const OBJHANDLE member = FirstNamed("Vemo_");
    ASSERT_NE(member, nullptr);
    RunFor(0.5);
    const sim::VesselRecord &m = testsupport::rec(*world, member);
    const sim::VesselRecord &pod = testsupport::rec(*world, Vessel("Pod"));
    EXPECT_LT(sim::length(sim::operator-(m.rpos, pod.rpos)), 10.0)
        << testsupport::dumpEvents(*world);
    EXPECT_EQ(m.status, sim::kLanded);
    EXPECT_NEAR(m.spot.heading, 70.0, 1e-6);
}
