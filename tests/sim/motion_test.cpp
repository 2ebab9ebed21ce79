// Frames, the status record, thrust and propellant.
#include <cmath>

#include "script_vessel.h"

using testsupport::events;
using testsupport::near;
using testsupport::rec;
using sim::operator+;

namespace {

const VECTOR3 kBody = sim::vec(1e11, -2e10, 3e9);  // the default reference body position
const double kEarthGM = sim::kGravitationalConstant * 5.973698968e24;  // m^3/s^2

// Where the body's pull is below what the thrust tests measure: 4e-12 m/s^2.
const VECTOR3 kDeepSpace = sim::vec(1e13, 0, 0);

}  // namespace

TEST(EulerAngles, RoundTripThroughTheRotationMatrix) {
    const double angles[] = {-3.0, -1.5, -0.4, 0.0, 0.7, 1.5, 3.1};
    for (double a : angles)
        for (double b : angles)
            for (double c : angles) {
                MATRIX3 R = sim::rotationFromEuler(sim::vec(a, b, c));
                MATRIX3 R2 = sim::rotationFromEuler(sim::eulerFromRotation(R));
                for (int i = 0; i < 9; ++i)
                    ASSERT_NEAR(R.data[i], R2.data[i], 1e-12) << a << " " << b << " " << c;
                // The simulator's reading of the matrix gives angles in its ranges back.
                if (std::fabs(b) < M_PI / 2) {
                    ASSERT_NEAR(std::atan2(R.m23, R.m33), a, 1e-12);
                    ASSERT_NEAR(-std::asin(R.m13), b, 1e-12);
                    ASSERT_NEAR(std::atan2(R.m12, R.m11), c, 1e-12);
                }
            }
    // At the gimbal lock, either way, the matrix still comes back.
    for (double b : {M_PI / 2, -M_PI / 2}) {
        MATRIX3 R = sim::rotationFromEuler(sim::vec(0.3, b, -0.9));
        MATRIX3 R2 = sim::rotationFromEuler(sim::eulerFromRotation(R));
        for (int i = 0; i < 9; ++i)
            EXPECT_NEAR(R.data[i], R2.data[i], 1e-9) << b;
    }
}

TEST(EulerAngles, TurnAsTheLeftHandedFramesDo) {
    // A positive angle about z takes +y towards +x; about x, +z towards +y; about y, +x
    // towards +z. A scenario's "AROT 0 0 90" stands the vessel's y axis along global +x.
    const double q = M_PI / 2;
    EXPECT_TRUE(near(sim::mul(sim::rotationFromEuler(sim::vec(0, 0, q)), sim::vec(0, 1, 0)),
                     sim::vec(1, 0, 0), 1e-15));
    EXPECT_TRUE(near(sim::mul(sim::rotationFromEuler(sim::vec(q, 0, 0)), sim::vec(0, 0, 1)),
                     sim::vec(0, 1, 0), 1e-15));
    EXPECT_TRUE(near(sim::mul(sim::rotationFromEuler(sim::vec(0, q, 0)), sim::vec(1, 0, 0)),
                     sim::vec(0, 0, 1), 1e-15));
    // An angular velocity turns the same way as the angles count.
    for (int axis = 0; axis < 3; ++axis) {
        VECTOR3 u = sim::vec(0, 0, 0), angles = sim::vec(0, 0, 0);
        u.data[axis] = 1;
        angles.data[axis] = 0.3;
        const MATRIX3 byRate = sim::rotationAboutAxis(u, 0.3);
        const MATRIX3 byAngles = sim::rotationFromEuler(angles);
        for (int i = 0; i < 9; ++i)
            EXPECT_NEAR(byRate.data[i], byAngles.data[i], 1e-15) << axis;
    }
}

TEST_F(HostTest, FramesOfARotatedMovingVessel) {
    const VECTOR3 start = testsupport::kOrbit + sim::vec(100, 200, 300);
    OBJHANDLE h = make("A", start);
    // Turned so that local x points along global -y, y along +x.
    world->setRotation(h, sim::mat(0, 1, 0, -1, 0, 0, 0, 0, 1));
    world->setVelocity(h, sim::vec(0, 1, 0));
    world->step(10);  // 1 s
    // It moved 1 m along y and fell towards the body's centre, along -x, by g t^2 / 2.
    const VECTOR3 rpos = rec(*world, h).rpos;
    const double g = kEarthGM / sim::dot(start, start);
    EXPECT_TRUE(near(rpos, start + sim::vec(-g / 2, 1, 0), 1e-3)) << g;
    VESSEL *v = oapiGetVesselInterface(h);
    VECTOR3 out;
    v->Local2Rel(sim::vec(1, 0, 0), out);
    EXPECT_TRUE(near(out, rpos + sim::vec(0, -1, 0), 1e-9));
    v->GlobalRot(sim::vec(1, 0, 0), out);
    EXPECT_TRUE(near(out, sim::vec(0, -1, 0), 1e-15));
    VECTOR3 gpos;
    oapiGetGlobalPos(h, &gpos);
    EXPECT_TRUE(near(gpos, kBody + rpos, 1e-3));
    v->Global2Local(gpos + sim::vec(0, 2, 0), out);
    EXPECT_TRUE(near(out, sim::vec(-2, 0, 0), 1e-3));
    oapiGetGlobalPos(world->bodyHandle(), &gpos);
    EXPECT_TRUE(near(gpos, kBody, 0));

    // Angular velocity turns the vessel: 90 degrees per second about local z takes local y
    // to where x was, and x to -y.
    world->setRotation(h, sim::identity());
    world->setAngularVelocity(h, sim::vec(0, 0, M_PI / 2));
    world->step(10);
    MATRIX3 R;
    v->GetRotationMatrix(R);
    EXPECT_TRUE(near(sim::mul(R, sim::vec(0, 1, 0)), sim::vec(1, 0, 0), 1e-12));
    EXPECT_TRUE(near(sim::mul(R, sim::vec(1, 0, 0)), sim::vec(0, -1, 0), 1e-12));
    VECTOR3 w;
    v->GetAngularVel(w);
    EXPECT_TRUE(near(w, sim::vec(0, 0, M_PI / 2), 0));
}

TEST_F(HostTest, FreeFallFollowsThePointMassOfTheBody) {
    // From rest 1000 km above the surface: 10 s of fall, short enough that g barely changes.
    const double r0 = 6.37101e6 + 1e6;
    OBJHANDLE h = make("A", sim::vec(0, r0, 0));
    world->step(100);
    const double g = kEarthGM / (r0 * r0);
    const sim::VesselRecord &a = rec(*world, h);
    EXPECT_NEAR(a.rvel.y, -g * 10, g * 10 * 1e-4);
    EXPECT_NEAR(a.rpos.y, r0 - g * 50, g * 50 * 1e-4);
    EXPECT_EQ(a.rvel.x, 0.0);
    EXPECT_EQ(a.rvel.z, 0.0);
    EXPECT_EQ(a.status, sim::kFreeFlight);

    // On a circular orbit the height and the speed stay, to what the host's plain
    // integration keeps over a minute of 0.1 s steps.
    const double speed = std::sqrt(kEarthGM / r0);
    OBJHANDLE b = make("B", sim::vec(r0, 0, 0), sim::vec(0, 0, speed));
    world->step(600);
    EXPECT_NEAR(sim::length(rec(*world, b).rpos), r0, 1.0);
    EXPECT_NEAR(sim::length(rec(*world, b).rvel), speed, 0.05);
    // A minute's arc turns the velocity towards the body's centre, along -x.
    EXPECT_NEAR(rec(*world, b).rvel.x, -speed * std::sin(speed * 60 / r0), 1.0);
}

TEST_F(HostTest, StatusRoundTripsThroughCreation) {
    ScriptVessel::hooks.setClassCaps = [](ScriptVessel &v) {
        v.CreatePropellantResource(8);
        THRUSTER_HANDLE th = v.CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 0, 1), 1,
                                              v.CreatePropellantResource(1));
        v.CreateThrusterGroup(&th, 1, THGROUP_RETRO);
    };
    VESSELSTATUS s = sim::makeStatus(testsupport::kOrbit + sim::vec(5, 6, 7), sim::vec(-1, 0, 2));
    s.arot = sim::vec(0.4, -0.2, 2.5);
    s.vrot = sim::vec(0.01, 0.02, 0.03);
    s.fuel = 0.25;
    s.eng_main = -0.5;
    s.flag[0] = 3;  // the simulator applies fuel and engine levels only with these bits
    OBJHANDLE a = world->createVessel("A", "Script", s);
    ASSERT_NE(a, nullptr);
    const sim::VesselRecord &ra = rec(*world, a);
    EXPECT_DOUBLE_EQ(ra.tanks[0].mass, 2.0) << "fuel fills the default tank";
    EXPECT_DOUBLE_EQ(ra.groups[0].level, 0.5) << "a negative main level drives the retro group";

    VESSELSTATUS got;
    oapiGetVesselInterface(a)->GetStatus(got);
    EXPECT_TRUE(near(got.rpos, s.rpos, 0));
    EXPECT_TRUE(near(got.rvel, s.rvel, 0));
    EXPECT_TRUE(near(got.vrot, s.vrot, 0));
    EXPECT_TRUE(near(got.arot, s.arot, 1e-12));
    EXPECT_DOUBLE_EQ(got.fuel, 0.25);
    EXPECT_DOUBLE_EQ(got.eng_main, -0.5);
    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.rbody, world->bodyHandle());

    // A vessel made from that status has the same orientation matrix.
    OBJHANDLE b = world->createVessel("B", "Script", got);
    ASSERT_NE(b, nullptr);
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(rec(*world, b).rot.data[i], ra.rot.data[i], 1e-12);
}

TEST_F(HostTest, StatusFuelIsTheFirstTanksAndMainOutranksRetro) {
    THGROUP_HANDLE main = nullptr, retro = nullptr;
    ScriptVessel::hooks.setClassCaps = [&](ScriptVessel &v) {
        PROPELLANT_HANDLE first = v.CreatePropellantResource(10, 10);
        PROPELLANT_HANDLE second = v.CreatePropellantResource(4, 4);
        v.SetDefaultPropellantResource(second);
        THRUSTER_HANDLE m = v.CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 0, 1), 1, first);
        THRUSTER_HANDLE r = v.CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 0, -1), 1, first);
        main = v.CreateThrusterGroup(&m, 1, THGROUP_MAIN);
        retro = v.CreateThrusterGroup(&r, 1, THGROUP_RETRO);
        v.SetThrusterGroupLevel(retro, 0.7);  // the class starts its retro lit
    };
    VESSELSTATUS s = sim::makeStatus(testsupport::kOrbit);
    s.fuel = 0.5;
    s.eng_main = 0.0;
    s.flag[0] = 3;  // the simulator applies fuel and engine levels only with these bits
    OBJHANDLE a = world->createVessel("A", "Script", s);
    ASSERT_NE(a, nullptr);
    VESSEL *v = oapiGetVesselInterface(a);
    EXPECT_DOUBLE_EQ(rec(*world, a).tanks[1].mass, 2.0) << "fuel fills the default tank";
    EXPECT_DOUBLE_EQ(rec(*world, a).tanks[0].mass, 10.0);
    EXPECT_EQ(v->GetThrusterGroupLevel(retro), 0.0) << "a main level of 0 puts the retro out";

    VESSELSTATUS got;
    v->GetStatus(got);
    EXPECT_DOUBLE_EQ(got.fuel, 1.0) << "the level of the first tank, not the default one";
    v->SetThrusterGroupLevel(main, 0.3);
    v->SetThrusterGroupLevel(retro, 0.6);
    v->GetStatus(got);
    EXPECT_DOUBLE_EQ(got.eng_main, 0.3) << "retro counts only while main is at 0";
    v->SetThrusterGroupLevel(main, 0.0);
    v->GetStatus(got);
    EXPECT_DOUBLE_EQ(got.eng_main, -0.6);
}

TEST_F(HostTest, FullBurnMatchesTheRocketEquation) {
    const double kEmpty = 100, kFuel = 50, kThrust = 2000, kIsp = 2500;
    THGROUP_HANDLE group = nullptr;
    ScriptVessel::hooks.setClassCaps = [&](ScriptVessel &v) {
        v.SetEmptyMass(kEmpty);
        PROPELLANT_HANDLE tank = v.CreatePropellantResource(kFuel);
        // Pointing backwards along local z on a vessel turned 90 degrees about x: the push
        // goes along global +y... after the rotation below.
        THRUSTER_HANDLE th =
            v.CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 0, -1), kThrust, tank, kIsp);
        group = v.CreateThrusterGroup(&th, 1, THGROUP_RETRO);
    };
    OBJHANDLE h = make("A", kDeepSpace);
    // Turned a quarter about x: local -z points along global +y.
    world->setRotation(h, sim::mat(1, 0, 0, 0, 0, -1, 0, 1, 0));
    VESSEL *v = oapiGetVesselInterface(h);
    world->commandGroupLevel(h, THGROUP_RETRO, 1.0);
    double burn = kFuel * kIsp / kThrust;  // 62.5 s
    world->runUntil(burn + 5);
    const sim::VesselRecord &r = rec(*world, h);
    EXPECT_EQ(r.tanks[0].mass, 0.0);
    EXPECT_DOUBLE_EQ(r.mass(), kEmpty);
    double dv = kIsp * std::log((kEmpty + kFuel) / kEmpty);
    EXPECT_TRUE(near(r.rvel, sim::vec(0, dv, 0), dv * 1e-9)) << r.rvel.y << " vs " << dv;
    EXPECT_DOUBLE_EQ(v->GetThrusterGroupLevel(group), 0.0)
        << "the simulator holds a thruster without propellant at level 0";
    ASSERT_EQ(events(*world, sim::ev::kTankEmpty, "A").size(), 1u);
    EXPECT_NEAR(events(*world, sim::ev::kTankEmpty, "A")[0].time, burn, 0.1 + 1e-9);
    EXPECT_EQ(events(*world, sim::ev::kLevel, "A").size(), 1u);

    // Coasting afterwards: no more thrust from the empty tank.
    VECTOR3 vel = r.rvel;
    world->step(10);
    EXPECT_TRUE(near(r.rvel, vel, 1e-9));
}

TEST_F(HostTest, ThrustNeedsATankAndLevelsAreLoggedOnChange) {
    THGROUP_HANDLE noTank = nullptr, main = nullptr;
    ScriptVessel::hooks.setClassCaps = [&](ScriptVessel &v) {
        v.SetEmptyMass(10);
        THRUSTER_HANDLE loose = v.CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 0, 1), 100);
        noTank = v.CreateThrusterGroup(&loose, 1, THGROUP_HOVER);
        PROPELLANT_HANDLE tank = v.CreatePropellantResource(1, 1, 1);
        THRUSTER_HANDLE th = v.CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 0, 1), 10, tank, 1e4);
        main = v.CreateThrusterGroup(&th, 1, THGROUP_MAIN);
    };
    OBJHANDLE h = make("A");
    VESSEL *v = oapiGetVesselInterface(h);
    v->SetThrusterGroupLevel(noTank, 1.0);
    const auto caps = ScriptVessel::hooks.setClassCaps;
    ScriptVessel::hooks.setClassCaps = nullptr;
    OBJHANDLE twin = make("Twin");  // without thrusters: gravity alone
    ScriptVessel::hooks.setClassCaps = caps;
    world->step(10);
    EXPECT_TRUE(near(rec(*world, h).rvel, rec(*world, twin).rvel, 0));

    for (int i = 0; i < 5; ++i)
        v->SetThrusterGroupLevel(main, 0.5);
    v->SetThrusterGroupLevel(main, 7.0);
    EXPECT_EQ(v->GetThrusterGroupLevel(main), 1.0) << "levels are held in 0..1";
    v->SetThrusterGroupLevel(main, NAN);
    EXPECT_EQ(v->GetThrusterGroupLevel(main), 1.0);
    auto levels = events(*world, sim::ev::kLevel, "A");
    ASSERT_EQ(levels.size(), 3u);  // hover 1, main 0.5, main 1
    EXPECT_EQ(levels[1].text, "main thruster group level 0.5");

    // Another vessel's group handle does nothing here.
    THGROUP_HANDLE ours = main;
    OBJHANDLE other = make("B");
    oapiGetVesselInterface(other)->SetThrusterGroupLevel(ours, 0.0);
    EXPECT_EQ(v->GetThrusterGroupLevel(ours), 1.0);
    EXPECT_EQ(oapiGetVesselInterface(other)->GetThrusterGroupLevel(ours), 0.0);
}

// State from outside beyond the host's limits is refused, and motion that would run past the
// numbers a double holds leaves the vessel where it was: a saved "inf" would not load back.
TEST_F(HostTest, StateNeverBecomesInfinite) {
    OBJHANDLE h = make("A");
    world->setVelocity(h, sim::vec(1e308, 0, 0));
    world->setPosition(h, sim::vec(0, -1e300, 0));
    world->placeNear(make("B"), h, sim::vec(0, 0, 1e300));
    EXPECT_TRUE(near(rec(*world, h).rvel, sim::vec(0, 0, 0), 0));
    EXPECT_TRUE(near(rec(*world, h).rpos, testsupport::kOrbit, 0));
    EXPECT_EQ(events(*world, sim::ev::kError, "A").size(), 2u);

    // A module may still hand over such a state when it makes a vessel.
    OBJHANDLE fast = world->createVessel(
        "Fast", "Script", sim::makeStatus(testsupport::kOrbit, sim::vec(1e308, 0, 0)));
    ASSERT_NE(fast, nullptr);
    world->step(40);
    const sim::VesselRecord &f = rec(*world, fast);
    EXPECT_TRUE(sim::isFinite(f.rpos) && sim::isFinite(f.rvel));
    EXPECT_FALSE(events(*world, sim::ev::kError, "Fast").empty());
}

TEST_F(HostTest, PilotCommandsApplyBeforeThePostStep) {
    THGROUP_HANDLE retro = nullptr;
    double seen = -1;
    ScriptVessel::hooks.postStep = [&](ScriptVessel &v, double, double) {
        if (retro)
            seen = v.GetThrusterGroupLevel(retro);
    };
    OBJHANDLE h = make("A");
    world->commandGroupLevel(h, THGROUP_RETRO, 0.3);
    world->step();
    auto dropped = events(*world, sim::ev::kPilot, "A");
    ASSERT_EQ(dropped.size(), 1u) << "no retro group yet";
    EXPECT_EQ(dropped[0].text, "no retro thruster group to command");

    VESSEL *v = oapiGetVesselInterface(h);
    THRUSTER_HANDLE th = v->CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 0, -1), 10,
                                           v->CreatePropellantResource(1));
    retro = v->CreateThrusterGroup(&th, 1, THGROUP_RETRO);
    world->step();
    EXPECT_EQ(seen, 0.0) << "the earlier command was dropped, not kept";
    world->commandGroupLevel(h, THGROUP_RETRO, 0.3);
    EXPECT_EQ(v->GetThrusterGroupLevel(retro), 0.0) << "applied in the next step, not at once";
    world->step();
    EXPECT_DOUBLE_EQ(seen, 0.3);
}

TEST_F(HostTest, AnimationMotionIsLoggedOnTransitionsOnly) {
    UINT anim = 0;
    ScriptVessel::hooks.setClassCaps = [&](ScriptVessel &v) {
        anim = v.CreateAnimation(1.0);
        v.SetAnimation(anim, 0.0);  // set-up jumps are not motion
    };
    double state = 0;
    ScriptVessel::hooks.postStep = [&](ScriptVessel &v, double, double) {
        v.SetAnimation(anim, state);
    };
    make("A");
    world->step(3);
    EXPECT_TRUE(events(*world, sim::ev::kAnimation).empty());
    for (int i = 0; i < 4; ++i) {
        state += 0.25;
        world->step();
    }
    world->step(5);
    auto moves = events(*world, sim::ev::kAnimation, "A");
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].text, "animation 0 starts moving");
    EXPECT_NEAR(moves[0].time, 0.4, 1e-9);
    EXPECT_EQ(moves[1].text, "animation 0 comes to rest at state 1");
    EXPECT_NEAR(moves[1].time, 0.8, 1e-9);
    EXPECT_FALSE(oapiGetVesselInterface(world->find("A"))->SetAnimation(anim + 1, 0.5));
}
