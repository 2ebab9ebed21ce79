#include "Bodies.h"

#include <algorithm>

#include "Text.h"

namespace sim {

namespace {

const CelestialBody kBodies[] = {
    {"Earth", "Earth", 6.371e6, 5.9722e24},
    {"Moon", "the Moon", 1.7374e6, 7.346e22},
};

}  // namespace

const CelestialBody *findBody(std::string_view name) {
    for (const CelestialBody &b : kBodies)
        if (equalNoCase(name, b.name))
            return &b;
    return nullptr;
}

const char *knownBodyNames() {
    return "Earth, Moon";
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
