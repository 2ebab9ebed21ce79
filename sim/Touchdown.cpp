#include "Touchdown.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sim {

namespace {

// Longest part of a step, in units of the springs' time scale (1/omega).
constexpr double kStepPerTimeScale = 0.2;
// Most parts a step is cut into.
constexpr int kMostSubsteps = 200;
// A vessel this far above the ground (m), beyond what it covers in the step, needs no parts.
constexpr double kContactMargin = 1.0;

// The velocity a point at `pos` of the vessel has against the ground under it, vessel frame.
VECTOR3 pointVelocity(const VesselRecord &v, const CelestialBody &body, const VECTOR3 &pos) {
    const VECTOR3 ground = surfaceVelocity(body, vec(0, 0, 0), v.rpos + mul(v.rot, pos));
    return tmul(v.rot, v.rvel - ground) + cross(pos, v.avel);
}

// Friction along `axis` (a unit vector in the ground plane) against the speed there.
VECTOR3 friction(const VECTOR3 &slide, const VECTOR3 &axis, double mu, double normal,
                 double stopping) {
    const double s = dot(slide, axis);
    return axis * (-std::copysign(std::min(mu * normal, std::fabs(s) * stopping), s));
}

}  // namespace

double lowestPointHeight(const VesselRecord &v, double groundRadius) {
    double lowest = std::numeric_limits<double>::infinity();
    for (const TOUCHDOWNVTX &p : v.touchdownPoints)
        lowest = std::min(lowest, length(v.rpos + mul(v.rot, p.pos)) - groundRadius);
    return lowest;
}

Loads groundLoads(const VesselRecord &v, const CelestialBody &body, double groundRadius,
                  double mass, double dt) {
    Loads l;
    // The mass a point may stop within the step: its share of the vessel's.
    const double stopping = mass / (static_cast<double>(v.touchdownPoints.size()) * dt);
    for (std::size_t i = 0; i < v.touchdownPoints.size(); ++i) {
        const TOUCHDOWNVTX &p = v.touchdownPoints[i];
        const VECTOR3 at = v.rpos + mul(v.rot, p.pos);
        const double r = length(at);
        const double depth = groundRadius - r;
        if (!(depth > 0.0))
            continue;
        const VECTOR3 up = tmul(v.rot, at / r);  // the ground's normal, vessel frame
        const VECTOR3 vel = pointVelocity(v, body, p.pos);
        const double sinking = dot(vel, up);
        const double normal = std::max(0.0, depth * p.stiffness - sinking * p.damping);
        VECTOR3 along = vec(0, 0, 1) - up * up.z;
        if (length(along) < 1e-9)
            along = vec(0, 1, 0) - up * up.y;
        along = unit(along);
        const VECTOR3 across = cross(up, along);
        const VECTOR3 slide = vel - up * sinking;
        const double muAlong = i < 3 ? p.mu_lng : p.mu;
        const VECTOR3 force = up * normal + friction(slide, along, muAlong, normal, stopping) +
                              friction(slide, across, p.mu, normal, stopping);
        l.force += force;
        l.torque += cross(force, p.pos);
    }
    return l;
}

int contactSubsteps(const VesselRecord &v, const CelestialBody &body, double groundRadius,
                    double mass, double dt) {
    if (v.touchdownPoints.empty() || !(mass > 0.0))
        return 1;
    const double speed = length(velocityOverSurface(body, v.rpos, v.rvel));
    if (lowestPointHeight(v, groundRadius) > speed * dt + kContactMargin)
        return 1;
    double stiffness = 0.0, damping = 0.0;
    for (const TOUCHDOWNVTX &p : v.touchdownPoints) {
        stiffness += std::fabs(p.stiffness);
        damping += std::fabs(p.damping);
    }
    const double rate = std::max(std::sqrt(stiffness / mass), damping / mass);
    const double parts = std::ceil(rate * dt / kStepPerTimeScale);
    return static_cast<int>(std::clamp(parts, 1.0, static_cast<double>(kMostSubsteps)));
}

}  // namespace sim
