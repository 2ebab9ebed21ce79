// The capsule's returning-crew scan in a crowded world: it allocates nothing, neither in the
// module nor in the host, and the walk still finds the right member.
#include <string>

#include "pod_support.h"

using namespace podtest;
using testsupport::rec;

namespace {

constexpr int kWalkersOutside = 40;
constexpr double kStep = 0.1;  // s: a scan every third step

class PodScan : public PodWorldTest {
protected:
    void SetUp() override {
        PodWorldTest::SetUp();
        sim::WorldOptions o;
        o.step = kStep;
        makeWorld(o);
        registerWalker(*world);
        // A capsule with its seat free, so it scans; walkers all around, outside its box.
        pod = loadShips(*world, {podBlock("Pod")});
        ASSERT_NE(pod, nullptr);
        for (int i = 0; i < kWalkersOutside; ++i)
            makeWalker(*world, "Vemo_W" + std::to_string(i) + "-Walker_" + std::to_string(i), pod,
                       sim::vec(10.0 + i, -3.0, 2.5));
    }
    OBJHANDLE pod = nullptr;
};

}  // namespace

TEST_F(PodScan, ScansOfACrowdedWorldAllocateNothing) {
    world->step(10);  // every first-time log and buffer is behind us
    alloc::arm();
    world->step(300);  // 100 scans over 41 vessels
    const alloc::Counts c = alloc::counts();
    alloc::disarm();
    EXPECT_EQ(c.fromModule, 0);
    EXPECT_EQ(c.total, 0) << "the host's step and the queries of a scan allocate nothing";
    EXPECT_EQ(world->vessels().size(), 1u + kWalkersOutside) << "nobody was taken aboard";
}

TEST_F(PodScan, WalkersOutsideDoNotHideOneInsideFurtherDownTheList) {
    // Last in the list, on the box's corner: every bound counts as inside.
    OBJHANDLE inside =
        makeWalker(*world, "Vemo_Z9-Last_One", pod, sim::vec(2.0, -2.0, 2.0), 44, 66, 77);
    world->step(4);  // more than one scan period
    EXPECT_EQ(world->record(inside), nullptr) << "the member inside was taken aboard";
    EXPECT_EQ(world->vessels().size(), 1u + kWalkersOutside);
    const sim::ScenarioFile saved = world->save();
    const std::vector<std::string> lines = crewLines(*findBlock(saved, "Pod"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Z9-Last_One-44-66-77"), std::string::npos) << lines[0];

    // The rest stay where they are, however often the capsule looks.
    world->step(30);
    EXPECT_EQ(world->vessels().size(), 1u + kWalkersOutside);
}
