#include "HostReading.h"

#include <cstring>

#include "Words.h"
#include "World.h"

namespace vemosim {

namespace {

const char kAirlockPoint[] = "Vemo";
// How the host logs a line that reached its default parser: the line follows, in quotes.
const char kParserPrefix[] = "default parser got \"";

}  // namespace

bool AirlockPoint::sameBox(const AirlockPoint &o) const {
    return std::memcmp(box, o.box, sizeof box) == 0 && doorOpen == o.doorOpen;
}

ATTACHMENTHANDLE findPoint(const VESSEL &v, bool toParent, const char *id) {
    const DWORD n = v.AttachmentCount(toParent);
    for (DWORD i = 0; i < n; ++i) {
        const ATTACHMENTHANDLE a = v.GetAttachmentHandle(toParent, i);
        const char *name = v.GetAttachmentId(a);
        if (name != nullptr && std::strcmp(name, id) == 0) {
            return a;
        }
    }
    return nullptr;
}

bool readAirlock(const VESSEL &v, AirlockPoint &out) {
    const ATTACHMENTHANDLE a = findPoint(v, false, kAirlockPoint);
    if (a == nullptr) {
        return false;
    }
    VECTOR3 pos, dir, rot;
    v.GetAttachmentParams(a, pos, dir, rot);
    const double box[6] = {pos.x, pos.y, pos.z, dir.x, dir.y, dir.z};
    std::memcpy(out.box, box, sizeof box);
    out.doorOpen = rot.x == 1.0;
    out.freeSeats = rot.z;
    return true;
}

std::vector<std::string> linesHandedToHost(const sim::World &world, const std::string &vessel,
                                           std::size_t eventCount) {
    const std::size_t prefix = std::strlen(kParserPrefix);
    const std::vector<sim::Event> &events = world.events();
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < eventCount && i < events.size(); ++i) {
        const sim::Event &e = events[i];
        if (e.kind == sim::ev::kScenarioLine && e.vessel == vessel &&
            startsWith(e.text, kParserPrefix) && e.text.size() > prefix) {
            lines.push_back(e.text.substr(prefix, e.text.size() - prefix - 1));
        }
    }
    return lines;
}

}  // namespace vemosim
