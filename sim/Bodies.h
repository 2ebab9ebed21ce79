// Reference bodies: the celestial bodies a world can be built around, their gravity, and
// places on their surface.
//
// A body is a sphere with its axes along the global axes: y is the polar
// axis (north up), and longitude counts from +x towards +z. A point at longitude lng and
// latitude lat lies along (cos lat cos lng, sin lat, cos lat sin lng). The local horizon
// there has its axes east, up (away from the centre) and north, in that order, so that a
// vessel standing level with its nose north has the horizon's orientation. A heading counts
// from north towards east.
#ifndef VEMO_SIM_BODIES_H
#define VEMO_SIM_BODIES_H

#include <cstddef>
#include <string>
#include <string_view>

#include "Math3.h"

namespace sim {

// Bodies keep their places: they do not move relative to each other, and a vessel feels the
// point-mass gravity of its own reference body only. Each turns about its polar axis (+y)
// once per rotation period, towards the east; a negative period turns it backwards.
struct CelestialBody {
    const char *name;
    const char *inText;     // as a sentence names it: "Earth", "the Moon"
    double radius;          // mean radius, m
    double mass;            // kg
    double rotationPeriod;  // sidereal, s; negative: backwards; 0: does not turn
    VECTOR3 offset;         // where it lies relative to Earth, m (fixed, roughly apart)
};

// Newton's gravitational constant, m^3 / (kg s^2).
constexpr double kGravitationalConstant = 6.6743e-11;

// The bodies the host knows, found by name regardless of letter case; null for any other.
const CelestialBody *findBody(std::string_view name);
// The names of the bodies the host knows, for messages: "Sun, Mercury, ...".
const char *knownBodyNames();
// The body a handle stands for, when the handle is a body's (see bodyHandle).
const CelestialBody *bodyOfHandle(const void *handle);
// The object handle of a body: the address of its entry in the host's table.
inline void *bodyHandleOf(const CelestialBody &body) {
    return const_cast<CelestialBody *>(&body);
}

// The angular velocity of the body's turning about its axis, rad/s (0 for none).
double rotationRate(const CelestialBody &body);

// The date every body's meridian 0 lies along global +x, MJD (2000-01-01 12:00). A body's
// turn is a function of the date: its rotation rate times the time since this epoch.
constexpr double kTurnEpochMjd = 51544.5;
constexpr double kSecondsPerDay = 86400.0;
// The bodies the host knows, counted, and a body's place among them (0 to kBodyCount - 1).
constexpr std::size_t kBodyCount = 8;
std::size_t bodyIndex(const CelestialBody &body);
const CelestialBody &bodyAt(std::size_t index);
// How far the body has turned at `mjd` since the epoch, radians east, reduced to within one
// turn, so that a time added to it later keeps its precision.
double turnAtDate(const CelestialBody &body, double mjd);
// The velocity, in global axes, of the body's surface (or of anything turning with it) at
// `globalPos`, for a body whose centre lies at `bodyPos`: what the air and the ground move at.
VECTOR3 surfaceVelocity(const CelestialBody &body, const VECTOR3 &bodyPos,
                        const VECTOR3 &globalPos);
// The velocity `rvel` of something at `rpos` (both relative to the body's centre) against the
// body's turning surface under it, and the air there.
inline VECTOR3 velocityOverSurface(const CelestialBody &body, const VECTOR3 &rpos,
                                   const VECTOR3 &rvel) {
    return rvel - surfaceVelocity(body, vec(0, 0, 0), rpos);
}

// The words after the keyword of a STATUS scenario line: "Orbiting <body>" or "Landed
// <body>", the body optional. False for anything else.
bool readStatusWords(std::string_view words, bool &landed, std::string &body);

// Point-mass gravity of the body at `rpos` (relative to its centre), m/s^2. Zero at the
// centre itself, where it has no direction.
VECTOR3 gravityAt(const CelestialBody &body, const VECTOR3 &rpos);

// The unit vector from the centre through the point at (lng, lat), radians.
VECTOR3 surfaceNormal(double lng, double lat);
// Longitude and latitude, radians, of the point above which `rpos` lies. At the centre
// itself both are 0.
void lngLatOf(const VECTOR3 &rpos, double &lng, double &lat);
// The local horizon at (lng, lat), radians: columns east, up, north in global axes, so it
// turns horizon coordinates into global ones.
MATRIX3 horizonFrame(double lng, double lat);

}  // namespace sim

#endif
