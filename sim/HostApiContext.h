// What every entry point of the host API starts from: the current world and, for a VESSEL
// method, the vessel's record. Both record the call in the vessel's trace when it is on.
#ifndef VEMO_SIM_HOSTAPICONTEXT_H
#define VEMO_SIM_HOSTAPICONTEXT_H

#include <charconv>
#include <cstdio>
#include <string>

#include "World.h"

namespace sim {

struct ApiContext {
    World *w;
    VesselRecord *v;
    explicit operator bool() const { return w && v; }
};

// A VESSEL's host pointer is its vessel's handle: a call on a VESSEL whose vessel is
// destroyed is a use of a destroyed vessel's handle.
inline ApiContext vesselCall(void *hostVessel, const char *call) {
    World *w = World::current();
    VesselRecord *v = w && hostVessel ? w->resolve(hostVessel, call) : nullptr;
    if (v)
        w->traceCall(v, call);
    return {w, v};
}

// A global function, traced as a call of the vessel whose callback is running.
inline World *globalCall(const char *call) {
    World *w = World::current();
    if (w)
        w->traceGlobal(call);
    return w;
}

// "(x, y, z)" as the log shows a vector a module handed the host.
inline std::string pointText(const VECTOR3 &v) {
    // As "%g" writes them, without the cost of printf's exact arithmetic: a module may make
    // a point for each of thousands of vessels in one frame.
    constexpr int kPrecision = 6;
    char buf[96];
    char *p = buf;
    char *const end = buf + sizeof buf;
    *p++ = '(';
    for (const double x : {v.x, v.y, v.z}) {
        if (p != buf + 1) {
            *p++ = ',';
            *p++ = ' ';
        }
        p = std::to_chars(p, end - 2, x, std::chars_format::general, kPrecision).ptr;
    }
    *p++ = ')';
    return std::string(buf, p);
}

// A new part at the end of one of the calling vessel's own lists (they keep their elements in
// place), owned by the vessel and known to the world as a handle of `kind`.
template <class List>
typename List::value_type &addPart(const ApiContext &c, List &list, World::HandleKind kind) {
    list.emplace_back();
    typename List::value_type &part = list.back();
    part.owner = c.v;
    c.w->registerHandle(&part, kind);
    return part;
}

}  // namespace sim

#endif
