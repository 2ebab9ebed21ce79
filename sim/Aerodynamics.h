// Flight through air: the air data a vessel sees, and the forces of its airfoils and control
// surfaces and the damping of its turning, all in the vessel's frame (x right, y up, z
// forward; torque F x r at the point of action).
//
// Each step a vessel in air has its air velocity v (its velocity relative to the body's
// surface, no wind), its dynamic pressure q = 1/2 rho |v|^2 and its Mach number. A vertical
// airfoil (a wing) gets its coefficients at the angle of attack atan2(-v_y, v_z), a
// horizontal one (a fin) at the sideslip angle atan2(-v_x, v_z); drag cd q S acts against v,
// lift cl q S across it, in the y-z plane for wings and the x-z plane for fins, and cm q S c
// is a pitching (for fins a yawing) moment. With no airflow along the vessel's axis (v_z = 0)
// airfoils and control surfaces give nothing.
#ifndef VEMO_SIM_AERODYNAMICS_H
#define VEMO_SIM_AERODYNAMICS_H

#include "Atmosphere.h"
#include "Bodies.h"
#include "VesselRecord.h"

namespace sim {

// Force (N) and torque (N m) on a vessel, in its own frame.
struct Loads {
    VECTOR3 force = vec(0, 0, 0);
    VECTOR3 torque = vec(0, 0, 0);
};

// Where there is no air, only `air` is set: no vessel moves through it.
struct AirData {
    VECTOR3 v = vec(0, 0, 0);  // air velocity, vessel frame, m/s
    double speed = 0.0;        // |v|, m/s
    AirState air;
    double q = 0.0;     // dynamic pressure, Pa
    double mach = 0.0;  // 0 where there is no air
};

// The vessel's velocity through the air, global axes: its velocity relative to the body
// less the body's surface velocity where it is.
VECTOR3 airVelocity(const VesselRecord &v, const CelestialBody &body);
// The air data of a vessel in `air`.
AirData airDataOf(const VesselRecord &v, const CelestialBody &body, const AirState &air);

// The airfoils' and control surfaces' loads, and the damping of the vessel's turning (which
// never more than stops it within the step dt), for a vessel of this mass.
Loads aeroLoads(const VesselRecord &v, const AirData &d, double mass, double dt);

// Control surfaces move towards their commanded level at 1 per second; a linked animation
// follows, at (level + 1) / 2.
void moveControlSurfaces(VesselRecord &v, double dt);

}  // namespace sim

#endif
