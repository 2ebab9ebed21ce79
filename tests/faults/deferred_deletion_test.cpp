// Crew aboard while deleted vessels stay until the frame ends, as the simulator keeps them:
// oapiDeleteVessel only marks a vessel, which stays in the vessel list, with its interface and
// its points, until every post-step of the frame has run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

class DeferredDeletion : public testsupport::WorldTest {
protected:
    static sim::ShipBlock ship(const std::string &name, const std::string &cls, double x,
                               std::vector<std::string> extra = {}) {
        sim::ShipBlock b;
        b.name = name;
        b.className = cls;
        b.lines = {"STATUS Orbiting Earth", "RPOS " + std::to_string(x) + " 0 0", "RVEL 0 0 0"};
        b.lines.insert(b.lines.end(), extra.begin(), extra.end());
        return b;
    }

    // Every crew line saved in the world: "vessel: line".
    std::vector<std::string> CrewAboard() {
        std::vector<std::string> aboard;
        for (const sim::ShipBlock &ship : world->save().ships) {
            for (const std::string &line : ship.lines) {
                if (line.rfind("VEMOCREW ", 0) == 0) {
                    aboard.push_back(ship.name + ": " + line);
                }
            }
        }
        return aboard;
    }
};

// Two capsules (one module load) and a crewhab (another, with statics of its own) whose
// airlocks overlap, all with a seat free, all looking for crew in every step. A member walks
// into the airlocks of all three: the first in the list takes him aboard, and although his
// vessel stays in the list until the frame ends, neither a vessel of the same module nor one
// of the other takes him a second time.
TEST_F(DeferredDeletion, MemberInOverlappingAirlocksOfTwoModulesComesAboardOnce) {
    sim::WorldOptions options;
    options.step = 0.3;  // longer than the scan period: every step looks at the whole list
    makeWorld(options);
    sim::ScenarioFile scn;
    scn.ships.push_back(ship("Pod", "vemopod", 0.0));
    scn.ships.push_back(ship("hab", "crewhab", 1.0));
    scn.ships.push_back(ship("Pod2", "vemopod", 0.5));
    scn.ships.push_back(ship("Vemo_M-Walker", "Vemo", 900.0, {"MEMBER 33 66 99", "OUTSIDE 1"}));
    std::string why;
    ASSERT_TRUE(world->load(scn, &why)) << why;
    world->step();  // the member shows his "V-em" point, far from every airlock
    ASSERT_TRUE(CrewAboard().empty());

    world->placeNear(world->find("Vemo_M-Walker"), world->find("Pod"), sim::vec(0.5, 0, 0));
    world->step();
    EXPECT_EQ(world->find("Vemo_M-Walker"), nullptr);
    EXPECT_EQ(CrewAboard(), (std::vector<std::string>{"Pod: VEMOCREW M-Walker-33-66-99"}));
    world->step();
    EXPECT_EQ(CrewAboard().size(), 1u);
}

}  // namespace
