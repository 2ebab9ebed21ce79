// The reference body's surface: vessels standing on it, touching down on it and lifting off
// it, and the landed state as the status record and scenarios tell it.
//
// A landed vessel stands upright on its touchdown points: the plane through them lies on the
// ground, and its normal (pt3 - pt1) x (pt2 - pt1) points up. A vessel that set no usable
// touchdown points stands on its origin with its +y axis up. Its heading is where its
// forward axis points, measured from north towards east; the forward axis is +z, or +y for
// a vessel whose up axis is z. Longitude, latitude and heading are the body's own: a landed
// vessel keeps them while it stands, and rides the turning surface round with its body, at the
// surface's velocity (Bodies.h). The body's meridian 0 lies along global +x at time 0 and turns
// east from there at the body's rate; a vessel that lifts off keeps the velocity it had.
//
// The ground lies at the body's mean radius plus the world's surface elevation, which may be
// negative: on the Moon and Mars the simulator's terrain often lies below the mean radius.
//
// A free vessel whose touchdown points (or origin) reach the ground comes to rest there,
// landed where it touched, upright, with the heading it had. Slower than kSafeTouchdownSpeed
// against the ground that is a landing; faster it is logged as a crash, and the vessel rests
// all the same: the host destroys nothing.
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "Text.h"
#include "World.h"

namespace sim {

namespace {

constexpr double kDegPerRad = 180.0 / M_PI;

// Touchdown speed up to which contact with the ground is a landing, m/s.
constexpr double kSafeTouchdownSpeed = 2.0;
// Where a vessel made inside the body is put instead, in body radii from the centre.
constexpr double kOutsideBody = 1.1;
// Shorter normals or axes than this are taken as having no direction.
constexpr double kDegenerate = 1e-9;
// Above the body's mean radius by more than this and the reach of its touchdown points, no
// part of a vessel can touch the ground: higher than any ground on a body the host knows, m.
constexpr double kGroundCheckHeight = 20e3;

// How a vessel stands: its right, up and forward axes (columns, in the vessel's frame), the
// height of its origin above the ground, and whether it stands on touchdown points.
struct Stance {
    MATRIX3 axes;
    double height;
    bool onPoints;
};

Stance stanceOf(const ClassCaps &caps) {
    const VECTOR3 *p = caps.touchdown;
    VECTOR3 up = cross(p[2] - p[0], p[1] - p[0]);
    const bool onPoints = length(up) > kDegenerate;
    double height = 0.0;
    if (onPoints) {
        up = unit(up);
        height = -dot(up, p[0]);
    } else {
        up = vec(0, 1, 0);
    }
    VECTOR3 forward = vec(0, 0, 1) - up * up.z;
    if (length(forward) < kDegenerate)
        forward = vec(0, 1, 0) - up * up.y;
    forward = unit(forward);
    const VECTOR3 right = cross(up, forward);
    return {mat(right.x, up.x, forward.x, right.y, up.y, forward.y, right.z, up.z, forward.z),
            height, onPoints};
}

// The heading, radians in [0, 2 pi), of a vessel turned by rot at the horizon `horizon`.
double headingOf(const MATRIX3 &rot, const MATRIX3 &horizon, const Stance &stance) {
    const VECTOR3 forward =
        tmul(horizon, mul(rot, vec(stance.axes.m13, stance.axes.m23, stance.axes.m33)));
    double h;
    if (std::hypot(forward.x, forward.z) > kDegenerate) {
        h = std::atan2(forward.x, forward.z);
    } else {
        // Forward points straight up or down: the right axis still tells the heading.
        const VECTOR3 right =
            tmul(horizon, mul(rot, vec(stance.axes.m11, stance.axes.m21, stance.axes.m31)));
        h = std::atan2(-right.z, right.x);
    }
    return h < 0.0 ? h + 2.0 * M_PI : h;
}

// A number with a fixed count of decimals, for the log.
std::string fixedText(double x, int decimals) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, x);
    return buf;
}

}  // namespace

void World::land(VesselRecord &v, const VesselRecord::Spot &spot) {
    // In global axes the spot lies as far east as the body has turned.
    const double lng = spot.lng / kDegPerRad + turnOf(v), lat = spot.lat / kDegPerRad;
    const double h = spot.heading / kDegPerRad;
    const Stance stance = stanceOf(v.caps);
    // The horizon's axes turned by the heading: the vessel's right, up and forward.
    const MATRIX3 turned = mat(std::cos(h), 0, std::sin(h), 0, 1, 0, -std::sin(h), 0, std::cos(h));
    v.status = kLanded;
    v.spot = spot;
    v.rot = mul(mul(horizonFrame(lng, lat), turned), transpose(stance.axes));
    v.rpos = surfaceNormal(lng, lat) * (groundRadius(v) + stance.height);
    v.rvel = surfaceVelocity(bodyOf(v), vec(0, 0, 0), v.rpos);
    v.avel = vec(0, 0, 0);
}

VesselRecord::Spot World::spotOf(const VesselRecord &v) const {
    double lng, lat;
    lngLatOf(v.rpos, lng, lat);
    VesselRecord::Spot s;
    s.lng = std::remainder(lng - turnOf(v), 2.0 * M_PI) * kDegPerRad;
    s.lat = lat * kDegPerRad;
    s.heading = headingOf(v.rot, horizonFrame(lng, lat), stanceOf(v.caps)) * kDegPerRad;
    return s;
}

void World::settle(VesselRecord &v) {
    if (v.status == kLanded) {
        land(v, v.spot);
        return;
    }
    v.status = kFreeFlight;
    const double r = length(v.rpos);
    if (r < bodyOf(v).radius) {
        // The simulator's place for a vessel made inside its body: on the global z axis.
        v.rpos = vec(0, 0, kOutsideBody * bodyOf(v).radius);
        log(&v, ev::kSurface,
            std::string("inside ") + bodyOf(v).inText + ": moved out to (" + vectorText(v.rpos) +
                ")");
    } else if (r < groundRadius(v)) {
        // Above the mean radius but below the ground: lifted onto it.
        v.rpos = v.rpos * (groundRadius(v) / r);
        log(&v, ev::kSurface,
            std::string("below the ground of ") + bodyOf(v).inText + ": lifted onto it at (" +
                vectorText(v.rpos) + ")");
    }
}

void World::liftOff(VesselRecord &v, bool pushed) {
    if (v.status != kLanded)
        return;
    v.status = kFreeFlight;
    if (pushed)
        log(&v, ev::kSurface, std::string("lifts off ") + bodyOf(v).inText);
}

void World::checkTouchdown(VesselRecord &v) {
    // The lowest touchdown point, or the origin of a vessel without them. A vessel high up
    // is far from the ground whatever its stance, and the stance is not worked out.
    double lowest = length(v.rpos) - groundRadius(v);
    double reach = 0.0;
    for (const VECTOR3 &p : v.caps.touchdown)
        reach = std::fmax(reach, dot(p, p));
    if (lowest > kGroundCheckHeight + std::sqrt(reach))
        return;
    if (stanceOf(v.caps).onPoints) {
        lowest = std::numeric_limits<double>::infinity();
        for (const VECTOR3 &p : v.caps.touchdown)
            lowest = std::fmin(lowest, length(v.rpos + mul(v.rot, p)) - groundRadius(v));
    }
    if (lowest > 0.0)
        return;
    const double speed = length(velocityOverSurface(bodyOf(v), v.rpos, v.rvel));
    land(v, spotOf(v));
    // Millionths of a degree: 3 cm on the Moon, 11 cm on Earth.
    const std::string where = "longitude " + fixedText(v.spot.lng, 6) + ", latitude " +
                              fixedText(v.spot.lat, 6) + ", heading " +
                              fixedText(v.spot.heading, 2);
    const std::string at = " at " + fixedText(speed, 2) + " m/s";
    if (speed < kSafeTouchdownSpeed)
        log(&v, ev::kSurface,
            std::string("landed on ") + bodyOf(v).inText + at + "; stands at " + where);
    else
        log(&v, ev::kSurface,
            std::string("crashed into ") + bodyOf(v).inText + at + ", faster than " +
                numberText(kSafeTouchdownSpeed) + " m/s; comes to rest at " + where);
}

void World::fillLandedStatus(const VesselRecord &v, VESSELSTATUS &s) const {
    const double lng = v.spot.lng / kDegPerRad, lat = v.spot.lat / kDegPerRad;
    s.status = kLanded;
    s.vdata[0] = vec(lng, lat, v.spot.heading / kDegPerRad);
    // Not an angular velocity: the simulator reports the altitude here for a landed vessel.
    s.vrot = vec(length(v.rpos) - groundRadius(v), 0, 0);
    const MATRIX3 horizon = horizonFrame(lng + turnOf(v), lat);
    s.arot = eulerFromRotation(mul(transpose(horizon), v.rot));
}

}  // namespace sim
