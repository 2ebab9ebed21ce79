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

}  // namespace sim
