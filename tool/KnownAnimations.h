// Animations whose meaning a user knows by name, for the story and the picture: the
// capsule's deployment rather than "animation 0".
#ifndef VEMO_TOOL_KNOWNANIMATIONS_H
#define VEMO_TOOL_KNOWNANIMATIONS_H

#include <cstdio>
#include <cstring>
#include <string>

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

// What the host logs of an animation: "animation 0 starts moving" or "animation 0 comes to rest
// at state 1".
struct AnimationNews {
    bool starts = false;  // it starts moving
    bool rests = false;   // it comes to rest at `state`
    unsigned index = 0;
    double state = 0.0;
};

inline AnimationNews readAnimationEvent(const std::string &text) {
    AnimationNews n;
    n.starts = std::sscanf(text.c_str(), "animation %u starts moving", &n.index) == 1 &&
               text.find(" starts moving") != std::string::npos;
    n.rests = !n.starts && std::sscanf(text.c_str(), "animation %u comes to rest at state %lf",
                                       &n.index, &n.state) == 2;
    return n;
}

// What a user calls the news of an animation known by name; null for any other, and for one
// that comes to rest short of either end.
inline const char *knownAnimationNews(const char *className, const AnimationNews &n) {
    const KnownAnimation *known =
        n.starts || n.rests ? knownAnimation(className, n.index) : nullptr;
    if (known == nullptr) {
        return nullptr;
    }
    return n.starts         ? known->starts
           : n.state == 1.0 ? known->atEnd
           : n.state == 0.0 ? known->atStart
                            : nullptr;
}

}  // namespace vemosim

#endif
