// Surface bases: named places on a body, with landing pads, read from the root's base files
// as the simulator keeps them, config/<Body>/Base/*.cfg:
//
//     Name = Brighton Beach        the base's name (found regardless of letter case)
//     Location = -33.44 41.12      longitude and latitude of its origin, degrees
//     BEGIN_OBJECTLIST
//     LPAD2                        an object up to its own END; LPAD1 and LPAD2 are pads,
//       POS -50 0 80               numbered from 1 in the order they appear; POS is metres
//       ROT 30                     from the base's origin in its local horizon (x east,
//     END                          y up, z north), ROT degrees
//     RUNWAY                       any other object (a runway is no pad) is passed over
//     END
//     END_OBJECTLIST
//
// Other lines of a base file are the simulator's (buildings, textures, sizes) and are not
// read. A ';' starts a comment.
#ifndef VEMO_SIM_BASES_H
#define VEMO_SIM_BASES_H

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "Bodies.h"

namespace sim {

struct LandingPad {
    double east = 0.0, north = 0.0;  // m from the base's origin
    double rotation = 0.0;           // deg
};

struct SurfaceBase {
    std::string name;
    double lng = 0.0, lat = 0.0;  // deg
    std::vector<LandingPad> pads;
    std::string file;  // where it was read, for messages
};

// Where a vessel on a pad stands, degrees, and which pad that is.
struct PadSpot {
    double lng = 0.0, lat = 0.0;
    const SurfaceBase *base = nullptr;  // its address is the base's object handle
    int index = -1;                     // the pad's, from 0
};

// Parse one base file's text; false with "file:line: why" in error.
bool parseBaseFile(std::string_view text, const std::string &fileName, SurfaceBase &out,
                   std::string &error);

// The bases of a runtime root, read once per body on first use.
class BaseDirectory {
public:
    explicit BaseDirectory(std::string root) : root_(std::move(root)) {}

    // The spot of pad `pad` (from 1) of the named base on `body`; false with a message naming
    // the base (or the file at fault) in error.
    bool padSpot(const CelestialBody &body, std::string_view base, int pad, PadSpot &out,
                 std::string &error);
    // The base read so far whose object handle `h` is; null for anything else.
    const SurfaceBase *baseOfHandle(const void *h) const;

private:
    const std::vector<SurfaceBase> *basesOf(const CelestialBody &body, std::string &error);

    std::string root_;
    std::map<std::string, std::vector<SurfaceBase>> bodies_;  // by body name
};

}  // namespace sim

#endif
