// The loads of the air and the ground on a moving vessel, its control surfaces, and the flight
// data modules ask for. The turning follows Euler's equations for the principal moments of
// inertia (per unit mass), in the left-handed frame:
//   omega_x' = (M_x / m - (pmi_y - pmi_z) omega_y omega_z) / pmi_x, and cyclically.
#include <cmath>

#include "Touchdown.h"
#include "World.h"

namespace sim {

VECTOR3 World::applyLoads(VesselRecord &v, double dt) {
    const double m = v.mass();
    if (!(m > 0.0))
        return vec(0, 0, 0);
    moveControlSurfaces(v, dt);
    Loads l;
    const AirData air = airDataOf(v);
    if (air.air.rho > 0.0)
        l = aeroLoads(v, air, m, dt);
    if (!v.touchdownPoints.empty()) {
        const Loads ground = groundLoads(v, bodyOf(v), groundRadius(v), m, dt);
        l.force += ground.force;
        l.torque += ground.torque;
    }
    const VECTOR3 &w = v.avel;
    const VECTOR3 &pmi = v.caps.pmi;
    const VECTOR3 coupling = vec((pmi.y - pmi.z) * w.y * w.z, (pmi.z - pmi.x) * w.z * w.x,
                                 (pmi.x - pmi.y) * w.x * w.y);
    VECTOR3 alpha = vec(0, 0, 0);
    for (int i = 0; i < 3; ++i)
        if (pmi.data[i] > 0.0)
            alpha.data[i] = (l.torque.data[i] / m - coupling.data[i]) / pmi.data[i];
    v.avel += alpha * dt;
    return mul(v.rot, l.force) * (dt / m);
}

void World::commandControlSurface(OBJHANDLE vessel, AIRCTRL_TYPE type, double level) {
    VesselRecord *v = resolve(vessel, "commanding a control surface");
    if (!v || !std::isfinite(level))
        return;
    level = std::fmax(-1.0, std::fmin(1.0, level));
    for (ControlSurface &s : v->controlSurfaces)
        if (s.type == type)
            s.target = level;
}

AirData World::airDataOf(const VesselRecord &v) const {
    return sim::airDataOf(v, bodyOf(v), airOf(bodyOf(v), altitude(v)));
}

bool World::groundContact(const VesselRecord &v) const {
    return v.status == kLanded ||
           (!v.touchdownPoints.empty() && lowestPointHeight(v, groundRadius(v)) <= 0.0);
}

}  // namespace sim
