#include "VesselRecord.h"

namespace sim {

double VesselRecord::mass() const {
    double m = emptyMass;
    for (const Tank &t : tanks)
        m += t.mass;
    return m;
}

bool VesselRecord::thrusting() const {
    for (const Thruster &th : thrusters)
        if (th.level > 0.0)
            return true;
    return false;
}

double ThrusterGroup::currentLevel() const {
    if (thrusters.empty())
        return 0.0;
    double sum = 0.0;
    for (const Thruster *th : thrusters)
        sum += th->level;
    return sum / static_cast<double>(thrusters.size());
}

bool Thruster::fed() const {
    return tank && tank->mass > 0.0;
}

}  // namespace sim
