// VESSELSTATUS records: how a vessel is created from one (oapiCreateVessel) and how its
// state is reported in one (GetStatus, and the status clbkLoadStateEx receives).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "World.h"

namespace sim {

void World::applyStatus(VesselRecord &v, const VESSELSTATUS &s, bool withLevels) {
    if (!withLevels) {
        // A status with values that are not numbers places the vessel at rest at the body.
        const VECTOR3 zero = vec(0, 0, 0);
        v.rpos = isFinite(s.rpos) ? s.rpos : zero;
        v.rvel = isFinite(s.rvel) ? s.rvel : zero;
        v.avel = isFinite(s.vrot) ? s.vrot : zero;
        v.rot = rotationFromEuler(isFinite(s.arot) ? s.arot : zero);
        v.status = s.status == 1 ? 1 : 0;
        return;
    }
    if (v.defaultTank && std::isfinite(s.fuel)) {
        double f = std::clamp(s.fuel, 0.0, 1.0);
        v.defaultTank->mass = f * v.defaultTank->maxMass;
    }
    auto setType = [&](THGROUP_TYPE t, double level) {
        ThrusterGroup *g = v.groupByType[t];
        if (g && std::isfinite(level))
            setGroupLevel(v, *g, level);
    };
    if (s.eng_main > 0)
        setType(THGROUP_MAIN, s.eng_main);
    else if (s.eng_main < 0)
        setType(THGROUP_RETRO, -s.eng_main);
    if (s.eng_hovr > 0)
        setType(THGROUP_HOVER, s.eng_hovr);
}

void World::fillStatus(const VesselRecord &v, VESSELSTATUS &s) const {
    std::memset(&s, 0, sizeof s);
    s.rpos = v.rpos;
    s.rvel = v.rvel;
    s.vrot = v.avel;
    s.arot = eulerFromRotation(v.rot);
    if (v.defaultTank && v.defaultTank->maxMass > 0)
        s.fuel = v.defaultTank->mass / v.defaultTank->maxMass;
    double main = v.groupByType[THGROUP_MAIN] ? v.groupByType[THGROUP_MAIN]->level : 0.0;
    double retro = v.groupByType[THGROUP_RETRO] ? v.groupByType[THGROUP_RETRO]->level : 0.0;
    s.eng_main = main - retro;
    s.eng_hovr = v.groupByType[THGROUP_HOVER] ? v.groupByType[THGROUP_HOVER]->level : 0.0;
    s.rbody = bodyHandle();
    for (const DockPort &d : v.docks)
        if (d.mate) {
            s.base = d.mate->handle();
            s.port = static_cast<int>(d.index);
            break;
        }
    s.status = v.status;
}

VESSELSTATUS makeStatus(const VECTOR3 &rpos, const VECTOR3 &rvel) {
    VESSELSTATUS s;
    std::memset(&s, 0, sizeof s);
    s.rpos = rpos;
    s.rvel = rvel;
    s.fuel = 1.0;
    return s;
}

}  // namespace sim
