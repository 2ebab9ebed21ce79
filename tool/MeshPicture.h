// Pictures of the capsule's mesh: front, side and top, stowed and deployed, as an SVG page
// for the README and the user's page; and a small 24-bit BMP of the deployed capsule seen
// from above one side, for the simulator's launchpad (the class config's ImageBmp).
#ifndef VEMO_TOOL_MESHPICTURE_H
#define VEMO_TOOL_MESHPICTURE_H

#include <cstdint>
#include <string>
#include <vector>

#include "MeshFile.h"

namespace vemosim {

std::string meshPictureSvg(const MeshFileData &stored);
std::vector<std::uint8_t> meshPictureBmp(const MeshFileData &stored, int width, int height);

}  // namespace vemosim

#endif
