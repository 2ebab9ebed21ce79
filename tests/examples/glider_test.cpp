// The glider sample, loaded from the runtime root as the host loads it, against figures
// worked out by hand from the rocket equation, Earth's air table and the glider's constants
// (examples/glider/glider.cpp): mass 400 kg + 100 kg propellant, main engine 2000 N at an
// exhaust velocity of 3000 m/s, wing 12 m^2 with cl = 5 aoa and cd = 0.02 + cl^2 / (pi 10 0.8)
// + wave drag, fin 1.5 m^2 with cd 0.01, wheels of stiffness 500 x 9.81 / (3 x 0.04) N/m.
#include <gtest/gtest.h>

#include <cmath>

#include "Aerodynamics.h"
#include "test_support.h"

using namespace testsupport;
using sim::vec;
using sim::operator+;
using sim::operator-;
using sim::operator/;

namespace {

constexpr double kStep = 0.1;  // s, the fixture world's step
// Far enough out that Earth's pull is below 1e-9 m/s^2: free space.
const VECTOR3 kFreeSpace = vec(1e12, 0, 0);

class GliderTest : public WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        makeWorld();
    }
    // A glider standing level over the point of the equator on global +x (up is global +x, its
    // nose north), its origin `height` metres up, moving at `speed` through the air (which
    // turns with the ground) along its nose pitched up by `aoa` degrees against the airflow.
    OBJHANDLE Fly(double height, double speed = 0.0, double aoa = 0.0) {
        OBJHANDLE h = create(*world, "G", "glider", kFreeSpace);
        Place(h, height, speed, aoa);
        return h;
    }
    void Place(OBJHANDLE h, double height, double speed, double aoa) {
        const MATRIX3 level = sim::horizonFrame(0, 0);
        const double a = aoa * RAD;
        world->setRotation(h, level);
        world->setAngularVelocity(h, vec(0, 0, 0));
        const VECTOR3 at = vec(world->groundRadius() + height, 0, 0);
        world->setPosition(h, at);
        world->setVelocity(h, sim::mul(level, vec(0, -speed * std::sin(a), speed * std::cos(a))) +
                                  sim::surfaceVelocity(world->body(), vec(0, 0, 0), at));
    }
    sim::Loads Loads(OBJHANDLE h) {
        const sim::VesselRecord &v = rec(*world, h);
        return sim::aeroLoads(v, world->airDataOf(v), v.mass(), kStep);
    }
};

TEST_F(GliderTest, TenSecondMainBurnFromRestInFreeSpaceFollowsTheRocketEquation) {
    OBJHANDLE h = create(*world, "G", "glider", kFreeSpace);
    world->commandGroupLevel(h, THGROUP_MAIN, 1.0);
    world->runUntil(10.0);
    // 2000 N / 3000 m/s x 10 s = 6.667 kg burnt; dv = 3000 ln(500 / 493.333).
    const sim::VesselRecord &v = rec(*world, h);
    EXPECT_NEAR(v.rvel.z, 40.2690609964, 1e-6);
    EXPECT_NEAR(v.tanks.front().mass, 93.33333333, 1e-6);
    EXPECT_EQ(world->interfaceOf(h)->Version(), 2);
}

TEST_F(GliderTest, LiftAndDragInEarthsAirMatchTheTable) {
    struct Case {
        double height, speed, aoa;  // m, m/s, degrees
        double p, q, fy, fz;        // Pa, Pa, N (vessel frame)
    } cases[] = {
        // Troposphere, subsonic: no wave drag.
        {2000, 100, 4, 79501.47179, 5032.764456, 21139.78834, -101.7600957},
        // 30 km (a layer that warms upwards), Mach 1.97: wave drag 0.05 sqrt(0.21 / 2.876).
        {30000, 600, 2, 1185.529095, 3215.000954, 6777.815632, -1152.00852},
        // 150 km, the top isothermal layer, nose down 3 degrees.
        {150000, 3000, -3, 1.381902134e-05, 0.0009600457028, -0.003027789275, -0.0001445902385},
        // Above 200 km there is no air.
        {250000, 7000, 5, 0, 0, 0, 0},
    };
    OBJHANDLE h = create(*world, "G", "glider", kFreeSpace);
    VESSEL *g = world->interfaceOf(h);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.height);
        Place(h, c.height, c.speed, c.aoa);
        EXPECT_NEAR(g->GetAltitude(), c.height, 1e-6);
        EXPECT_NEAR(g->GetAtmPressure(), c.p, 1e-9 * c.p);
        EXPECT_NEAR(g->GetDynPressure(), c.q, 1e-9 * c.q);
        const sim::Loads l = Loads(h);
        EXPECT_NEAR(l.force.x, 0.0, 1e-9);
        EXPECT_NEAR(l.force.y, c.fy, 1e-8 * std::fabs(c.fy) + 1e-12);
        EXPECT_NEAR(l.force.z, c.fz, 1e-8 * std::fabs(c.fz) + 1e-12);
    }
}

TEST_F(GliderTest, ControlSurfacesMoveAtOnePerSecondAndLiftAsCommanded) {
    const double q = 1389.573986;  // Pa: 50 m/s at 1000 m, level flight
    struct Case {
        AIRCTRL_TYPE type;
        double command, seconds;
        VECTOR3 force, torque;  // the surfaces' share, in q
    } cases[] = {
        // Elevator half way (0.5 s at 1/s): lift -0.5 x 1.2 x 1.5 q, drag 0.6 q at z = -4.5.
        {AIRCTRL_ELEVATOR, 1.0, 0.5, vec(0, -0.9, -0.6), vec(4.05, 0, 0)},
        // Rudder full over: side force 0.75 q to the right at (0, 0.8, -4.5).
        {AIRCTRL_RUDDER, -1.0, 2.0, vec(0.75, 0, -0.5), vec(0.4, 3.375, 0.6)},
        // Ailerons: the lift of the two cancels, their bank moment adds up, 2 x 0.9 q x 4 m.
        {AIRCTRL_AILERON, 1.0, 1.0, vec(0, 0, -1.2), vec(0, 0, 7.2)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type);
        OBJHANDLE h = Fly(1000, 50);
        const sim::Loads clean = Loads(h);
        world->commandControlSurface(h, c.type, c.command);
        world->runUntil(world->time() + c.seconds);
        Place(h, 1000, 50, 0);
        const sim::Loads l = Loads(h);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(l.force.data[i] - clean.force.data[i], c.force.data[i] * q, 1e-6 * q) << i;
            EXPECT_NEAR(l.torque.data[i] - clean.torque.data[i], c.torque.data[i] * q, 1e-6 * q) << i;
        }
        world->deleteVessel(h);
        world->step();
    }
}

TEST_F(GliderTest, SettlesOnItsWheelsWhereTheirSpringsCarryItsWeight) {
    // Each wheel carries a third of 500 kg x (9.822736 m/s^2, Earth's pull at the ground, less
    // 0.033878 m/s^2 that turn it round with the ground) and sinks 500 x 9.788858 / (3 x
    // 40875) = 0.039914 m: the origin rests 1.160086 m up, at rest in still air.
    for (double drop : {0.001, 0.3, 2.0}) {
        SCOPED_TRACE(drop);
        OBJHANDLE h = Fly(1.2 + drop);
        VESSEL *g = world->interfaceOf(h);
        EXPECT_EQ(g->GroundContact(), false) << "the wheels just clear the ground";
        world->runUntil(world->time() + 10.0);
        const sim::VesselRecord &v = rec(*world, h);
        EXPECT_NEAR(g->GetAltitude(), 1.160086205, 1e-5);
        EXPECT_NEAR(sim::length(sim::airVelocity(v, world->body())), 0.0, 1e-4);
        const VECTOR3 turning = sim::tmul(v.rot, vec(0, sim::rotationRate(world->body()), 0));
        EXPECT_NEAR(sim::length(v.avel - turning), 0.0, 1e-5) << "it turns with the ground";
        EXPECT_NEAR(sim::dot(sim::mul(v.rot, vec(0, 1, 0)), v.rpos / sim::length(v.rpos)), 1.0,
                    1e-9)
            << "still level: its up axis along the vertical";
        EXPECT_TRUE(g->GroundContact());
        world->deleteVessel(h);
        world->step();
    }
}

}  // namespace
