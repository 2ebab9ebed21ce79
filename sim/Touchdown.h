// Ground contact on touchdown points with springs (TOUCHDOWNVTX): each point that sinks
// below the ground is pushed back along the ground's normal by depth x stiffness less its
// sinking speed x damping (the ground never pulls), and held by friction against sliding:
// points 0 to 2 with mu across the vessel's long axis and mu_lng along it, the others with mu
// both ways. Friction never more than stops a point within the step. Speeds are the points'
// against the ground, which turns with its body.
#ifndef VEMO_SIM_TOUCHDOWN_H
#define VEMO_SIM_TOUCHDOWN_H

#include "Aerodynamics.h"

namespace sim {

// Height of the vessel's lowest touchdown point above the ground (negative below it).
double lowestPointHeight(const VesselRecord &v, double groundRadius);

// The ground's loads on the vessel's touchdown points, for a vessel of this mass over a step
// of dt, in the vessel's frame.
Loads groundLoads(const VesselRecord &v, const CelestialBody &body, double groundRadius,
                  double mass, double dt);

// Into how many parts a step of dt must be cut for the vessel's springs to be followed
// faithfully: 1 unless it is near the ground on stiff or strongly damped points.
int contactSubsteps(const VesselRecord &v, const CelestialBody &body, double groundRadius,
                    double mass, double dt);

}  // namespace sim

#endif
