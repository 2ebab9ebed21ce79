// The flight API beside the air and the ground: drag formulas, thrust against the air's
// pressure, the dock and exhaust set-up calls, and a class set-up starting from nothing.
#include <cmath>

#include "script_vessel.h"

using sim::operator==;
using testsupport::rec;

TEST(FlightFormulas, InducedAndWaveDragFollowTheirDefinitions) {
    EXPECT_NEAR(oapiGetInducedDrag(0.5, 10, 0.8), 0.25 / (PI * 8), 1e-15);
    struct Case {
        double mach, cd;
    } cases[] = {{0.7, 0.0}, {0.9, 0.03}, {1.05, 0.05}, {2.0, 0.01322875655532296}};
    for (const Case &c : cases)
        EXPECT_NEAR(oapiGetWaveDrag(c.mach, 0.75, 1.0, 1.1, 0.05), c.cd, 1e-15) << c.mach;
}

TEST_F(HostTest, ThrustFallsWithTheAirsPressureWhileThePropellantFlowsAsInVacuum) {
    // 1 - p (isp0 - isp_ref) / (p_ref isp0) with 3000 and 2400 m/s at 101.4 kPa.
    struct Case {
        double altitude, factor;  // m, of the thrust in vacuum
    } cases[] = {{100, 0.8025059958737423},               // p = 100129.46 Pa
                 {15035.399566709304, 0.976242995367979},   // 4 km into the 2nd layer
                 {300e3, 1.0}};                              // no air
    ScriptVessel::hooks.setClassCaps = [](ScriptVessel &v) {
        v.SetEmptyMass(100);
        PROPELLANT_HANDLE tank = v.CreatePropellantResource(100);
        THRUSTER_HANDLE th = v.CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 0, 1), 1000, tank,
                                              3000, v.name() == "Ref" ? 0 : 2400);
        v.CreateThrusterGroup(&th, 1, THGROUP_MAIN);
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.altitude);
        const VECTOR3 at = sim::vec(world->groundRadius() + c.altitude, 0, 0);
        OBJHANDLE h = testsupport::create(*world, "A", "Script", at);
        OBJHANDLE ref = testsupport::create(*world, "Ref", "Script", at);
        world->commandGroupLevel(h, THGROUP_MAIN, 1.0);
        world->commandGroupLevel(ref, THGROUP_MAIN, 1.0);
        world->step();
        EXPECT_NEAR(rec(*world, h).rvel.z / rec(*world, ref).rvel.z, c.factor, 1e-12);
        EXPECT_EQ(rec(*world, h).tanks.front().mass, rec(*world, ref).tanks.front().mass);
        world->deleteVessel(h);
        world->deleteVessel(ref);
        world->step();
    }
}

TEST_F(HostTest, SetUpCallsDefineDockZeroExhaustsAndClearWhatWasMade) {
    THRUSTER_HANDLE th = nullptr;
    PROPELLANT_HANDLE tank = nullptr;
    ScriptVessel::hooks.setClassCaps = [&](ScriptVessel &v) {
        v.SetDockParams(sim::vec(0, 0, 2), sim::vec(0, 0, 1), sim::vec(0, 1, 0));  // made
        v.SetDockParams(sim::vec(0, 0, 3), sim::vec(0, 0, 1), sim::vec(1, 0, 0));  // redefined
        tank = v.CreatePropellantResource(10);
        th = v.CreateThruster(sim::vec(1, 0, -2), sim::vec(0, 0, 1), 10, tank);
        v.CreateThrusterGroup(&th, 1, THGROUP_ATT_BACK);
        v.AddExhaust(th, 1, 1);
        v.AddMesh("hull");
        ASSERT_EQ(rec(*sim::World::current(), v.GetHandle()).exhausts.size(), 1u);
        const sim::Exhaust &e = rec(*sim::World::current(), v.GetHandle()).exhausts.front();
        EXPECT_TRUE(e.pos == sim::vec(1, 0, -2) && e.dir == sim::vec(0, 0, -1));
        v.ClearAttExhaustRefs();  // its thruster is an attitude thruster
        EXPECT_EQ(rec(*sim::World::current(), v.GetHandle()).exhausts.size(), 0u);
        v.ClearThrusterDefinitions();
        v.ClearPropellantResources();
        v.ClearMeshes();
    };
    const sim::VesselRecord &v = rec(*world, make("A"));
    ASSERT_EQ(v.docks.size(), 1u);
    EXPECT_TRUE(v.docks[0].pos == sim::vec(0, 0, 3) && v.docks[0].rot == sim::vec(1, 0, 0));
    EXPECT_TRUE(v.thrusters.empty() && v.groups.empty() && v.tanks.empty() && v.meshes.empty());
    EXPECT_EQ(v.defaultTank, nullptr);
    EXPECT_EQ(world->handleOf<sim::Thruster>(th, sim::World::kThruster, nullptr), nullptr);
    EXPECT_EQ(world->handleOf<sim::Tank>(tank, sim::World::kTank, nullptr), nullptr);
}
