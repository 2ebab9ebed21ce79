// Where the simulator's scenario lines put a vessel: bases and their pads, and orbits given
// as elements.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "Bases.h"
#include "OrbitElements.h"

using sim::operator+;
using sim::operator-;
using sim::operator/;

namespace {

constexpr double kDeg = M_PI / 180;

struct BaseCase {
    const char *what;
    const char *text;
    const char *error;  // part of the message, or null when it reads
    std::size_t pads;
};

const char kQuietSea[] =
    "BASE-V2.0\nName = Quiet Sea\nLocation = 23.47 0.67  ; degrees\nBEGIN_OBJECTLIST\n"
    "LPAD2\n  POS -60 0 40\n  ROT 0\nEND\nRUNWAY\n  POS 5 0 5\nEND\n"
    "LPAD1\n  POS 80 0 -30\n  ROT 45\nEND\nEND_OBJECTLIST\n";

}  // namespace

TEST(Bases, BaseFilesReadAndRefused) {
    const BaseCase cases[] = {
        {"two pads and a runway", kQuietSea, nullptr, 2},
        {"no objects", "Name = Empty\nLocation = 1 2\n", nullptr, 0},
        {"no name", "Location = 1 2\n", ":1: a base needs a 'Name'", 0},
        {"latitude beyond a pole", "Name = X\nLocation = 1 91\n", ":2: 'Location' needs", 0},
        {"pad without numbers", "Name = X\nLocation = 1 2\nBEGIN_OBJECTLIST\nLPAD1\nPOS 1 2\n",
         ":5: a pad's 'POS' needs three numbers", 0},
        {"list never closed", "Name = X\nLocation = 1 2\nBEGIN_OBJECTLIST\nLPAD1\nEND\n",
         "no END_OBJECTLIST", 0},
    };
    for (const BaseCase &c : cases) {
        SCOPED_TRACE(c.what);
        sim::SurfaceBase base;
        std::string error;
        const bool ok = sim::parseBaseFile(c.text, "b.cfg", base, error);
        EXPECT_EQ(ok, c.error == nullptr) << error;
        if (c.error) {
            EXPECT_EQ(error.rfind("b.cfg:", 0), 0u) << error;
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
        } else {
            EXPECT_EQ(base.pads.size(), c.pads);
        }
    }
}

TEST(Bases, PadsArePlacedFromTheBaseFilesOfTheRoot) {
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("vemo_bases_" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "config" / "Moon" / "Base");
    std::ofstream(root / "config" / "Moon" / "Base" / "QuietSea.cfg") << kQuietSea;
    sim::BaseDirectory bases(root.string());
    const sim::CelestialBody &moon = *sim::findBody("Moon");
    sim::PadSpot spot;
    std::string error;
    // Pads count from 1 in file order: the LPAD2 object first.
    ASSERT_TRUE(bases.padSpot(moon, "quiet sea", 1, spot, error)) << error;
    EXPECT_NEAR((spot.lng - 23.47) * kDeg * moon.radius * std::cos(0.67 * kDeg), -60, 1e-6);
    EXPECT_NEAR((spot.lat - 0.67) * kDeg * moon.radius, 40, 1e-6);
    ASSERT_TRUE(bases.padSpot(moon, "Quiet Sea", 2, spot, error)) << error;
    EXPECT_NEAR((spot.lat - 0.67) * kDeg * moon.radius, -30, 1e-6);

    EXPECT_FALSE(bases.padSpot(moon, "Quiet Sea", 3, spot, error));
    EXPECT_NE(error.find("has no pad 3; it has 2"), std::string::npos) << error;
    EXPECT_FALSE(bases.padSpot(moon, "Loud Sea", 1, spot, error));
    EXPECT_NE(error.find("no base 'Loud Sea' on the Moon"), std::string::npos) << error;
    EXPECT_FALSE(bases.padSpot(*sim::findBody("Mars"), "Quiet Sea", 1, spot, error));
    std::filesystem::remove_all(root);
}

TEST(OrbitElements, StateVectorsFollowTheOrbit) {
    const sim::CelestialBody &earth = *sim::findBody("Earth");
    const double mu = sim::kGravitationalConstant * earth.mass;
    const double a = 7e6;
    const double period = 2 * M_PI * std::sqrt(a * a * a / mu) / 86400.0;  // days
    struct Case {
        const char *what;
        sim::OrbitElements el;
        double mjd;
        double r, v;      // expected distance and speed
        VECTOR3 towards;  // expected direction of the position, or zero for any
    };
    const Case cases[] = {
        // Mean longitude 0 on an equatorial circle: on the x axis, moving along +z (the
        // ecliptic's y is the global z).
        {"circle at the epoch",
         {a, 0, 0, 0, 0, 0, 100},
         100,
         a,
         std::sqrt(mu / a),
         sim::vec(1, 0, 0)},
        {"half a period on",
         {a, 0, 0, 0, 0, 0, 100},
         100 + period / 2,
         a,
         std::sqrt(mu / a),
         sim::vec(-1, 0, 0)},
        // A polar orbit with its node on x, a quarter round: over the north pole (+y).
        {"polar, a quarter round",
         {a, 0, 90, 0, 0, 90, 100},
         100,
         a,
         std::sqrt(mu / a),
         sim::vec(0, 1, 0)},
        {"ellipse at periapsis",
         {a, 0.2, 30, 40, 50, 50, 100},
         100,
         a * 0.8,
         std::sqrt(mu / a * 1.2 / 0.8),
         sim::vec(0, 0, 0)},
        {"ellipse at apoapsis",
         {a, 0.2, 30, 40, 50, 230, 100},
         100,
         a * 1.2,
         std::sqrt(mu / a * 0.8 / 1.2),
         sim::vec(0, 0, 0)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        VECTOR3 r, v;
        sim::stateFromElements(earth, c.el, c.mjd, r, v);
        EXPECT_NEAR(sim::length(r), c.r, 1e-3);
        EXPECT_NEAR(sim::length(v), c.v, 1e-6);
        EXPECT_NEAR(sim::dot(r, v), 0, 1e-3 * c.r * c.v) << "at an apsis the motion is across";
        if (sim::length(c.towards) > 0) {
            EXPECT_NEAR(sim::length(r / sim::length(r) - c.towards), 0, 1e-9);
        }
    }
    sim::OrbitElements el;
    EXPECT_TRUE(sim::readElements(" 7e6 0.1 10 20 30 40 51000.5 ", el));
    EXPECT_EQ(el.mjd, 51000.5);
    for (const char *bad : {"7e6 1 0 0 0 0 0", "-7e6 0 0 0 0 0 0", "7e6 0 0 0 0 0",
                            "7e6 0 0 0 0 0 0 0", "7e6 -0.1 0 0 0 0 0", "7e6 nan 0 0 0 0 0"})
        EXPECT_FALSE(sim::readElements(bad, el)) << bad;
}
