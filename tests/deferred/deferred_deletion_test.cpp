// Crew aboard in a host that deletes vessels as the simulator does: oapiDeleteVessel only marks
// a vessel, which stays in the vessel list, with its interface and its points, until the frame
// ends. This executable stands in front of oapiDeleteVessel (it exports its own definition, and
// the modules bind to it; see deferred.dynlist): a deletion asked for during a step marks the
// vessel, and the test deletes the marked vessels once the step is over.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

std::vector<OBJHANDLE> g_marked;  // deleted during the frame in progress

}  // namespace

bool oapiDeleteVessel(OBJHANDLE hVessel, OBJHANDLE hAlternativeCameraTarget) {
    sim::World *world = sim::World::current();
    if (!world || !world->liveRecord(hVessel)) {
        return false;
    }
    if (std::find(g_marked.begin(), g_marked.end(), hVessel) == g_marked.end()) {
        g_marked.push_back(hVessel);
    }
    return true;
}

namespace {

class DeferredDeletion : public testsupport::WorldTest {
protected:
    void SetUp() override {
        testsupport::WorldTest::SetUp();
        g_marked.clear();
    }

    // One frame: the step, then the vessels marked during it go, last in the list first.
    void Frame() {
        world->step();
        std::vector<OBJHANDLE> marked;
        marked.swap(g_marked);
        std::reverse(marked.begin(), marked.end());
        for (OBJHANDLE h : marked) {
            world->deleteVessel(h);
        }
    }

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
    Frame();  // the member shows his "V-em" point, far from every airlock
    ASSERT_TRUE(CrewAboard().empty());

    world->placeNear(world->find("Vemo_M-Walker"), world->find("Pod"), sim::vec(0.5, 0, 0));
    Frame();
    EXPECT_EQ(world->find("Vemo_M-Walker"), nullptr);
    EXPECT_EQ(CrewAboard(), (std::vector<std::string>{"Pod: VEMOCREW M-Walker-33-66-99"}));
    Frame();
    EXPECT_EQ(CrewAboard().size(), 1u);
}

}  // namespace
