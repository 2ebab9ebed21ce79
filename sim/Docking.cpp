// Docking ports and the focus vessel: what joins two vessels, and which one has the keyboard.
// Both tell the vessels concerned through their callbacks.
#include "World.h"

namespace sim {

bool World::dock(OBJHANDLE ha, UINT pa, OBJHANDLE hb, UINT pb, bool align) {
    VesselRecord *a = resolve(ha, "dock");
    VesselRecord *b = resolve(hb, "dock");
    if (!a || !b || a == b || pa >= a->docks.size() || pb >= b->docks.size())
        return false;
    DockPort &da = a->docks[pa];
    DockPort &db = b->docks[pb];
    if (da.mate || db.mate)
        return false;
    if (align) {
        // b's frame: its port direction against a's, rotation references parallel.
        VECTOR3 dA = mul(a->rot, unit(da.dir));
        VECTOR3 rA = mul(a->rot, unit(da.rot));
        VECTOR3 gx = -dA, gy = rA, gz = cross(-dA, rA);
        VECTOR3 lx = unit(db.dir), ly = unit(db.rot), lz = cross(lx, ly);
        MATRIX3 G = mat(gx.x, gy.x, gz.x, gx.y, gy.y, gz.y, gx.z, gy.z, gz.z);
        MATRIX3 L = mat(lx.x, ly.x, lz.x, lx.y, ly.y, lz.y, lx.z, ly.z, lz.z);
        if (length(gz) > 0.5 && length(lz) > 0.5) {
            b->rot = mul(G, transpose(L));
            b->body = a->body;
            b->rpos = a->rpos + mul(a->rot, da.pos) - mul(b->rot, db.pos);
            b->rvel = a->rvel;
            b->avel = vec(0, 0, 0);
            // It rests on the ground or flies as a does; a landed one stands where it was put.
            b->status = a->status;
            if (b->status == kLanded)
                b->spot = spotOf(*b);
        }
    }
    da.mate = b;
    da.matePort = pb;
    db.mate = a;
    db.matePort = pa;
    log(a, ev::kDock,
        a->name + " port " + std::to_string(pa) + " docked with " + b->name + " port " +
            std::to_string(pb));
    Dispatch d(*this, a);
    if (a->alive && a->callbacks)
        a->callbacks->clbkDockEvent(static_cast<int>(pa), b->handle());
    d.enter(b);
    if (b->alive && b->callbacks)
        b->callbacks->clbkDockEvent(static_cast<int>(pb), a->handle());
    return true;
}

bool World::undock(OBJHANDLE h, UINT port) {
    VesselRecord *a = resolve(h, "undock");
    if (!a || port >= a->docks.size() || !a->docks[port].mate)
        return false;
    DockPort &da = a->docks[port];
    VesselRecord *b = da.mate;
    UINT pb = da.matePort;
    da.mate = nullptr;
    if (pb < b->docks.size() && b->docks[pb].mate == a)
        b->docks[pb].mate = nullptr;
    log(a, ev::kUndock, a->name + " port " + std::to_string(port) + " undocked from " + b->name);
    Dispatch d(*this, a);
    if (a->alive && a->callbacks)
        a->callbacks->clbkDockEvent(static_cast<int>(port), nullptr);
    d.enter(b);
    if (b->alive && b->callbacks)
        b->callbacks->clbkDockEvent(static_cast<int>(pb), nullptr);
    return true;
}

OBJHANDLE World::setFocus(OBJHANDLE h) {
    VesselRecord *v = resolve(h, "oapiSetFocusObject");
    if (!v)
        return nullptr;
    VesselRecord *old = focus_;
    if (old == v)
        return old->handle();
    focus_ = v;
    log(v, ev::kFocus, "focus on " + v->name);
    Dispatch d(*this, old);
    if (old && old->alive && old->callbacks)
        old->callbacks->clbkFocusChanged(false, v->handle(), old->handle());
    d.enter(v);
    if (v->alive && v->callbacks)
        v->callbacks->clbkFocusChanged(true, v->handle(), old ? old->handle() : nullptr);
    return old ? old->handle() : nullptr;
}

}  // namespace sim
