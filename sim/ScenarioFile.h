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

// A section the host keeps without reading it (the camera, the panels, the HTML
// description, ...): its lines from BEGIN_<NAME> to END_<NAME>, both included, as written.
struct KeptSection {
    std::string name;                // the word after BEGIN_: "CAMERA", "MFD"
    std::vector<std::string> lines;  // raw, the BEGIN_ and END_ lines included
    int firstLine = 0;               // line number of BEGIN_<NAME>, 1-based
};

struct ScenarioFile {
    std::vector<std::string> description;  // lines between BEGIN_DESC and END_DESC
    std::string focus;                      // vessel named by "Ship" (the first of that name)
    std::vector<ShipBlock> ships;           // in file order
    std::vector<KeptSection> kept;          // in file order, written back as read
    // The height of the ground above the reference body's mean radius, m, when the
    // environment section sets it ("SurfaceElevation -500").
    bool hasSurfaceElevation = false;
    double surfaceElevation = 0.0;
    // The date the scenario starts at, when the environment section gives it ("Date MJD
    // 51982.5"): "now" for orbits given as elements.
    bool hasMjd = false;
    double mjd = 0.0;
};

}  // namespace sim

#endif
