#include "OrbitElements.h"

#include <cmath>
#include <cstdlib>

namespace sim {

namespace {

constexpr double kRadPerDeg = M_PI / 180.0;
// Kepler's equation is solved to this many radians, in at most kKeplerSteps steps.
constexpr double kKeplerTolerance = 1e-14;
constexpr int kKeplerSteps = 50;

// The eccentric anomaly of mean anomaly M, by Newton's method.
double eccentricAnomaly(double M, double e) {
    double E = e < 0.8 ? M : M_PI;
    for (int k = 0; k < kKeplerSteps; ++k) {
        const double dE = (E - e * std::sin(E) - M) / (1.0 - e * std::cos(E));
        E -= dE;
        if (std::fabs(dE) < kKeplerTolerance)
            break;
    }
    return E;
}

}  // namespace

bool readElements(const char *text, OrbitElements &out) {
    double x[7];
    const char *p = text;
    for (double &v : x) {
        char *end = nullptr;
        v = std::strtod(p, &end);
        if (end == p || !std::isfinite(v))
            return false;
        p = end;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    if (*p != 0 || !(x[0] > 0.0) || !(x[1] >= 0.0 && x[1] < 1.0))
        return false;
    out = {x[0], x[1], x[2], x[3], x[4], x[5], x[6]};
    return true;
}

void stateFromElements(const CelestialBody &body, const OrbitElements &el, double mjd,
                       VECTOR3 &rpos, VECTOR3 &rvel) {
    const double mu = kGravitationalConstant * body.mass;
    const double n = std::sqrt(mu / (el.a * el.a * el.a));
    const double node = el.theta * kRadPerDeg, inc = el.i * kRadPerDeg;
    const double periapsis = el.omegab * kRadPerDeg - node;  // argument of periapsis
    const double M = std::remainder(
        (el.L - el.omegab) * kRadPerDeg + n * (mjd - el.mjd) * kSecondsPerDay, 2.0 * M_PI);
    const double E = eccentricAnomaly(M, el.e);
    const double b = std::sqrt(1.0 - el.e * el.e);
    const double rate = n / (1.0 - el.e * std::cos(E));  // dE/dt
    // In the orbit's plane, x towards periapsis.
    const double px = el.a * (std::cos(E) - el.e), py = el.a * b * std::sin(E);
    const double vx = -el.a * std::sin(E) * rate, vy = el.a * b * std::cos(E) * rate;
    // Turned by the argument of periapsis, the inclination and the node, into the ecliptic.
    const double cw = std::cos(periapsis), sw = std::sin(periapsis);
    const double cO = std::cos(node), sO = std::sin(node);
    const double ci = std::cos(inc), si = std::sin(inc);
    auto ecliptic = [&](double x, double y) {
        const double xw = cw * x - sw * y, yw = sw * x + cw * y;
        const double X = cO * xw - sO * ci * yw;
        const double Y = sO * xw + cO * ci * yw;
        const double Z = si * yw;
        return vec(X, Z, Y);  // global axes
    };
    rpos = ecliptic(px, py);
    rvel = ecliptic(vx, vy);
}

}  // namespace sim
