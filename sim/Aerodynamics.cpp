#include "Aerodynamics.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

// Ratio of specific heats, and gas constant of air (J/(kg K)), for the speed of sound.
constexpr double kHeatRatio = 1.4;
constexpr double kGasConstant = 286.91;
// Dynamic viscosity of air, kg/(m s), for the Reynolds number.
constexpr double kViscosity = 1.7894e-5;
// Speed added to the airspeed for the damping of a turning vessel, m/s: a vessel turning in
// still air is damped too.
constexpr double kRotDragSpeed = 30.0;
// How fast a control surface moves, levels per second.
constexpr double kControlRate = 1.0;

// Lift directions for the airflow v: across it in the y-z plane (wings), and in the x-z plane
// (fins, and the side force of rudders).
VECTOR3 verticalLift(const VECTOR3 &v) {
    return unit(vec(0, v.z, -v.y));
}
VECTOR3 horizontalLift(const VECTOR3 &v) {
    return unit(vec(v.z, 0, -v.x));
}

void addAt(Loads &l, const VECTOR3 &force, const VECTOR3 &at) {
    l.force += force;
    l.torque += cross(force, at);
}

void addAirfoil(const VesselRecord &v, const Airfoil &a, const AirData &d, Loads &l) {
    const bool vertical = a.align != LIFT_HORIZONTAL;
    const double angle = vertical ? std::atan2(-d.v.y, d.v.z) : std::atan2(-d.v.x, d.v.z);
    const double re = d.air.rho * d.speed * a.chord / kViscosity;
    double cl = 0.0, cm = 0.0, cd = 0.0;
    if (a.coeff)
        a.coeff(v.instance, angle, d.mach, re, a.context, &cl, &cm, &cd);
    const VECTOR3 flow = d.v / d.speed;
    const VECTOR3 &cs = v.caps.crossSections;
    // No area given: the vessel's cross-section as the airflow sees it.
    const double area = a.area > 0.0 ? a.area
                                     : std::fabs(cs.x * flow.x) + std::fabs(cs.y * flow.y) +
                                           std::fabs(cs.z * flow.z);
    const double qs = d.q * area;
    const VECTOR3 lift = vertical ? verticalLift(d.v) : horizontalLift(d.v);
    addAt(l, lift * (cl * qs) - flow * (cd * qs), a.ref);
    (vertical ? l.torque.x : l.torque.y) += cm * qs * a.chord;
}

void addControlSurface(const ControlSurface &s, const AirData &d, Loads &l) {
    if (s.level == 0.0)
        return;
    const VECTOR3 flow = d.v / d.speed;
    const double lift = -s.level * s.area * d.q * s.dCl;
    VECTOR3 dir;
    switch (s.axis) {
    case AIRCTRL_AXIS_XNEG: dir = -verticalLift(d.v); break;
    case AIRCTRL_AXIS_YPOS: dir = horizontalLift(d.v); break;
    case AIRCTRL_AXIS_YNEG: dir = -horizontalLift(d.v); break;
    default: dir = verticalLift(d.v); break;
    }
    addAt(l, dir * lift - flow * (std::fabs(s.level) * s.area * d.q), s.ref);
}

}  // namespace

VECTOR3 airVelocity(const VesselRecord &v, const CelestialBody &body) {
    // The air turns with the body's surface (no wind): a vessel at rest on the ground feels
    // none.
    return velocityOverSurface(body, v.rpos, v.rvel);
}

AirData airDataOf(const VesselRecord &v, const CelestialBody &body, const AirState &air) {
    AirData d;
    d.air = air;
    // Most vessels fly where there is none: nothing more to work out for them.
    if (!(air.rho > 0.0))
        return d;
    d.v = tmul(v.rot, airVelocity(v, body));
    d.speed = length(d.v);
    d.q = 0.5 * air.rho * d.speed * d.speed;
    if (air.T > 0.0)
        d.mach = d.speed / std::sqrt(kHeatRatio * kGasConstant * air.T);
    return d;
}

Loads aeroLoads(const VesselRecord &v, const AirData &d, double mass, double dt) {
    Loads l;
    if (!(d.air.rho > 0.0))
        return l;
    if (d.v.z != 0.0) {
        for (const Airfoil &a : v.airfoils)
            addAirfoil(v, a, d, l);
        for (const ControlSurface &s : v.controlSurfaces)
            addControlSurface(s, d, l);
    }
    // The turning vessel is damped about each axis, never past standing still in one step.
    const double qRot = 0.5 * d.air.rho * (d.speed + kRotDragSpeed) * (d.speed + kRotDragSpeed);
    for (int i = 0; i < 3; ++i) {
        const double damping = std::min(qRot * v.caps.crossSections.y * v.caps.rotDrag.data[i],
                                        v.caps.pmi.data[i] * mass / dt);
        l.torque.data[i] -= damping * v.avel.data[i];
    }
    return l;
}

void moveControlSurfaces(VesselRecord &v, double dt) {
    for (ControlSurface &s : v.controlSurfaces) {
        if (s.level == s.target)
            continue;
        const double step = kControlRate * dt;
        s.level = s.target > s.level ? std::min(s.target, s.level + step)
                                     : std::max(s.target, s.level - step);
        if (s.anim < v.animations.size())
            v.animations[s.anim].state = (s.level + 1.0) / 2.0;
    }
}

}  // namespace sim
