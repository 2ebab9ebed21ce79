// Turning by thruster couples, and thrusters going idle and lit again.
#include "script_vessel.h"

using testsupport::near;
using testsupport::rec;

namespace {

constexpr double kEmptyMass = 100.0;  // kg
constexpr double kTankMass = 10.0;    // kg
constexpr double kThrust = 10.0;      // N per thruster
constexpr double kIsp = 1e6;          // m/s: the propellant used is negligible
constexpr double kStep = 0.1;         // s, the fixture world's step

// Pairs of opposite thrusters: pitch about x (arm along z) and bank about z (arm along x).
void addCouples(ScriptVessel &v, const VECTOR3 &pmi) {
    v.SetEmptyMass(kEmptyMass);
    v.SetPMI(pmi);
    PROPELLANT_HANDLE tank = v.CreatePropellantResource(kTankMass);
    THRUSTER_HANDLE pitch[2] = {
        v.CreateThruster(sim::vec(0, 0, 2), sim::vec(0, 1, 0), kThrust, tank, kIsp),
        v.CreateThruster(sim::vec(0, 0, -2), sim::vec(0, -1, 0), kThrust, tank, kIsp)};
    v.CreateThrusterGroup(pitch, 2, THGROUP_ATT_PITCHUP);
    THRUSTER_HANDLE bank[2] = {
        v.CreateThruster(sim::vec(1, 0, 0), sim::vec(0, 1, 0), kThrust, tank, kIsp),
        v.CreateThruster(sim::vec(-1, 0, 0), sim::vec(0, -1, 0), kThrust, tank, kIsp)};
    v.CreateThrusterGroup(bank, 2, THGROUP_ATT_BANKLEFT);
    THRUSTER_HANDLE main =
        v.CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 0, 1), kThrust, tank, kIsp);
    v.CreateThrusterGroup(&main, 1, THGROUP_MAIN);
}

}  // namespace

TEST_F(HostTest, PureCouplesTurnTheVesselWithoutMovingIt) {
    const VECTOR3 pmi = sim::vec(1, 2, 4);  // m^2
    ScriptVessel::hooks.setClassCaps = [&](ScriptVessel &v) { addCouples(v, pmi); };
    OBJHANDLE h = make("A");
    OBJHANDLE twin = make("Twin");  // idle: it moves by gravity alone
    const double mass = kEmptyMass + kTankMass;
    auto movesLikeItsTwin = [&] {
        return near(rec(*world, h).rvel, rec(*world, twin).rvel, 0) &&
               near(rec(*world, h).rpos, rec(*world, twin).rpos, 0);
    };

    // Pitch pair: torque F x r = (0,F,0)x(0,0,2) + (0,-F,0)x(0,0,-2) = (4F, 0, 0), no net
    // force: the nose (+z) goes up (+y), a positive turn about x.
    world->commandGroupLevel(h, THGROUP_ATT_PITCHUP, 1.0);
    world->step(1);
    const double wx = 4 * kThrust / (mass * pmi.x) * kStep;
    EXPECT_TRUE(near(rec(*world, h).avel, sim::vec(wx, 0, 0), 1e-7)) << rec(*world, h).avel.x;
    EXPECT_TRUE(movesLikeItsTwin());

    // Bank pair on top: torque (0, 0, -2F) over the z moment, added to the pitch rate: the
    // right side (+x) goes up, which turns +x towards +y, a negative turn about z.
    world->commandGroupLevel(h, THGROUP_ATT_PITCHUP, 0.0);
    world->commandGroupLevel(h, THGROUP_ATT_BANKLEFT, 1.0);
    world->step(1);
    const double wz = -2 * kThrust / (mass * pmi.z) * kStep;
    EXPECT_TRUE(near(rec(*world, h).avel, sim::vec(wx, 0, wz), 1e-7));
    EXPECT_TRUE(movesLikeItsTwin());

    // Idle again: the vessel keeps turning, and its two turns couple into a third (Euler's
    // equations): w_y' = -(pmi_z - pmi_x) w_z w_x / pmi_y. The turn shows in the rotation
    // matrix: the nose has come up.
    world->commandGroupLevel(h, THGROUP_ATT_BANKLEFT, 0.0);
    world->step(1);
    const double wy = -(pmi.z - pmi.x) * wz * wx / pmi.y * kStep;
    EXPECT_TRUE(near(rec(*world, h).avel, sim::vec(wx, wy, wz), 1e-8)) << rec(*world, h).avel.y;
    world->step(9);
    MATRIX3 R;
    oapiGetVesselInterface(h)->GetRotationMatrix(R);
    EXPECT_GT(R.m23, 1e-3) << "the nose points up";
    EXPECT_TRUE(movesLikeItsTwin());
}

TEST_F(HostTest, ThrustStopsWhenIdleAndResumesWhenLitAgain) {
    ScriptVessel::hooks.setClassCaps = [&](ScriptVessel &v) { addCouples(v, sim::vec(1, 1, 1)); };
    OBJHANDLE h = make("A");
    OBJHANDLE twin = make("Twin");
    // Thrust along z, across the pull of the body (along -x): the twin's z speed stays 0.
    auto zSpeed = [&] { return rec(*world, h).rvel.z - rec(*world, twin).rvel.z; };
    world->commandGroupLevel(h, THGROUP_MAIN, 1.0);
    world->step(1);
    const double v1 = zSpeed();
    EXPECT_NEAR(v1, kThrust / (kEmptyMass + kTankMass) * kStep, 1e-7);

    // Levels set to 0 twice and a group left at 0: no thrust and no turn.
    world->commandGroupLevel(h, THGROUP_MAIN, 0.0);
    world->commandGroupLevel(h, THGROUP_MAIN, 0.0);
    world->commandGroupLevel(h, THGROUP_ATT_PITCHUP, 0.0);
    world->step(5);
    EXPECT_NEAR(zSpeed(), v1, 1e-8) << "only the pull towards the body, 5 mm off the twin's line";
    EXPECT_TRUE(near(rec(*world, h).avel, sim::vec(0, 0, 0), 0));

    // A level changed while lit, then lit again after idling: thrust follows the level.
    world->commandGroupLevel(h, THGROUP_MAIN, 1.0);
    world->commandGroupLevel(h, THGROUP_MAIN, 0.5);
    world->step(1);
    EXPECT_NEAR(zSpeed() - v1, 0.5 * kThrust / (kEmptyMass + kTankMass) * kStep, 1e-7);
}
