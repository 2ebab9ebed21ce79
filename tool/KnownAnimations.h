// Animations whose meaning a user knows by name, for the story and the picture: the
// capsule's deployment rather than "animation 0".
#ifndef VEMO_TOOL_KNOWNANIMATIONS_H
#define VEMO_TOOL_KNOWNANIMATIONS_H

#include <cstring>

namespace vemosim {

struct KnownAnimation {
    const char *className;
    unsigned index;
    const char *starts;   // it starts moving
    const char *atEnd;    // it comes to rest at state 1
    const char *atStart;  // it comes to rest at state 0
};

inline const KnownAnimation *knownAnimation(const char *className, unsigned index) {
    static const KnownAnimation known[] = {
        {"vemopod", 0, "deployment starts", "deployed", "stowed"},
    };
    for (const KnownAnimation &k : known) {
        if (index == k.index && std::strcmp(className, k.className) == 0) {
            return &k;
        }
    }
    return nullptr;
}

}  // namespace vemosim

#endif
