// Small vector and matrix helpers over the host's VECTOR3 and MATRIX3 records.
//
// Rotation matrices map a vessel's local frame into the global frame: global = R * local.
// The operators live in namespace sim (VECTOR3 is the host's global type, and module code may
// bring its own); bring them in with `using namespace sim;` or `using sim::operator+;`.
#ifndef VEMO_SIM_MATH3_H
#define VEMO_SIM_MATH3_H

#include <cmath>

#include "Orbitersdk.h"

namespace sim {

inline VECTOR3 vec(double x, double y, double z) {
    VECTOR3 v;
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}

inline VECTOR3 operator+(const VECTOR3 &a, const VECTOR3 &b) {
    return vec(a.x + b.x, a.y + b.y, a.z + b.z);
}
inline VECTOR3 operator-(const VECTOR3 &a, const VECTOR3 &b) {
    return vec(a.x - b.x, a.y - b.y, a.z - b.z);
}
inline VECTOR3 operator-(const VECTOR3 &a) {
    return vec(-a.x, -a.y, -a.z);
}
inline VECTOR3 operator*(const VECTOR3 &a, double s) {
    return vec(a.x * s, a.y * s, a.z * s);
}
inline VECTOR3 operator*(double s, const VECTOR3 &a) {
    return a * s;
}
inline VECTOR3 operator/(const VECTOR3 &a, double s) {
    return vec(a.x / s, a.y / s, a.z / s);
}
inline VECTOR3 &operator+=(VECTOR3 &a, const VECTOR3 &b) {
    a = a + b;
    return a;
}
inline bool operator==(const VECTOR3 &a, const VECTOR3 &b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
inline bool operator!=(const VECTOR3 &a, const VECTOR3 &b) {
    return !(a == b);
}

inline bool isFinite(const VECTOR3 &a) {
    return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

// The largest position (m from the reference body) and velocity (m/s) the host takes from
// outside, per component: far beyond any flight (the outer planets lie within 1e13 m, and
// nothing flies at the speed of light), and far enough below the largest double that no
// run moves a vessel out of the numbers a scenario can hold.
constexpr double kMaxDistance = 1e15;
constexpr double kMaxSpeed = 299792458.0;
// The largest angular velocity (rad/s about each axis) the host takes from outside: some
// 16,000 turns a second, beyond any vessel, and small enough that a step turns the vessel
// by a finite angle (a rate near the largest double makes its length, and so the
// orientation, infinite or NaN).
constexpr double kMaxAngularRate = 1e5;

// Finite, and no component beyond limit either way.
inline bool isWithin(const VECTOR3 &a, double limit) {
    return isFinite(a) && std::fabs(a.x) <= limit && std::fabs(a.y) <= limit &&
           std::fabs(a.z) <= limit;
}

inline double dot(const VECTOR3 &a, const VECTOR3 &b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline VECTOR3 cross(const VECTOR3 &a, const VECTOR3 &b) {
    return vec(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}
inline double length(const VECTOR3 &a) {
    return std::sqrt(dot(a, a));
}
inline VECTOR3 unit(const VECTOR3 &a) {
    double l = length(a);
    return l > 0.0 ? a / l : vec(0, 0, 0);
}

inline MATRIX3 mat(double m11, double m12, double m13, double m21, double m22, double m23,
                   double m31, double m32, double m33) {
    MATRIX3 m;
    m.m11 = m11, m.m12 = m12, m.m13 = m13;
    m.m21 = m21, m.m22 = m22, m.m23 = m23;
    m.m31 = m31, m.m32 = m32, m.m33 = m33;
    return m;
}
inline MATRIX3 identity() {
    return mat(1, 0, 0, 0, 1, 0, 0, 0, 1);
}

// R * v
inline VECTOR3 mul(const MATRIX3 &m, const VECTOR3 &v) {
    return vec(m.m11 * v.x + m.m12 * v.y + m.m13 * v.z, m.m21 * v.x + m.m22 * v.y + m.m23 * v.z,
               m.m31 * v.x + m.m32 * v.y + m.m33 * v.z);
}
// R^T * v
inline VECTOR3 tmul(const MATRIX3 &m, const VECTOR3 &v) {
    return vec(m.m11 * v.x + m.m21 * v.y + m.m31 * v.z, m.m12 * v.x + m.m22 * v.y + m.m32 * v.z,
               m.m13 * v.x + m.m23 * v.y + m.m33 * v.z);
}
inline MATRIX3 mul(const MATRIX3 &a, const MATRIX3 &b) {
    MATRIX3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0.0;
            for (int k = 0; k < 3; ++k)
                s += a.data[i * 3 + k] * b.data[k * 3 + j];
            r.data[i * 3 + j] = s;
        }
    return r;
}
inline MATRIX3 transpose(const MATRIX3 &m) {
    return mat(m.m11, m.m21, m.m31, m.m12, m.m22, m.m32, m.m13, m.m23, m.m33);
}

// Frames are left-handed, as in the simulator: x right, y up, z forward.
//
// Orientation as Euler angles (a, b, c), in radians, read from R as
//   a = atan2(m23, m33),  b = -asin(m13),  c = atan2(m12, m11).
// This is the convention of VESSELSTATUS::arot and of the AROT scenario line, so a scenario
// written by the simulator gives the same matrix here. Written out, R = X(a) * Y(b) * Z(c) with
//   X(a) = (1, 0, 0), (0, cos a, sin a), (0, -sin a, cos a)
//   Y(b) = (cos b, 0, -sin b), (0, 1, 0), (sin b, 0, cos b)
//   Z(c) = (cos c, sin c, 0), (-sin c, cos c, 0), (0, 0, 1)   (rows).
MATRIX3 rotationFromEuler(const VECTOR3 &arot);
// The inverse of rotationFromEuler for any rotation matrix; b lies in [-pi/2, pi/2], a and c
// in (-pi, pi]. At b = +-pi/2 (gimbal lock) c is reported as 0.
VECTOR3 eulerFromRotation(const MATRIX3 &R);
// Rotation by `angle` radians about the unit vector `axis`, positive as the left-handed
// frames turn: a positive angle about x takes +z towards +y, about y takes +x towards +z,
// about z takes +y towards +x. An angular velocity w turns a vessel by R * rotationAboutAxis
// (w / |w|, |w| dt) over a step, and a thruster at r with force F gives the torque F x r.
MATRIX3 rotationAboutAxis(const VECTOR3 &axis, double angle);

}  // namespace sim

#endif
