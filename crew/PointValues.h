// The numbers an airlock slot publishes on its attachment point, and reading them back from
// another vessel's point: that vessel may publish anything, so nothing read is trusted.
#ifndef VEMO_CREW_POINTVALUES_H
#define VEMO_CREW_POINTVALUES_H

#include "Orbitersdk.h"

namespace pointvalues {

// Ends of the int range a published number is clamped to.
constexpr double INT_MAX_AS_DOUBLE = 2147483647.0;
constexpr double INT_MIN_AS_DOUBLE = -2147483648.0;

inline VECTOR3 MakeVector(double x, double y, double z) {
    VECTOR3 v;
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}

// A number from another vessel's attachment point, as an int: truncated toward zero, NaN
// gives 0 and values beyond the int range stop at its ends (converting them is undefined).
inline int TruncateToInt(double value) {
    if (!(value == value)) {
        return 0;
    }
    if (value >= INT_MAX_AS_DOUBLE) {
        return 2147483647;
    }
    if (value <= INT_MIN_AS_DOUBLE) {
        return -2147483647 - 1;
    }
    return static_cast<int>(value);
}

}  // namespace pointvalues

#endif  // VEMO_CREW_POINTVALUES_H
