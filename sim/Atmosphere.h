// The air of a reference body: density, pressure and temperature by altitude.
//
// Earth's air follows a compact standard atmosphere of eight layers up to 200 km, with
// nothing above; every other body the host knows has no air.
#ifndef VEMO_SIM_ATMOSPHERE_H
#define VEMO_SIM_ATMOSPHERE_H

#include "Bodies.h"

namespace sim {

struct AirState {
    double rho = 0.0;  // density, kg/m^3
    double p = 0.0;    // pressure, Pa
    double T = 0.0;    // temperature, K
};

// Earth's air at `altitude` metres above the mean radius: zero above 200 km; below the mean
// radius, the air at it.
AirState earthAir(double altitude);
// The air of `body` at `altitude` metres above its mean radius; zero for a body without air.
AirState airOf(const CelestialBody &body, double altitude);

}  // namespace sim

#endif
