// What the picture and the check read of the world beyond the plain queries of the module API:
// the attachment points by which crew-capable vessels and crew members show themselves, and
// the lines a vessel handed to the host's default parser.
//
// The crew conventions, read for display only:
//   - a crew-capable vessel publishes an airlock point "Vemo" (to child): position (min x,
//     max x, min y), direction (max y, min z, max z), rotation (door, status, free seats);
//   - a crew member outside is a vessel of class "Vemo"; one named VemoT<receiver> carries a
//     member handed over to <receiver>; a member ready to return carries a point "V-em".
#ifndef VEMO_TOOL_HOSTREADING_H
#define VEMO_TOOL_HOSTREADING_H

#include <cstddef>
#include <string>
#include <vector>

#include "Orbitersdk.h"

namespace sim {
class World;
}

namespace vemosim {

constexpr const char *kMemberClass = "Vemo";      // class of a crew member outside
constexpr const char *kTransferPrefix = "VemoT";  // a member on his way to a docked vessel
constexpr const char *kReadyPoint = "V-em";       // a member's point once ready to return

struct AirlockPoint {
    double box[6] = {0, 0, 0, 0, 0, 0};  // min x, max x, min y, max y, min z, max z; m
    bool doorOpen = true;
    double freeSeats = 0.0;

    bool sameBox(const AirlockPoint &o) const;  // the same box and door
};

// The vessel's attachment point of this kind with this id, or null.
ATTACHMENTHANDLE findPoint(const VESSEL &v, bool toParent, const char *id);
// The vessel's airlock point; false when it publishes none.
bool readAirlock(const VESSEL &v, AirlockPoint &out);

// The lines the vessel of this name handed to the host's default parser, in order, among the
// first `eventCount` events of the world's log.
std::vector<std::string> linesHandedToHost(const sim::World &world, const std::string &vessel,
                                           std::size_t eventCount);

}  // namespace vemosim

#endif
