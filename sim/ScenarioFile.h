// A scenario file in the host's text format, as data: what the reader produces and the
// writer consumes. The world loads from it and saves into it; it knows nothing of files.
#ifndef VEMO_SIM_SCENARIOFILE_H
#define VEMO_SIM_SCENARIOFILE_H

#include <string>
#include <vector>

namespace sim {

// One vessel's block of the ships section: "Name:Class", its lines, "END".
struct ShipBlock {
    std::string name;
    std::string className;
    std::vector<std::string> lines;  // as the module reads them: no comment, no outer blanks
    int firstLine = 0;               // line number of "Name:Class" in the file, 1-based; 0 if made
};

struct ScenarioFile {
    std::vector<std::string> description;  // lines between BEGIN_DESC and END_DESC
    std::string focus;                      // vessel named by "Ship" (the first of that name)
    std::vector<ShipBlock> ships;           // in file order
    // The height of the ground above the reference body's mean radius, m, when the
    // environment section sets it ("SurfaceElevation -500").
    bool hasSurfaceElevation = false;
    double surfaceElevation = 0.0;
};

}  // namespace sim

#endif
