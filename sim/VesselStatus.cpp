// VESSELSTATUS records: how a vessel is created from one (oapiCreateVessel) and how its
// state is reported in one (GetStatus, and the status clbkLoadStateEx receives), as the
// simulator fills them.
//
// Free flight: rpos and rvel relative to the reference body in global axes, vrot the angular
// velocity (rad/s, vessel frame), arot the angles of the rotation matrix (Math3.h). A docked
// vessel reports free flight too: the simulator never reports status 3.
// Landed: vdata[0] holds longitude, latitude and heading (rad); GetStatus also reports rpos
// and rvel, and, unlike in free flight, the altitude of the vessel's origin above the
// ground (m) in vrot.x and the angles of its orientation relative to the local horizon in
// arot. `base` is the surface base the vessel stands on and `port` its pad's index: given
// for a vessel a scenario stood on a pad, while it stands there and is docked to nothing;
// null and -1 for any other.
// Creating a vessel, `fuel` sets its default tank only with bit 2 of flag[0], and eng_main
// and eng_hovr its groups only with bit 1: a zeroed flag applies neither.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "World.h"

namespace sim {

namespace {

constexpr double kDegPerRad = 180.0 / M_PI;
// Bits of VESSELSTATUS::flag[0] that make a new vessel take its engine levels and its fuel.
constexpr DWORD kStatusEnginesFlag = 1;
constexpr DWORD kStatusFuelFlag = 2;

}  // namespace

void World::applyStatus(VesselRecord &v, const VESSELSTATUS &s, bool withLevels) {
    if (!withLevels) {
        // Values that are not numbers count as 0.
        const VECTOR3 zero = vec(0, 0, 0);
        v.rpos = isFinite(s.rpos) ? s.rpos : zero;
        v.rvel = isFinite(s.rvel) ? s.rvel : zero;
        v.avel = isFinite(s.vrot) ? s.vrot : zero;
        v.rot = rotationFromEuler(isFinite(s.arot) ? s.arot : zero);
        v.status = s.status == kLanded ? kLanded : kFreeFlight;
        // A body the host knows, or the world's own for any other handle (null included).
        v.body = bodyOfHandle(s.rbody);
        const VECTOR3 where = isFinite(s.vdata[0]) ? s.vdata[0] * kDegPerRad : zero;
        v.spot.lng = where.x;
        v.spot.lat = std::clamp(where.y, -90.0, 90.0);
        v.spot.heading = where.z;
        return;
    }
    const bool withFuel = (s.flag[0] & kStatusFuelFlag) != 0;
    const bool withEngines = (s.flag[0] & kStatusEnginesFlag) != 0;
    if (withFuel && v.defaultTank && std::isfinite(s.fuel)) {
        double f = std::clamp(s.fuel, 0.0, 1.0);
        v.defaultTank->mass = f * v.defaultTank->maxMass;
    }
    auto setType = [&](THGROUP_TYPE t, double level) {
        ThrusterGroup *g = v.groupByType[t];
        if (g && std::isfinite(level))
            setGroupLevel(v, *g, level);
    };
    if (withEngines) {
        if (s.eng_main >= 0) {
            setType(THGROUP_MAIN, s.eng_main);
            setType(THGROUP_RETRO, 0.0);
        } else if (s.eng_main < 0) {
            setType(THGROUP_RETRO, -s.eng_main);
        }
        setType(THGROUP_HOVER, s.eng_hovr);
    }
    // Where it finally is depends on its touchdown points, known only now.
    settle(v);
}

void World::fillStatus(const VesselRecord &v, VESSELSTATUS &s) const {
    std::memset(&s, 0, sizeof s);
    s.rbody = bodyHandleOf(bodyOf(v));
    s.rpos = v.rpos;
    s.rvel = v.rvel;
    s.port = -1;
    bool docked = false;
    for (const DockPort &d : v.docks)
        docked = docked || d.mate != nullptr;
    // Flown off and landed again, it stands elsewhere, however near.
    if (v.status == kLanded && v.pad.base && !docked && v.spot.lng == v.pad.lng &&
        v.spot.lat == v.pad.lat) {
        s.base = const_cast<SurfaceBase *>(v.pad.base);
        s.port = v.pad.index;
    }
    if (v.status == kLanded) {
        fillLandedStatus(v, s);
    } else {
        s.status = kFreeFlight;
        s.vrot = v.avel;
        s.arot = eulerFromRotation(v.rot);
    }
    // The first tank made, whichever is the default one.
    if (!v.tanks.empty() && v.tanks.front().maxMass > 0)
        s.fuel = v.tanks.front().mass / v.tanks.front().maxMass;
    auto level = [&v](THGROUP_TYPE t) {
        return v.groupByType[t] ? v.groupByType[t]->currentLevel() : 0.0;
    };
    const double main = level(THGROUP_MAIN);
    s.eng_main = main != 0.0 ? main : -level(THGROUP_RETRO);
    s.eng_hovr = level(THGROUP_HOVER);
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
