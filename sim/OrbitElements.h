// Orbits given as elements, as a scenario's ELEMENTS line gives them:
//
//     ELEMENTS a e i theta omegab L mjd
//
// semi-major axis (m), eccentricity, inclination, longitude of the ascending node, longitude
// of periapsis, mean longitude at the epoch (angles in degrees, in the ecliptic frame), and
// the epoch (MJD). Only closed orbits (a > 0, 0 <= e < 1) are read.
#ifndef VEMO_SIM_ORBITELEMENTS_H
#define VEMO_SIM_ORBITELEMENTS_H

#include "Bodies.h"

namespace sim {

struct OrbitElements {
    double a = 0.0, e = 0.0, i = 0.0, theta = 0.0, omegab = 0.0, L = 0.0, mjd = 0.0;
};

// Reads the numbers after the keyword; false unless there are exactly seven, of a closed orbit.
bool readElements(const char *text, OrbitElements &out);

// Position and velocity relative to the body at `mjd`, in the host's global axes. The
// ecliptic frame is right-handed with z to the ecliptic's north; the global frame is
// left-handed with y to the north, so ecliptic (x, y, z) is global (x, z, y).
void stateFromElements(const CelestialBody &body, const OrbitElements &el, double mjd,
                       VECTOR3 &rpos, VECTOR3 &rvel);

}  // namespace sim

#endif
