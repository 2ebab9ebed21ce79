// vemomesh: draws the capsule's mesh, for the README, the user's page and the simulator's
// launchpad.
//
//   vemomesh MESH SVG BMP
//
// writes the front, side and top views, stowed and deployed, to SVG, and the deployed
// capsule seen from above one side to BMP (24-bit, 256 by 160).
#include <cstdio>
#include <fstream>
#include <string>

#include "MeshFile.h"
#include "MeshPicture.h"

namespace {

constexpr int kBmpWidth = 256, kBmpHeight = 160;  // px

bool writeWhole(const std::string &path, const std::string &bytes) {
    const std::string temp = path + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!(out << bytes) || !out.flush())
            return false;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: vemomesh MESH SVG BMP\n");
        return 2;
    }
    vemosim::MeshFileData mesh;
    std::string error;
    if (!vemosim::readMeshFile(argv[1], mesh, error)) {
        std::fprintf(stderr, "vemomesh: %s\n", error.c_str());
        return 2;
    }
    const std::vector<std::uint8_t> bmp = vemosim::meshPictureBmp(mesh, kBmpWidth, kBmpHeight);
    if (!writeWhole(argv[2], vemosim::meshPictureSvg(mesh)) ||
        !writeWhole(argv[3], std::string(bmp.begin(), bmp.end()))) {
        std::fprintf(stderr, "vemomesh: cannot write %s or %s\n", argv[2], argv[3]);
        return 1;
    }
    return 0;
}
