// The reference body and its surface: landed vessels as scenarios and the status record
// tell them, riding the turning ground, touching down, lifting off, and the choice of body.
#include <cmath>
#include <utility>

#include "ScenarioText.h"
#include "Text.h"
#include "script_vessel.h"

using testsupport::events;
using testsupport::near;
using testsupport::rec;
using Strings = std::vector<std::string>;
using sim::operator*;
using sim::operator+;
using sim::operator-;
using sim::operator/;

namespace {

constexpr double kMoonRadius = 1.738e6;  // m
constexpr double kDeg = M_PI / 180;
constexpr double kStandHeight = 2.0;  // m, the origin above the ground when standing
constexpr double kMoonTurn = 2 * M_PI / 2360588.15;  // rad/s

// Stands on three points 2 m below its origin, up along +y, and has one tank and a hover
// engine strong enough to lift it off the Moon.
void lander(ScriptVessel &v) {
    v.SetEmptyMass(100);
    v.SetTouchdownPoints(sim::vec(0, -kStandHeight, 1), sim::vec(-1, -kStandHeight, -1),
                         sim::vec(1, -kStandHeight, -1));
    PROPELLANT_HANDLE tank = v.CreatePropellantResource(100);
    THRUSTER_HANDLE up = v.CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 1, 0), 1000, tank, 3000);
    v.CreateThrusterGroup(&up, 1, THGROUP_HOVER);
}

sim::ShipBlock ship(const std::string &name, Strings lines) {
    sim::ShipBlock b;
    b.name = name;
    b.className = "Script";
    b.lines = std::move(lines);
    return b;
}

// The horizon's east, up and north at a place given in degrees.
VECTOR3 east(double lng, double lat) {
    return sim::mul(sim::horizonFrame(lng * kDeg, lat * kDeg), sim::vec(1, 0, 0));
}
VECTOR3 up(double lng, double lat) {
    return sim::surfaceNormal(lng * kDeg, lat * kDeg);
}
VECTOR3 north(double lng, double lat) {
    return sim::mul(sim::horizonFrame(lng * kDeg, lat * kDeg), sim::vec(0, 0, 1));
}
// The velocity of the Moon's ground under a vessel standing at (lng, lat) at time 0.
VECTOR3 moonGround(double lng, double lat) {
    return east(lng, lat) * (kMoonTurn * (kMoonRadius + kStandHeight) * std::cos(lat * kDeg));
}

// Numbers of a scenario line after its keyword.
std::vector<double> numbers(const std::string &line) {
    std::vector<double> out;
    const char *p = line.c_str() + line.find(' ');
    char *end = nullptr;
    for (double x = std::strtod(p, &end); end != p; x = std::strtod(p, &end)) {
        out.push_back(x);
        p = end;
    }
    return out;
}

class SurfaceTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        ScriptVessel::hooks.setClassCaps = lander;
    }
    // A world around the Moon.
    void onTheMoon() {
        sim::WorldOptions o;
        o.bodyName = "Moon";
        makeScriptWorld(o);
    }
    // A free vessel `height` metres above standing height at (lng, lat) at time 0, falling
    // from rest against the ground.
    OBJHANDLE dropped(const std::string &name, double lng, double lat, double height,
                      const MATRIX3 &rot = sim::identity()) {
        const double r = kMoonRadius + kStandHeight + height;
        VESSELSTATUS s = sim::makeStatus(up(lng, lat) * r,
                                         moonGround(lng, lat) * (r / (kMoonRadius + kStandHeight)));
        s.arot = sim::eulerFromRotation(rot);
        std::string error;
        OBJHANDLE h = world->createVessel(name, "Script", s, &error);
        EXPECT_NE(h, nullptr) << error;
        return h;
    }
};

}  // namespace

// Written as the simulator writes it: a landed vessel by place and heading, a free one by
// position, velocity, orientation and spin, tanks by level. It loads, and saves back the same.
TEST_F(SurfaceTest, ScenarioAsTheSimulatorWritesItLoadsAndSavesBack) {
    sim::ScenarioFile scn;
    const Strings landed = {"STATUS Landed Moon", "POS -33.4375 -41.118454", "HEADING 120.25",
                            "PRPLEVEL 0:0.5"};
    const Strings flying = {"STATUS Orbiting Moon",    "RPOS 1837400 -250.5 3.25",
                            "RVEL 12.5 -1.75 1633.75", "AROT 10 -20 30",
                            "VROT 1.5 -2 3",           "PRPLEVEL 0:1"};
    scn.ships = {ship("Lander", landed), ship("Orbiter", flying)};
    std::string error;
    ASSERT_TRUE(world->load(scn, &error)) << error;
    EXPECT_STREQ(world->body().name, "Moon") << "the scenario names the body";

    // The lander stands there: up along the surface normal, its nose 120.25 degrees from
    // north towards east, its origin 2 m above the ground, at rest on the turning ground.
    const double lng = -33.4375, lat = -41.118454, h = 120.25 * kDeg;
    const sim::VesselRecord &l = rec(*world, world->find("Lander"));
    EXPECT_EQ(l.status, sim::kLanded);
    EXPECT_TRUE(near(l.rpos, up(lng, lat) * (kMoonRadius + kStandHeight), 1e-6));
    EXPECT_TRUE(near(sim::mul(l.rot, sim::vec(0, 1, 0)), up(lng, lat), 1e-12));
    EXPECT_TRUE(near(sim::mul(l.rot, sim::vec(0, 0, 1)),
                     north(lng, lat) * std::cos(h) + east(lng, lat) * std::sin(h), 1e-12));
    EXPECT_TRUE(near(l.rvel, moonGround(lng, lat), 1e-12));
    EXPECT_DOUBLE_EQ(l.tanks[0].mass, 50.0);
    const sim::VesselRecord &o = rec(*world, world->find("Orbiter"));
    EXPECT_EQ(o.status, sim::kFreeFlight);
    EXPECT_TRUE(near(o.avel, sim::vec(1.5, -2, 3) * kDeg, 1e-15));

    // Saved: the same lines, the same numbers; the angles and rates to the last bits of
    // their way through radians and the rotation matrix.
    const sim::ScenarioFile saved = world->save();
    ASSERT_EQ(saved.ships.size(), 2u);
    EXPECT_EQ(saved.ships[0].lines, landed);
    const Strings &back = saved.ships[1].lines;
    ASSERT_EQ(back.size(), flying.size());
    for (std::size_t i = 0; i < flying.size(); ++i) {
        const std::string keyword = flying[i].substr(0, 5);
        if (keyword == "AROT " || keyword == "VROT ") {
            ASSERT_EQ(back[i].rfind(keyword, 0), 0u) << back[i];
            const std::vector<double> got = numbers(back[i]), written = numbers(flying[i]);
            ASSERT_EQ(got.size(), 3u) << back[i];
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(got[k], written[k], 1e-12) << back[i];
        } else {
            EXPECT_EQ(back[i], flying[i]);
        }
    }
}

TEST_F(SurfaceTest, StatusOfALandedVesselIsInSurfaceTerms) {
    root->write("config/Moon/Base/Q.cfg",
                "Name = Quiet Sea\nLocation = 23.47 0.67\n"
                "BEGIN_OBJECTLIST\nLPAD1\nEND\nLPAD2\nEND\nEND_OBJECTLIST\n");
    sim::ScenarioFile scn;
    scn.ships = {ship("Lander", {"STATUS Landed Moon", "POS 20 10", "HEADING 45"}),
                 ship("Parked", {"STATUS Landed Moon", "BASE Quiet Sea:2"})};
    ASSERT_TRUE(world->load(scn));
    OBJHANDLE h = world->find("Lander");
    VESSELSTATUS s;
    // On a pad of a base, and anywhere else.
    oapiGetVesselInterface(world->find("Parked"))->GetStatus(s);
    char name[16] = "";
    oapiGetObjectName(s.base, name, sizeof name);
    EXPECT_EQ(std::make_pair(std::string(name), s.port),
              std::make_pair(std::string("Quiet Sea"), 1));
    oapiGetVesselInterface(h)->GetStatus(s);
    EXPECT_EQ(std::make_pair(s.base, s.port), std::make_pair(OBJHANDLE(nullptr), -1));
    EXPECT_EQ(s.status, 1);
    EXPECT_TRUE(near(s.vdata[0], sim::vec(20, 10, 45) * kDeg, 1e-15));
    // Not a spin: the altitude of the origin, and nothing else.
    EXPECT_TRUE(near(s.vrot, sim::vec(kStandHeight, 0, 0), 1e-6));
    EXPECT_TRUE(near(s.rpos, rec(*world, h).rpos, 0));
    EXPECT_TRUE(near(s.rvel, moonGround(20, 10), 1e-12));
    EXPECT_EQ(s.rbody, world->bodyHandle());
    // The orientation relative to the local horizon (east, up, north): standing level, the
    // nose points 45 degrees from north towards east. The global angles are others.
    const MATRIX3 relative = sim::rotationFromEuler(s.arot);
    EXPECT_TRUE(near(sim::mul(relative, sim::vec(0, 0, 1)),
                     sim::vec(std::sin(45 * kDeg), 0, std::cos(45 * kDeg)), 1e-12));
    EXPECT_TRUE(near(sim::mul(relative, sim::vec(0, 1, 0)), sim::vec(0, 1, 0), 1e-12));
    EXPECT_FALSE(near(s.arot, sim::eulerFromRotation(rec(*world, h).rot), 1e-3));

    // Made from that status, another vessel stands at the same place and heading.
    OBJHANDLE copy = world->createVessel("Copy", "Script", s);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(rec(*world, copy).status, sim::kLanded);
    EXPECT_TRUE(near(rec(*world, copy).rpos, rec(*world, h).rpos, 1e-6));
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(rec(*world, copy).rot.data[i], rec(*world, h).rot.data[i], 1e-12);
}

TEST_F(SurfaceTest, FreeVesselMadeInsideTheBodyIsMovedOut) {
    std::string error;
    OBJHANDLE a =
        world->createVessel("A", "Script", sim::makeStatus(sim::vec(0, -1000, 0)), &error);
    ASSERT_NE(a, nullptr) << error;
    // Wherever it was inside, the simulator puts it on the global z axis, 1.1 radii out.
    EXPECT_TRUE(near(rec(*world, a).rpos, sim::vec(0, 0, 1.1 * 6.37101e6), 1e-6));
    EXPECT_EQ(rec(*world, a).status, sim::kFreeFlight);
    EXPECT_EQ(events(*world, sim::ev::kSurface, "A", "inside Earth: moved out").size(), 1u);
    OBJHANDLE b = world->createVessel("B", "Script", sim::makeStatus(), &error);
    ASSERT_NE(b, nullptr) << error;
    EXPECT_TRUE(near(rec(*world, b).rpos, sim::vec(0, 0, 1.1 * 6.37101e6), 1e-6));
    // Outside the body a vessel is made where it is asked for.
    OBJHANDLE c = make("C", testsupport::kOrbit);
    EXPECT_TRUE(near(rec(*world, c).rpos, testsupport::kOrbit, 0));
}

TEST_F(SurfaceTest, SlowTouchdownLandsAndFastOneCrashesBothComeToRest) {
    onTheMoon();
    // Half a metre up, tilted 30 degrees about its right axis with the nose turned east.
    const MATRIX3 tilt =
        sim::mul(sim::horizonFrame(0, 0), sim::mat(0, 0, 1, 0, 1, 0, -1, 0, 0));  // nose east
    const MATRIX3 tilted =
        sim::mul(tilt, sim::rotationAboutAxis(sim::vec(1, 0, 0), 30 * kDeg));  // nose up 30
    OBJHANDLE slow = dropped("Slow", 0, 0, 0.5, tilted);
    OBJHANDLE fast = dropped("Fast", 90, 0, 10, sim::horizonFrame(90 * kDeg, 0));  // upright
    world->runUntil(5);
    const sim::VesselRecord &s = rec(*world, slow);
    ASSERT_EQ(s.status, sim::kLanded) << testsupport::dumpEvents(*world);
    const auto landed = events(*world, sim::ev::kSurface, "Slow");
    ASSERT_EQ(landed.size(), 1u);
    EXPECT_EQ(landed[0].text.rfind("landed on the Moon at ", 0), 0u) << landed[0].text;
    // Upright where it touched (the ground has turned since), heading east as it was.
    EXPECT_TRUE(near(sim::mul(s.rot, sim::vec(0, 1, 0)), s.rpos / sim::length(s.rpos), 1e-9));
    EXPECT_NEAR(s.spot.heading, 90, 1e-6);
    EXPECT_NEAR(sim::length(s.rpos), kMoonRadius + kStandHeight, 1e-6);

    // Ten metres up: about 5.7 m/s at the ground, a crash; it rests there all the same.
    const auto crashed = events(*world, sim::ev::kSurface, "Fast");
    ASSERT_EQ(crashed.size(), 1u);
    EXPECT_EQ(crashed[0].text.rfind("crashed into the Moon at 5.", 0), 0u) << crashed[0].text;
    EXPECT_EQ(rec(*world, fast).status, sim::kLanded);
}

// Ten minutes on, a landed vessel stands where it stood on its own body (its lines save back
// as read), gravity or not, while its position and orientation have turned with the body,
// backwards on Venus, not at all on the Sun, and it moves east at the ground's speed.
TEST_F(SurfaceTest, LandedVesselsRideTheirTurningBodies) {
    struct Case {
        const char *body;
        double period;    // sidereal, s
        double lng, lat;  // deg
        const char *pos, *heading;
    } cases[] = {
        {"Earth", 86164.10132, -80.6, 28.5, "POS -80.6 28.5", "HEADING 90"},
        {"Venus", -20996797.02, 10, -45, "POS 10 -45", "HEADING 200"},
        {"Moon", 2360588.15, 23.47, 0.67, "POS 23.47 0.67", "HEADING 0"},
        {"Mars", 88642.66435, 170, 80, "POS 170 80", "HEADING 300.5"},
        {"Sun", 0, -120, 0, "POS -120 0", "HEADING 10"},
    };
    sim::ScenarioFile scn;
    for (const Case &c : cases)
        scn.ships.push_back(ship(
            c.body, {std::string("STATUS Landed ") + c.body, c.pos, c.heading, "PRPLEVEL 0:1"}));
    std::string error;
    ASSERT_TRUE(world->load(scn, &error)) << error;
    world->runUntil(600);
    const sim::ScenarioFile saved = world->save();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case &c = cases[i];
        SCOPED_TRACE(c.body);
        const sim::VesselRecord &v = rec(*world, world->find(c.body));
        const double w = c.period == 0 ? 0 : 2 * M_PI / c.period, r = sim::length(v.rpos);
        const double lng = c.lng + w * world->time() / kDeg;
        EXPECT_TRUE(near(v.rpos, up(lng, c.lat) * r, 1e-9 * r));
        EXPECT_TRUE(near(sim::mul(v.rot, sim::vec(0, 1, 0)), up(lng, c.lat), 1e-9));
        const double speed = w * r * std::cos(c.lat * kDeg);
        EXPECT_TRUE(near(v.rvel, east(lng, c.lat) * speed, 1e-9 * std::fabs(speed) + 1e-12));
        EXPECT_EQ(saved.ships[i].lines, scn.ships[i].lines);
    }
}

// The body's turn follows the date, and a save writes the date it was made at: loaded again,
// a landed vessel (saved by its place) and a free one (saved by position) are where they were,
// on a body turning forwards and on one turning backwards.
TEST_F(SurfaceTest, SavedScenarioKeepsTheGroundWhereItWas) {
    constexpr double kRun = 600, kStart = 60310.5;  // s, MJD
    for (const char *body : {"Earth", "Venus"}) {
        SCOPED_TRACE(body);
        makeScriptWorld();
        sim::ScenarioFile scn;
        scn.hasMjd = true;
        scn.mjd = kStart;
        // The free one starts at rest two body radii out, and falls for less than a body radius.
        const double high = 2 * sim::findBody(body)->radius;
        scn.ships = {ship("Base", {std::string("STATUS Landed ") + body, "POS 30 20"}),
                     ship("Capsule", {std::string("STATUS Orbiting ") + body,
                                      "RPOS " + sim::vectorText(up(31, 20) * high)})};
        std::string error;
        ASSERT_TRUE(world->load(scn, &error)) << error;
        world->runUntil(kRun);
        const VECTOR3 base = rec(*world, world->find("Base")).rpos;
        const VECTOR3 capsule = rec(*world, world->find("Capsule")).rpos;
        std::string text;
        ASSERT_TRUE(sim::formatScenarioText(world->save(), {"Date MJD 60310.5"}, true, text, error));

        sim::ParsedScenario back;
        sim::InputError bad;
        ASSERT_TRUE(sim::parseScenarioText(text, "saved.scn", back, bad)) << bad.text();
        EXPECT_EQ(back.scenario.mjd, kStart + kRun / 86400) << text;
        makeScriptWorld();
        ASSERT_TRUE(world->load(back.scenario, &error)) << error;
        const sim::VesselRecord &b = rec(*world, world->find("Base"));
        const sim::VesselRecord &c = rec(*world, world->find("Capsule"));
        EXPECT_EQ(b.status, sim::kLanded);
        EXPECT_EQ(c.status, sim::kFreeFlight);
        EXPECT_TRUE(near(b.rpos, base, 1e-3));
        EXPECT_TRUE(near(c.rpos, capsule, 1e-3));
        EXPECT_NEAR(sim::length(c.rpos - b.rpos), sim::length(capsule - base), 1e-3);
    }
}

TEST_F(SurfaceTest, ThrustLiftsALandedVesselOnlyWhenItBeatsTheWeight) {
    onTheMoon();
    sim::ScenarioFile scn;
    scn.ships = {ship("Lander", {"STATUS Landed Moon", "POS 0 0", "HEADING 0", "PRPLEVEL 0:1"})};
    ASSERT_TRUE(world->load(scn));
    OBJHANDLE h = world->find("Lander");
    const sim::VesselRecord &l = rec(*world, h);
    const double at = sim::length(l.rpos);
    // 200 kg weigh 325 N on the Moon: 200 N hold it down, and burn propellant all the same.
    world->commandGroupLevel(h, THGROUP_HOVER, 0.2);
    world->step(10);
    EXPECT_EQ(l.status, sim::kLanded);
    EXPECT_EQ(std::make_pair(l.spot.lng, l.spot.lat), std::make_pair(0.0, 0.0));
    EXPECT_LT(l.tanks[0].mass, 100.0);
    // 1000 N lift it straight up, and it goes on east as fast as the ground it left.
    world->commandGroupLevel(h, THGROUP_HOVER, 1.0);
    world->step(10);
    EXPECT_EQ(l.status, sim::kFreeFlight);
    EXPECT_GT(sim::length(l.rpos), at + 1.0);
    const VECTOR3 out = l.rpos / sim::length(l.rpos);
    EXPECT_NEAR(sim::length(l.rvel - out * sim::dot(l.rvel, out)), kMoonTurn * at, 1e-4);
    EXPECT_EQ(events(*world, sim::ev::kSurface, "Lander", "lifts off the Moon").size(), 1u);
}

TEST_F(SurfaceTest, MovedFromOutsideItFliesAndFallsBackDown) {
    onTheMoon();
    sim::ScenarioFile scn;
    scn.ships = {ship("Base", {"STATUS Landed Moon", "POS 0 0", "HEADING 0"}),
                 ship("Walker", {"STATUS Landed Moon", "POS 0.001 0", "HEADING 0"})};
    ASSERT_TRUE(world->load(scn));
    OBJHANDLE walker = world->find("Walker");
    // Put beside the base at ground level (its feet 2 m below its origin): it flies for a
    // moment, touches down at once and stands there.
    world->placeNear(walker, world->find("Base"), sim::vec(5, 0, 0));
    EXPECT_EQ(rec(*world, walker).status, sim::kFreeFlight);
    world->step(2);
    EXPECT_EQ(rec(*world, walker).status, sim::kLanded);
    VECTOR3 local;
    oapiGetVesselInterface(world->find("Base"))
        ->Global2Local(world->globalPos(rec(*world, walker)), local);
    EXPECT_TRUE(near(local, sim::vec(5, 0, 0), 1e-3));
    EXPECT_EQ(events(*world, sim::ev::kSurface, "Walker", "landed on the Moon at 0.").size(), 1u);
}

TEST_F(SurfaceTest, VesselDockedToALandedOneStandsWhereItIsPut) {
    onTheMoon();
    const auto withPort = [](ScriptVessel &v) {
        lander(v);
        v.CreateDock(sim::vec(0, 0, 2), sim::vec(0, 0, 1), sim::vec(0, 1, 0));
    };
    ScriptVessel::hooks.setClassCaps = withPort;
    sim::ScenarioFile scn;
    scn.ships = {ship("Base", {"STATUS Landed Moon", "POS 10 20", "HEADING 0"})};
    ASSERT_TRUE(world->load(scn));
    OBJHANDLE base = world->find("Base");
    OBJHANDLE visitor = dropped("Visitor", 10, 20, 50);
    ASSERT_TRUE(world->dock(base, 0, visitor, 0));
    const sim::VesselRecord &v = rec(*world, visitor);
    EXPECT_EQ(v.status, sim::kLanded);
    // Nose to nose with the base, 4 m north of it, facing south.
    EXPECT_NEAR(v.spot.heading, 180, 1e-9);
    EXPECT_NEAR(v.spot.lat - 20, 4 / kMoonRadius / kDeg, 1e-9);
    world->step(10);
    EXPECT_NEAR(sim::length(v.rpos), kMoonRadius + kStandHeight, 1e-6) << "it does not fall";
    EXPECT_TRUE(events(*world, sim::ev::kSurface, "Visitor").empty());
}

TEST_F(SurfaceTest, EachVesselHasItsOwnBodyAndOnlyKnownOnes) {
    std::string error;
    sim::ScenarioFile pluto;
    pluto.ships = {ship("A", {"STATUS Landed Pluto", "POS 0 0"})};
    pluto.ships[0].firstLine = 7;
    EXPECT_FALSE(world->load(pluto, &error));
    EXPECT_NE(error.find("line 7: vessel \"A\" is at Pluto"), std::string::npos) << error;
    EXPECT_NE(error.find("Mars, Jupiter"), std::string::npos) << error;
    EXPECT_TRUE(world->vessels().empty());

    // Several bodies in one scenario; the first named is the world's own. Each vessel falls
    // towards its own body only, and the others lie where they always lie.
    sim::ScenarioFile several;
    several.ships = {ship("A", {"STATUS Landed moon", "POS 1 2"}),
                     ship("B", {"STATUS Orbiting Mars", "RPOS 0 0 4e6", "RVEL 0 0 0"})};
    ASSERT_TRUE(world->load(several, &error)) << error;
    EXPECT_STREQ(world->body().name, "Moon") << "names are matched regardless of case";
    const sim::VesselRecord &b = rec(*world, world->find("B"));
    EXPECT_STREQ(world->bodyOf(b).name, "Mars");
    VESSELSTATUS s;
    world->fillStatus(b, s);
    char name[16];
    oapiGetObjectName(s.rbody, name, sizeof name);
    EXPECT_STREQ(name, "Mars");
    EXPECT_EQ(oapiGetObjectByName(const_cast<char *>("mars")), s.rbody);
    VECTOR3 mars, moon;
    oapiGetGlobalPos(s.rbody, &mars);
    oapiGetGlobalPos(world->bodyHandle(), &moon);
    EXPECT_TRUE(near(moon, world->options().bodyPosition, 0));
    EXPECT_GT(sim::length(mars - moon), 1e10);
    world->step(10);
    EXPECT_LT(b.rvel.z, 0) << "pulled towards Mars";
    EXPECT_NEAR(b.rvel.x, 0, 1e-12);
    const sim::ScenarioFile saved = world->save();
    EXPECT_EQ(saved.ships[1].lines[0], "STATUS Orbiting Mars");
}
