// The capsule's mesh as the simulator reads it (the text format "MSHX1"), and the deployment
// animation's two transforms applied to it, for the mesh's picture and its tests.
#ifndef VEMO_TOOL_MESHFILE_H
#define VEMO_TOOL_MESHFILE_H

#include <array>
#include <string>
#include <vector>

namespace vemosim {

using MeshVec = std::array<double, 3>;

struct MeshGroup {
    std::string label;
    int material = 0;  // 1-based, 0 for none
    std::vector<MeshVec> positions, normals;
    std::vector<std::array<int, 3>> triangles;
};

struct MeshFileData {
    std::vector<MeshGroup> groups;
    std::vector<std::string> materialNames;
    std::vector<MeshVec> diffuse;  // r g b of each material, 0..1
};

// Reads a mesh; on bad text returns false with `error` as "FILE:LINE: what is wrong".
bool readMeshFile(const std::string &path, MeshFileData &mesh, std::string &error);
bool parseMeshText(const std::string &text, const std::string &name, MeshFileData &mesh,
                   std::string &error);

// The capsule's deployment at `state` (1 deployed, as stored; 0 stowed): groups 0 and 1
// turned about x at (0, 0, -0.45) by `turnSign` x 68 deg x (1 - state), groups 2 and 3
// shrunk about the origin to 1/1000 in x and y and 1/10 in z at state 0. Which way the
// simulator turns a positive angle is its own affair; `turnSign` (+1 or -1) lets a check
// try both.
MeshFileData deployedAt(const MeshFileData &stored, double state, int turnSign = 1);

}  // namespace vemosim

#endif
