// What the capsule's class set-up gives the host, checked by what it does in free space,
// against figures worked out by hand from its constants (vessel/vemopod.cpp): 100 kg empty
// with 2 kg of attitude and 6 kg of engine propellant; 5 N attitude thrusters at an exhaust
// velocity of 40000 m/s, 15.5 m fore and aft of the origin (2.7 m to the sides for the bank
// pairs, 16 m for forward and back); principal moments of inertia (2.28, 2.15, 4.09) m^2.
#include <cmath>
#include <string>
#include <vector>

#include "pod_support.h"

using namespace podtest;
using sim::vec;
using testsupport::rec;

namespace {

constexpr double kMass = 108.0;             // kg: empty, both tanks full
constexpr double kRcsFlow = 5.0 / 40000.0;  // kg/s of one attitude thruster
constexpr int kSteps = 20;
// Far enough out that Earth's pull is below 1e-9 m/s^2.
const VECTOR3 kFreeSpace = vec(1e12, 0, 0);
const VECTOR3 kPmi = vec(2.28, 2.15, 4.09);

class PodCaps : public PodWorldTest {
protected:
    OBJHANDLE makePod(const std::string &name = "Pod") {
        return testsupport::create(*world, name, kPodClass, kFreeSpace);
    }
};

}  // namespace

TEST_F(PodCaps, EachAttitudeGroupTurnsOrPushesTheCapsuleAndDrawsOnTheSmallTankOnly) {
    // Torque F x r (N m) and net force (N) in the capsule's frame, and thrusters firing.
    struct Case {
        THGROUP_TYPE group;
        VECTOR3 torque, force;
        int thrusters;
    } cases[] = {
        {THGROUP_ATT_PITCHUP, vec(155, 0, 0), vec(0, 0, 0), 2},
        {THGROUP_ATT_PITCHDOWN, vec(-155, 0, 0), vec(0, 0, 0), 2},
        {THGROUP_ATT_YAWLEFT, vec(0, 155, 0), vec(0, 0, 0), 2},
        {THGROUP_ATT_YAWRIGHT, vec(0, -155, 0), vec(0, 0, 0), 2},
        {THGROUP_ATT_BANKLEFT, vec(0, 0, -27), vec(0, 0, 0), 2},
        {THGROUP_ATT_BANKRIGHT, vec(0, 0, 27), vec(0, 0, 0), 2},
        {THGROUP_ATT_UP, vec(0, 0, 0), vec(0, 10, 0), 2},
        {THGROUP_ATT_DOWN, vec(0, 0, 0), vec(0, -10, 0), 2},
        {THGROUP_ATT_RIGHT, vec(0, 0, 0), vec(10, 0, 0), 2},
        {THGROUP_ATT_LEFT, vec(0, 0, 0), vec(-10, 0, 0), 2},
        {THGROUP_ATT_FORWARD, vec(0, 0, 0), vec(0, 0, 5), 1},
        {THGROUP_ATT_BACK, vec(0, 0, 0), vec(0, 0, -5), 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.group);
        makeWorld();
        OBJHANDLE h = makePod();
        const sim::VesselRecord &pod = rec(*world, h);
        ASSERT_DOUBLE_EQ(pod.mass(), kMass);
        world->commandGroupLevel(h, c.group, 1.0);
        world->step(kSteps);
        const double t = kSteps * world->options().step;
        // The mass falls by a few millionths over the burn: 1e-5 of each figure covers it.
        for (int i = 0; i < 3; ++i) {
            const double turn = c.torque.data[i] / (kMass * kPmi.data[i]) * t;
            EXPECT_NEAR(pod.avel.data[i], turn, 1e-5 * std::fabs(turn) + 1e-9) << "axis " << i;
        }
        const VECTOR3 local = sim::tmul(pod.rot, pod.rvel);
        for (int i = 0; i < 3; ++i) {
            const double push = c.force.data[i] / kMass * t;
            EXPECT_NEAR(local.data[i], push, 1e-5 * std::fabs(push) + 1e-8) << "axis " << i;
        }
        ASSERT_EQ(pod.tanks.size(), 2u);
        EXPECT_NEAR(pod.tanks[0].mass, 2.0 - c.thrusters * kRcsFlow * t, 1e-12);
        EXPECT_EQ(pod.tanks[1].mass, 6.0);
    }
}

TEST_F(PodCaps, ACapsuleStartsStowedWithTheCrewHiddenAndSharesItsTransforms) {
    const sim::VesselRecord &first = rec(*world, makePod("Pod1"));
    ASSERT_EQ(first.meshes.size(), 3u);
    EXPECT_EQ(meshVisibility(first, 0), MESHVIS_EXTERNAL | MESHVIS_COCKPIT);
    EXPECT_EQ(meshVisibility(first, kCrewMesh), MESHVIS_NEVER);
    EXPECT_EQ(meshVisibility(first, kCrewCockpitMesh), MESHVIS_NEVER);
    EXPECT_EQ(deployState(first), 0.0);
    EXPECT_EQ(retroGroup(first), nullptr);  // no engine before deployment
    ASSERT_EQ(first.streams.size(), 1u);
    EXPECT_TRUE(first.streams[0].reentry);

    // The animations' transforms are built once: every capsule hands the host the same ones.
    const auto transforms = [](const sim::VesselRecord &pod) {
        std::vector<const MGROUP_TRANSFORM *> all;
        for (const sim::Animation &a : pod.animations)
            for (const sim::AnimationComponent *c : a.components)
                all.push_back(c->transform);
        return all;
    };
    ASSERT_EQ(transforms(first).size(), 3u);
    EXPECT_EQ(transforms(rec(*world, makePod("Pod2"))), transforms(first));
}
