// What the host reads from files a user or another program left: numbers in a scenario that a
// double holds but the motion cannot integrate, and class config files with carriage returns
// where blanks stand. Neither may turn into a NaN orientation, a vessel of the wrong kind, or
// a scenario that does not load again.
#include <cmath>
#include <string>

#include "ClassConfig.h"
#include "Math3.h"
#include "faults_world.h"

using namespace faults;

namespace {

class HostInput : public FaultWorldTest {};

}  // namespace

// A state the motion cannot integrate (an angular velocity, a position or a velocity beyond
// what the host takes from a timeline) is refused as a line the host does not understand; the
// vessel keeps its other state, saves finite numbers, and its member leaves on EVA beside it.
TEST_F(HostInput, StatesBeyondTheIntegrableAreRefused) {
    for (const std::string line : {"VROT 1e160 0 0", "VROT 0 -1e300 0", "VROT 0 0 1e7",
                                   "RPOS 1e300 0 0", "RVEL 0 1e300 0"}) {
        SCOPED_TRACE(line);
        std::string scenario = kCapsuleScenario;
        scenario.insert(scenario.find("  VEMOCREW"), "  " + line + "\n");
        Load(scenario);
        EXPECT_EQ(testsupport::events(*world, sim::ev::kScenarioLine, "Pod").size(), 1u)
            << testsupport::dumpEvents(*world);
        ASSERT_TRUE(PressE("Pod"));
        const OBJHANDLE member = FirstNamed("Vemo_");
        ASSERT_NE(member, nullptr);
        const sim::VesselRecord *pod = world->record(Vessel("Pod"));
        const sim::VesselRecord *eva = world->record(member);
        ASSERT_NE(eva, nullptr);
        using sim::operator-;
        EXPECT_LT(sim::length(eva->rpos - pod->rpos), 10.0);
        for (const sim::ShipBlock &b : world->save().ships) {
            for (const std::string &saved : b.lines) {
                EXPECT_EQ(saved.find("nan"), std::string::npos) << b.name << ": " << saved;
            }
        }
        world.reset();
    }
}

// A carriage return reads as a blank wherever a blank may stand in a class config line.
TEST(ClassConfigText, CarriageReturnsAreBlanks) {
    struct Case {
        const char *text;
        const char *module;
        bool focus;
    };
    for (const Case &c :
         {Case{"Module\r= vemopod\n", "vemopod", true},
          Case{"Module =\rvemopod\r\n", "vemopod", true},
          Case{"\rModule\t=\r\tvemopod \r\nEnableFocus\r=\rFALSE\r\n", "vemopod", false}}) {
        SCOPED_TRACE(c.text);
        const sim::ClassConfig config = sim::parseClassConfig(c.text);
        EXPECT_EQ(config.module, c.module);
        EXPECT_EQ(config.enableFocus, c.focus);
    }
}
