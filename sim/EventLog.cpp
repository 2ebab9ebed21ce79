#include "EventLog.h"

#include "VesselRecord.h"

namespace sim {

const char *groupTypeName(THGROUP_TYPE t) {
    static const char *const kNames[] = {
        "main",           "retro",        "hover",          "pitch up",          "pitch down",
        "yaw left",       "yaw right",    "bank left",      "bank right",        "translate right",
        "translate left", "translate up", "translate down", "translate forward", "translate back"};
    int i = static_cast<int>(t);
    if (i >= 0 && i < kNamedGroupTypes)
        return kNames[i];
    return "user";
}

std::string visibilityText(WORD mode) {
    switch (mode) {
        case 0:
            return "never shown";
        case 1:
            return "shown in external views";
        case 2:
            return "shown in the cockpit view";
        case 3:
            return "shown in external and cockpit views";
        default:
            return "in visibility mode " + std::to_string(mode);
    }
}

}  // namespace sim
