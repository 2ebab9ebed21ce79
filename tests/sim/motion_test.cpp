// Frames, the status record, thrust and propellant.
#include <cmath>

#include "script_vessel.h"

using testsupport::events;
using testsupport::near;
using testsupport::rec;
using sim::operator+;

namespace {
const VECTOR3 kBody = sim::vec(1e11, -2e10, 3e9);  // the default reference body position
}

TEST(EulerAngles, RoundTripThroughTheRotationMatrix) {
    const double angles[] = {-3.0, -1.5, -0.4, 0.0, 0.7, 1.5, 3.1};
    for (double a : angles)
        for (double b : angles)
            for (double c : angles) {
                MATRIX3 R = sim::rotationFromEuler(sim::vec(a, b, c));
                MATRIX3 R2 = sim::rotationFromEuler(sim::eulerFromRotation(R));
                for (int i = 0; i < 9; ++i)
                    ASSERT_NEAR(R.data[i], R2.data[i], 1e-12) << a << " " << b << " " << c;
            }
    // At the gimbal lock the matrix still comes back.
    MATRIX3 R = sim::rotationFromEuler(sim::vec(0.3, M_PI / 2, -0.9));
    MATRIX3 R2 = sim::rotationFromEuler(sim::eulerFromRotation(R));
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(R.data[i], R2.data[i], 1e-9);
    // The convention: Rx(a) Ry(b) Rz(c), counter-clockwise.
    EXPECT_TRUE(near(sim::mul(sim::rotationFromEuler(sim::vec(0, 0, M_PI / 2)), sim::vec(1, 0, 0)),
                     sim::vec(0, 1, 0), 1e-15));
    EXPECT_TRUE(near(sim::mul(sim::rotationFromEuler(sim::vec(M_PI / 2, 0, 0)), sim::vec(0, 1, 0)),
                     sim::vec(0, 0, 1), 1e-15));
}

TEST_F(HostTest, FramesOfARotatedMovingVessel) {
    OBJHANDLE h = make("A", sim::vec(100, 200, 300));
    // Turn 90 degrees about z: local x points along global y.
    world->setRotation(h, sim::rotationFromEuler(sim::vec(0, 0, M_PI / 2)));
    world->setVelocity(h, sim::vec(1, 0, 0));
    world->step(10);  // 1 s
    VESSEL *v = oapiGetVesselInterface(h);
    VECTOR3 out;
    v->Local2Rel(sim::vec(1, 0, 0), out);
    EXPECT_TRUE(near(out, sim::vec(101, 201, 300), 1e-9));
    v->GlobalRot(sim::vec(1, 0, 0), out);
    EXPECT_TRUE(near(out, sim::vec(0, 1, 0), 1e-15));
    VECTOR3 gpos;
    oapiGetGlobalPos(h, &gpos);
    EXPECT_TRUE(near(gpos, kBody + sim::vec(101, 200, 300), 1e-3));
    v->Global2Local(gpos + sim::vec(0, 2, 0), out);
    EXPECT_TRUE(near(out, sim::vec(2, 0, 0), 1e-3));
    oapiGetGlobalPos(world->bodyHandle(), &gpos);
    EXPECT_TRUE(near(gpos, kBody, 0));

    // Angular velocity turns the vessel: 90 degrees per second about local z.
    world->setRotation(h, sim::identity());
    world->setAngularVelocity(h, sim::vec(0, 0, M_PI / 2));
    world->step(10);
    MATRIX3 R;
    v->GetRotationMatrix(R);
    EXPECT_TRUE(near(sim::mul(R, sim::vec(1, 0, 0)), sim::vec(0, 1, 0), 1e-12));
    VECTOR3 w;
    v->GetAngularVel(w);
    EXPECT_TRUE(near(w, sim::vec(0, 0, M_PI / 2), 0));
}

TEST_F(HostTest, StatusRoundTripsThroughCreation) {
    ScriptVessel::hooks.setClassCaps = [](ScriptVessel &v) {
        v.CreatePropellantResource(8);
        THRUSTER_HANDLE th = v.CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 0, 1), 1,
                                              v.CreatePropellantResource(1));
        v.CreateThrusterGroup(&th, 1, THGROUP_RETRO);
    };
    VESSELSTATUS s = sim::makeStatus(sim::vec(5, 6, 7), sim::vec(-1, 0, 2));
    s.arot = sim::vec(0.4, -0.2, 2.5);
    s.vrot = sim::vec(0.01, 0.02, 0.03);
    s.fuel = 0.25;
    s.eng_main = -0.5;
    s.status = 1;
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
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.rbody, world->bodyHandle());

    // A vessel made from that status has the same orientation matrix.
    OBJHANDLE b = world->createVessel("B", "Script", got);
    ASSERT_NE(b, nullptr);
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(rec(*world, b).rot.data[i], ra.rot.data[i], 1e-12);
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
    OBJHANDLE h = make("A");
    world->setRotation(h, sim::rotationFromEuler(sim::vec(M_PI / 2, 0, 0)));
    VESSEL *v = oapiGetVesselInterface(h);
    world->commandGroupLevel(h, THGROUP_RETRO, 1.0);
    double burn = kFuel * kIsp / kThrust;  // 62.5 s
    world->runUntil(burn + 5);
    const sim::VesselRecord &r = rec(*world, h);
    EXPECT_EQ(r.tanks[0].mass, 0.0);
    EXPECT_DOUBLE_EQ(r.mass(), kEmpty);
    double dv = kIsp * std::log((kEmpty + kFuel) / kEmpty);
    // Local -z turned by +90 degrees about x is global +y.
    EXPECT_TRUE(near(r.rvel, sim::vec(0, dv, 0), dv * 1e-9)) << r.rvel.y << " vs " << dv;
    EXPECT_DOUBLE_EQ(v->GetThrusterGroupLevel(group), 1.0) << "the level stays as commanded";
    ASSERT_EQ(events(*world, sim::ev::kTankEmpty, "A").size(), 1u);
    EXPECT_NEAR(events(*world, sim::ev::kTankEmpty, "A")[0].time, burn, 0.1 + 1e-9);
    EXPECT_EQ(events(*world, sim::ev::kLevel, "A").size(), 1u);

    // Coasting afterwards: no more thrust from the empty tank.
    VECTOR3 vel = r.rvel;
    world->step(10);
    EXPECT_TRUE(near(r.rvel, vel, 0));
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
    world->step(10);
    EXPECT_TRUE(near(rec(*world, h).rvel, sim::vec(0, 0, 0), 0));

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
    EXPECT_TRUE(near(rec(*world, h).rpos, sim::vec(0, 0, 0), 0));
    EXPECT_EQ(events(*world, sim::ev::kError, "A").size(), 2u);

    // A module may still hand over such a state when it makes a vessel.
    OBJHANDLE fast = world->createVessel("Fast", "Script",
                                         sim::makeStatus(sim::vec(0, 0, 0), sim::vec(1e308, 0, 0)));
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
    THRUSTER_HANDLE th = v->CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 0, -1), 10);
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
