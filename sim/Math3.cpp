#include "Math3.h"

namespace sim {

MATRIX3 rotationFromEuler(const VECTOR3 &arot) {
    double sa = std::sin(arot.x), ca = std::cos(arot.x);
    double sb = std::sin(arot.y), cb = std::cos(arot.y);
    double sc = std::sin(arot.z), cc = std::cos(arot.z);
    // X(a) * Y(b) * Z(c), multiplied out.
    return mat(cb * cc, cb * sc, -sb,                                    //
               sa * sb * cc - ca * sc, sa * sb * sc + ca * cc, sa * cb,  //
               ca * sb * cc + sa * sc, ca * sb * sc - sa * cc, ca * cb);
}

VECTOR3 eulerFromRotation(const MATRIX3 &R) {
    double sb = -R.m13;
    if (sb >= 1.0 - 1e-12 || sb <= -1.0 + 1e-12) {
        // b = +-90 degrees: a and c turn about the same axis; put it all in a.
        double b = sb > 0 ? M_PI / 2 : -M_PI / 2;
        return vec(std::atan2(-R.m32, R.m22), b, 0.0);
    }
    return vec(std::atan2(R.m23, R.m33), std::asin(sb), std::atan2(R.m12, R.m11));
}

MATRIX3 rotationAboutAxis(const VECTOR3 &u, double angle) {
    // The right-handed formula turned the other way round: left-handed frames count a
    // positive turn the other way.
    double c = std::cos(angle), s = -std::sin(angle), t = 1.0 - c;
    return mat(t * u.x * u.x + c, t * u.x * u.y - s * u.z, t * u.x * u.z + s * u.y,
               t * u.x * u.y + s * u.z, t * u.y * u.y + c, t * u.y * u.z - s * u.x,
               t * u.x * u.z - s * u.y, t * u.y * u.z + s * u.x, t * u.z * u.z + c);
}

}  // namespace sim
