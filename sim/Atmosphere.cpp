#include "Atmosphere.h"

#include <cmath>
#include <cstring>

namespace sim {

namespace {

// Top of the model's air, m above the mean radius.
constexpr double kTopOfAir = 200e3;
// Radius the geopotential height is taken against, m.
constexpr double kGeopotentialRadius = 6.37101e6;
// Standard gravity over the gas constant of air, K/m.
constexpr double kGravityOverR = 0.0341643;

struct Layer {
    double base;    // geopotential height of its bottom, m
    double T;       // temperature there, K
    double lapse;   // K/m; 0 for an isothermal layer
    double p, rho;  // pressure (Pa) and density (kg/m^3) there
};

constexpr Layer kLayers[] = {
    {0.0, 288.16, -0.0065, 101325.0, 1.2250},
    {11e3, 216.66, 0.0, 22632.3, 0.36392},
    {25e3, 216.66, 0.003, 2488.726, 0.0400179},
    {47e3, 282.66, 0.0, 120.4524, 0.00148459},
    {53e3, 282.66, -0.0045, 58.32623, 7.18878e-4},
    {79e3, 165.66, 0.0, 1.009601, 2.12319e-5},
    {90e3, 165.66, 0.004, 0.1044559, 2.19671e-6},
    {105e3, 225.66, 0.0, 0.007454273, 1.15082e-7},
};

}  // namespace

AirState earthAir(double altitude) {
    if (!(altitude <= kTopOfAir))  // NaN included
        return {};
    const double z = std::fmax(altitude, 0.0);
    const double h = z * kGeopotentialRadius / (kGeopotentialRadius + z);
    const Layer *layer = &kLayers[0];
    for (const Layer &l : kLayers)
        if (h >= l.base)
            layer = &l;
    const double dh = h - layer->base;
    AirState air;
    if (layer->lapse == 0.0) {
        const double e = std::exp(-kGravityOverR / layer->T * dh);
        air.T = layer->T;
        air.p = layer->p * e;
        air.rho = layer->rho * e;
    } else {
        air.T = layer->T + layer->lapse * dh;
        const double t = air.T / layer->T;
        const double f = std::pow(t, -kGravityOverR / layer->lapse);
        air.p = layer->p * f;
        air.rho = layer->rho * f / t;
    }
    return air;
}

AirState airOf(const CelestialBody &body, double altitude) {
    // Of the bodies the host knows, Earth alone has air.
    return std::strcmp(body.name, "Earth") == 0 ? earthAir(altitude) : AirState{};
}

}  // namespace sim
