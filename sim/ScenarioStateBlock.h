// What a scenario block's default lines set, shared by the files that load a block
// (ScenarioState.cpp reads the lines, ScenarioPlaces.cpp puts the vessel where they say).
#ifndef VEMO_SIM_SCENARIOSTATEBLOCK_H
#define VEMO_SIM_SCENARIOSTATEBLOCK_H

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "OrbitElements.h"
#include "World.h"

namespace sim {

// The record clbkLoadStateEx is handed before any line is parsed into it.
inline VESSELSTATUS2 freshStatus2() {
    VESSELSTATUS2 s;
    std::memset(&s, 0, sizeof s);
    s.version = 2;
    s.port = -1;
    return s;
}

// What a block's default lines set, as ParseScenarioLineEx fills the VESSELSTATUS2 that
// clbkLoadStateEx received. Only what a line named is applied afterwards; the rest of a
// freshly made vessel stays as its set-up left it.
struct World::BlockState {
    VESSELSTATUS2 status = freshStatus2();  // what the module is handed; known by address
    bool hasStatus = false, hasRpos = false, hasRvel = false, hasRot = false, hasAvel = false;
    bool hasPos = false, hasHeading = false;
    int statusValue = kFreeFlight;
    double lng = 0.0, lat = 0.0, heading = 0.0;  // where a landed vessel stands, degrees
    VECTOR3 rpos = vec(0, 0, 0), rvel = vec(0, 0, 0), avel = vec(0, 0, 0);
    MATRIX3 rot = identity();
    std::vector<std::pair<size_t, double>> tankLevels;      // tank index, fraction of its mass
    std::vector<std::pair<size_t, double>> thrusterLevels;  // thruster index, level
    const CelestialBody *body = nullptr;                    // named by STATUS
    bool hasElements = false, hasBase = false;
    OrbitElements elements;
    std::string base;               // "<base>:<pad>" of a BASE line
    std::vector<std::string> kept;  // default lines kept as read (isKeptDefaultLine)
};

}  // namespace sim

#endif
