#include "Bodies.h"

#include <algorithm>
#include <cmath>

#include "Text.h"

namespace sim {

namespace {

// The simulator's values. The offsets only keep the bodies apart, each far outside the
// others' reach, in the order of their distance from the Sun.
const CelestialBody kBodies[] = {
    {"Sun", "the Sun", 6.96e8, 1.9889194444e30, 0.0, vec(-1.496e11, 0, 0)},
    {"Mercury", "Mercury", 2.4394e6, 3.301880e23, 5067034.512, vec(-9.1e10, 0, 0)},
    {"Venus", "Venus", 6.05184e6, 4.86855374e24, -20996797.02, vec(-4.2e10, 0, 0)},
    {"Earth", "Earth", 6.37101e6, 5.973698968e24, 86164.10132, vec(0, 0, 0)},
    {"Moon", "the Moon", 1.738e6, 7.347673176382784e22, 2360588.15, vec(0, 0, 3.844e8)},
    {"Mars", "Mars", 3.39e6, 6.418542e23, 88642.66435, vec(7.8e10, 0, 0)},
    {"Jupiter", "Jupiter", 6.9911e7, 1.8986111e27, 13500.3, vec(6.3e11, 0, 0)},
    {"Saturn", "Saturn", 5.8232e7, 5.6846272e26, 38362.40004, vec(1.28e12, 0, 0)},
};
static_assert(sizeof kBodies / sizeof kBodies[0] == kBodyCount, "kBodyCount counts kBodies");

}  // namespace

const CelestialBody *findBody(std::string_view name) {
    for (const CelestialBody &b : kBodies)
        if (equalNoCase(name, b.name))
            return &b;
    return nullptr;
}

const char *knownBodyNames() {
    return "Sun, Mercury, Venus, Earth, Moon, Mars, Jupiter, Saturn";
}

const CelestialBody *bodyOfHandle(const void *handle) {
    for (const CelestialBody &b : kBodies)
        if (handle == &b)
            return &b;
    return nullptr;
}

double rotationRate(const CelestialBody &body) {
    return body.rotationPeriod == 0.0 ? 0.0 : 2.0 * M_PI / body.rotationPeriod;
}

std::size_t bodyIndex(const CelestialBody &body) {
    return static_cast<std::size_t>(&body - kBodies);
}

const CelestialBody &bodyAt(std::size_t index) {
    return kBodies[index];
}

double turnAtDate(const CelestialBody &body, double mjd) {
    if (body.rotationPeriod == 0.0)
        return 0.0;
    // Days first: the difference of two nearby dates is exact, and fmod is too.
    const double seconds = (mjd - kTurnEpochMjd) * kSecondsPerDay;
    return std::fmod(seconds, body.rotationPeriod) * rotationRate(body);
}

VECTOR3 surfaceVelocity(const CelestialBody &body, const VECTOR3 &bodyPos,
                        const VECTOR3 &globalPos) {
    // Turning east: at longitude 0 (+x) the surface moves east, along +z.
    const VECTOR3 r = globalPos - bodyPos;
    return vec(-r.z, 0.0, r.x) * rotationRate(body);
}

bool readStatusWords(std::string_view words, bool &landed, std::string &body) {
    auto next = [&words]() {
        words = stripLeadingBlanks(words);
        const std::size_t end = std::min(words.find_first_of(kBlanks), words.size());
        const std::string_view word = words.substr(0, end);
        words.remove_prefix(end);
        return word;
    };
    const std::string_view state = next();
    if (state != "Orbiting" && state != "Landed")
        return false;
    landed = state == "Landed";
    body = std::string(next());
    return next().empty();
}

VECTOR3 gravityAt(const CelestialBody &body, const VECTOR3 &rpos) {
    const double r = length(rpos);
    if (!(r > 0.0))
        return vec(0, 0, 0);
    return rpos * (-kGravitationalConstant * body.mass / (r * r * r));
}

VECTOR3 surfaceNormal(double lng, double lat) {
    return vec(std::cos(lat) * std::cos(lng), std::sin(lat), std::cos(lat) * std::sin(lng));
}

void lngLatOf(const VECTOR3 &rpos, double &lng, double &lat) {
    const double r = length(rpos);
    if (!(r > 0.0)) {
        lng = lat = 0.0;
        return;
    }
    lat = std::asin(std::fmax(-1.0, std::fmin(1.0, rpos.y / r)));
    lng = std::atan2(rpos.z, rpos.x);
}

MATRIX3 horizonFrame(double lng, double lat) {
    const VECTOR3 up = surfaceNormal(lng, lat);
    const VECTOR3 east = vec(-std::sin(lng), 0.0, std::cos(lng));
    const VECTOR3 north =
        vec(-std::sin(lat) * std::cos(lng), std::cos(lat), -std::sin(lat) * std::sin(lng));
    return mat(east.x, up.x, north.x, east.y, up.y, north.y, east.z, up.z, north.z);
}

}  // namespace sim
