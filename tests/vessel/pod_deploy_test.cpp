// Deployment, the engine that appears after it, and the latch that holds it at full thrust.
#include <cmath>
#include <string>

#include "pod_support.h"

using namespace podtest;
using sim::vec;
using testsupport::rec;
using sim::operator-;

namespace {

constexpr double kStep = 0.125;  // s; exact in binary, so the sums below are exact

class PodDeploy : public PodWorldTest {
protected:
    void SetUp() override {
        PodWorldTest::SetUp();
        sim::WorldOptions o;
        o.step = kStep;
        makeWorld(o);
        pod = loadCrewedPod(*world);
        ASSERT_NE(pod, nullptr);
    }
    const sim::VesselRecord &p() { return rec(*world, pod); }
    void pressK() { EXPECT_TRUE(world->keyEvent(OAPI_KEY_K)); }
    // Deploys fully and steps once more, so the engine exists.
    void deployWithEngine() {
        pressK();
        world->step(33);
        ASSERT_NE(retroGroup(p()), nullptr);
    }
    double engineTank() { return p().tanks[1].mass; }

    OBJHANDLE pod = nullptr;
};

}  // namespace

TEST_F(PodDeploy, DeploysInFourSecondsAndMakesTheEngineOneStepLater) {
    pressK();
    world->step(16);
    EXPECT_EQ(deployState(p()), 0.5);
    world->step(15);
    EXPECT_EQ(deployState(p()), 31 * 0.03125);
    world->step(1);  // the 32nd step reaches the end exactly
    EXPECT_EQ(deployState(p()), 1.0);
    EXPECT_EQ(retroGroup(p()), nullptr);
    EXPECT_EQ(p().thrusters.size(), 22u);
    world->step(1);  // the 33rd makes the engine
    const sim::ThrusterGroup *retro = retroGroup(p());
    ASSERT_NE(retro, nullptr);
    ASSERT_EQ(retro->thrusters.size(), 1u);
    const sim::Thruster &engine = *retro->thrusters[0];
    EXPECT_EQ(&engine, &p().thrusters.back());
    EXPECT_TRUE(testsupport::near(engine.pos, vec(0, 0, 1)));
    EXPECT_TRUE(testsupport::near(engine.dir, vec(0, 0, -1)));
    EXPECT_EQ(engine.maxThrust, 2000.0);
    EXPECT_EQ(engine.tank, &p().tanks[1]);
    EXPECT_EQ(engine.isp, 2500.0);
    EXPECT_EQ(engine.ispRef, 2500.0);
    EXPECT_EQ(engine.pRef, 101400.0);
    EXPECT_EQ(retro->level, 0.0) << "made, not fired";

    ASSERT_EQ(p().exhausts.size(), 1u);
    const sim::Exhaust &flame = p().exhausts[0];
    EXPECT_EQ(flame.thruster, &engine);
    EXPECT_EQ(flame.lscale, 1.0);
    EXPECT_EQ(flame.wscale, 0.1);
    EXPECT_TRUE(testsupport::near(flame.pos, vec(0, 0.02, 0.85)));
    EXPECT_TRUE(testsupport::near(flame.dir, vec(0, 0, 1)));
    ASSERT_NE(flame.tex, nullptr);
    EXPECT_EQ(static_cast<const sim::TextureRecord *>(flame.tex)->name, "exhaust_atrcs");

    ASSERT_EQ(p().streams.size(), 2u);
    const sim::ParticleStream &s = p().streams[1];
    EXPECT_FALSE(s.reentry);
    EXPECT_EQ(s.thruster, &engine);
    EXPECT_TRUE(testsupport::near(s.pos, vec(0, 0, 1)));
    ASSERT_TRUE(s.hasSpec);
    EXPECT_EQ(s.spec.srcsize, 0.25);
    EXPECT_EQ(s.spec.srcrate, 1000.0);
    EXPECT_EQ(s.spec.v0, 150.0);
    EXPECT_EQ(s.spec.srcspread, 0.3);
    EXPECT_EQ(s.spec.lifetime, 0.25);
    EXPECT_EQ(s.spec.growthrate, 16.0);
    EXPECT_EQ(s.spec.atmslowdown, 0.0);
    EXPECT_EQ(s.spec.ltype, PARTICLESTREAMSPEC::EMISSIVE);
    EXPECT_EQ(s.spec.levelmap, PARTICLESTREAMSPEC::LVL_PLIN);
    EXPECT_EQ(s.spec.lmin, 0.0);
    EXPECT_EQ(s.spec.lmax, 1.0);
    EXPECT_EQ(s.spec.atmsmap, PARTICLESTREAMSPEC::ATM_PLIN);
    EXPECT_EQ(s.spec.amin, -0.01);
    EXPECT_EQ(s.spec.amax, 0.1);
    EXPECT_EQ(s.spec.tex, nullptr);

    // Once is enough: later steps make nothing more.
    world->step(40);
    EXPECT_EQ(p().thrusters.size(), 23u);
    EXPECT_EQ(p().groups.size(), 13u);
    EXPECT_EQ(p().exhausts.size(), 1u);
    EXPECT_EQ(p().streams.size(), 2u);
}

TEST_F(PodDeploy, OneLongStepIsClampedAtTheEnd) {
    sim::WorldOptions o;
    o.step = 10.0;
    makeWorld(o);
    pod = loadCrewedPod(*world);
    pressK();
    world->step(1);
    EXPECT_EQ(deployState(p()), 1.0);
    EXPECT_EQ(retroGroup(p()), nullptr);
    world->step(1);
    EXPECT_NE(retroGroup(p()), nullptr);
}

TEST_F(PodDeploy, DeployKeyAgainAfterDeploymentChangesNothing) {
    deployWithEngine();
    world->step(8);  // well past the key's repeat delay
    pressK();
    world->step(3);
    EXPECT_EQ(deployState(p()), 1.0);
    EXPECT_EQ(p().thrusters.size(), 23u);
    EXPECT_EQ(p().groups.size(), 13u);
    // The deployment animation does not move again.
    EXPECT_FALSE(p().animations[kDeployAnim].moving);
}

TEST_F(PodDeploy, AnyPositiveRetroLevelLatchesFullThrustForGood) {
    deployWithEngine();
    world->commandGroupLevel(pod, THGROUP_RETRO, 0.3);
    world->step(1);
    EXPECT_EQ(retroGroup(p())->level, 1.0);
    double tank = engineTank();
    EXPECT_LT(tank, 6.0);
    world->commandGroupLevel(pod, THGROUP_RETRO, 0.0);  // the pilot tries to stop it
    for (int i = 0; i < 5; ++i) {
        world->step(1);
        EXPECT_EQ(retroGroup(p())->level, 1.0) << "step " << i;
    }
    EXPECT_LT(engineTank(), tank);
}

TEST_F(PodDeploy, ZeroLevelNeverLatches) {
    deployWithEngine();
    for (int i = 0; i < 10; ++i) {
        world->commandGroupLevel(pod, THGROUP_RETRO, 0.0);
        world->step(1);
    }
    EXPECT_EQ(retroGroup(p())->level, 0.0);
    EXPECT_EQ(engineTank(), 6.0);
}

TEST_F(PodDeploy, NoEngineToFireBeforeDeployment) {
    world->commandGroupLevel(pod, THGROUP_RETRO, 0.5);
    world->step(1);
    EXPECT_EQ(retroGroup(p()), nullptr);
    EXPECT_EQ(testsupport::events(*world, sim::ev::kPilot, "Pod").size(), 1u);
    // A retro command during deployment finds no engine either, and leaves no latch behind.
    pressK();
    world->step(10);
    world->commandGroupLevel(pod, THGROUP_RETRO, 0.5);
    world->step(30);
    ASSERT_NE(retroGroup(p()), nullptr);
    world->step(10);
    EXPECT_EQ(retroGroup(p())->level, 0.0);
    EXPECT_EQ(engineTank(), 6.0);
}

TEST_F(PodDeploy, LatchedEngineBurnsItsPropellantToTheRocketEquation) {
    // Far out, where the body's pull (4e-12 m/s^2) is below what the burn is measured to.
    world->setPosition(pod, vec(1e13, 0, 0));
    deployWithEngine();
    const VECTOR3 v0 = p().rvel;
    const double m0 = p().mass();
    EXPECT_EQ(m0, p().emptyMass + 2.0 + 6.0);
    world->commandGroupLevel(pod, THGROUP_RETRO, 0.3);
    // 6 kg at 2000 N and 2500 m/s last 7.5 s at full level.
    world->step(int(10.0 / kStep));
    EXPECT_EQ(engineTank(), 0.0);
    EXPECT_EQ(testsupport::events(*world, sim::ev::kTankEmpty, "Pod").size(), 1u);
    EXPECT_EQ(p().tanks[0].mass, 2.0) << "the attitude tank is not touched";
    EXPECT_EQ(retroGroup(p())->level, 1.0) << "still commanded after burn-out";

    const VECTOR3 dv = p().rvel - v0;
    const double expected = 2500.0 * std::log(m0 / (m0 - 6.0));
    const double got = std::sqrt(dv.x * dv.x + dv.y * dv.y + dv.z * dv.z);
    EXPECT_NEAR(got, expected, expected * 0.005);
    // Backwards along the capsule's own z axis (the capsule is not turned).
    EXPECT_LT(dv.z, 0.0);
    EXPECT_NEAR(dv.z, -got, 1e-6 * got);
}

TEST_F(PodDeploy, SavedDeployedCapsuleComesBackStowedWithoutEngine) {
    deployWithEngine();
    world->commandGroupLevel(pod, THGROUP_RETRO, 1.0);
    world->step(2);
    ASSERT_EQ(retroGroup(p())->level, 1.0);
    sim::ScenarioFile saved = world->save();

    sim::WorldOptions o;
    o.step = kStep;
    makeWorld(o);
    std::string error;
    ASSERT_TRUE(world->load(saved, &error)) << error;
    pod = world->find("Pod");
    ASSERT_NE(pod, nullptr);
    EXPECT_EQ(deployState(p()), 0.0);
    EXPECT_EQ(retroGroup(p()), nullptr);
    world->step(20);
    EXPECT_EQ(deployState(p()), 0.0);
    EXPECT_EQ(retroGroup(p()), nullptr);
    EXPECT_EQ(p().thrusters.size(), 22u);
    // The crew came along, so it can be deployed again.
    pressK();
    world->step(33);
    ASSERT_NE(retroGroup(p()), nullptr);
    EXPECT_EQ(retroGroup(p())->level, 0.0) << "the latch is not kept";
}

// In the simulator a tank that no PRPLEVEL names is empty after loading: such a capsule
// deploys as any other, and its engine appears and latches, but never fires.
TEST_F(PodDeploy, CapsuleLoadedWithoutFuelDeploysButItsEngineNeverFires) {
    sim::WorldOptions o;
    o.step = kStep;
    makeWorld(o);
    // A twin in the same place and with the same lines falls as the capsule does.
    pod = loadShips(*world, {podBlock("Pod", {kCrewLine}), podBlock("Twin", {kCrewLine})});
    ASSERT_NE(pod, nullptr);
    const sim::VesselRecord &twin = *world->record(world->find("Twin"));
    EXPECT_EQ(p().tanks[0].mass, 0.0);
    EXPECT_EQ(engineTank(), 0.0);
    deployWithEngine();
    EXPECT_EQ(deployState(p()), 1.0);
    world->commandGroupLevel(pod, THGROUP_RETRO, 1.0);
    world->step(int(10.0 / kStep));
    EXPECT_EQ(retroGroup(p())->level, 1.0) << "latched all the same";
    EXPECT_TRUE(testsupport::near(p().rvel, twin.rvel, 0)) << "no thrust without propellant";
    EXPECT_TRUE(testsupport::events(*world, sim::ev::kTankEmpty).empty());
    // The attitude thrusters have nothing either.
    world->commandGroupLevel(pod, THGROUP_ATT_PITCHUP, 1.0);
    world->step(4);
    EXPECT_TRUE(testsupport::near(p().avel, vec(0, 0, 0), 0));
}

TEST_F(PodDeploy, StepsAllocateNothingInTheModule) {
    alloc::arm();
    pressK();
    world->step(33);  // deployment and engine creation
    world->commandGroupLevel(pod, THGROUP_RETRO, 0.5);
    world->step(80);  // latch and burn-out
    alloc::Counts c = alloc::counts();
    alloc::disarm();
    ASSERT_NE(retroGroup(p()), nullptr);
    EXPECT_EQ(engineTank(), 0.0);
    EXPECT_GT(c.total, 0) << "the counter sees the host's allocations";
    EXPECT_EQ(c.fromModule, 0);
}
