// VESSEL, the host API of one vessel: its thruster levels, its scenario lines and status, its
// frame, its docking ports and its attachment points.
#include <cmath>
#include <cstring>
#include <string>

#include "HostApiContext.h"

// The host's own signatures return const-qualified handles by value.
#pragma GCC diagnostic ignored "-Wignored-qualifiers"

using namespace sim;

namespace {

// The simulator keeps an attachment id in a field of this many bytes, terminator included
// when it fits: a longer id is cut there and left without one.
constexpr size_t kAttachmentIdField = 8;

}  // namespace

double VESSEL::GetThrusterGroupLevel(THGROUP_HANDLE thg) const {
    ApiContext c = vesselCall(vessel, "GetThrusterGroupLevel");
    if (!c)
        return 0.0;
    const auto *g = c.w->handleOf<ThrusterGroup>(thg, World::kGroup, c.v);
    return g ? g->currentLevel() : 0.0;
}

void VESSEL::SetThrusterGroupLevel(THGROUP_HANDLE thg, double level) const {
    ApiContext c = vesselCall(vessel, "SetThrusterGroupLevel");
    if (!c)
        return;
    if (auto *g = c.w->handleOf<ThrusterGroup>(thg, World::kGroup, c.v))
        c.w->setGroupLevel(*c.v, *g, level);
}

void VESSEL::ParseScenarioLineEx(char *line, void *status) const {
    if (ApiContext c = vesselCall(vessel, "ParseScenarioLineEx"))
        c.w->parseDefaultLine(*c.v, line, status);
}

void VESSEL::SaveDefaultState(FILEHANDLE scn) const {
    if (ApiContext c = vesselCall(vessel, "SaveDefaultState"))
        c.w->saveDefaultState(*c.v, scn);
}

void VESSEL::GetStatus(VESSELSTATUS &status) const {
    if (ApiContext c = vesselCall(vessel, "GetStatus"))
        c.w->fillStatus(*c.v, status);
}

void VESSEL::GetRotationMatrix(MATRIX3 &R) const {
    if (ApiContext c = vesselCall(vessel, "GetRotationMatrix"))
        R = c.v->rot;
}

void VESSEL::SetRotationMatrix(const MATRIX3 &R) const {
    ApiContext c = vesselCall(vessel, "SetRotationMatrix");
    if (!c)
        return;
    for (double x : R.data)
        if (!std::isfinite(x))
            return;
    c.w->turn(*c.v, R);
}

void VESSEL::GetAngularVel(VECTOR3 &avel) const {
    if (ApiContext c = vesselCall(vessel, "GetAngularVel"))
        avel = c.v->avel;
}

void VESSEL::Local2Rel(const VECTOR3 &local, VECTOR3 &rel) const {
    if (ApiContext c = vesselCall(vessel, "Local2Rel"))
        rel = mul(c.v->rot, local) + c.v->rpos;
}

void VESSEL::GlobalRot(const VECTOR3 &rloc, VECTOR3 &rglob) const {
    if (ApiContext c = vesselCall(vessel, "GlobalRot"))
        rglob = mul(c.v->rot, rloc);
}

void VESSEL::Global2Local(const VECTOR3 &global, VECTOR3 &local) const {
    if (ApiContext c = vesselCall(vessel, "Global2Local"))
        local = tmul(c.v->rot, global - c.w->globalPos(*c.v));
}

UINT VESSEL::DockCount() const {
    ApiContext c = vesselCall(vessel, "DockCount");
    return c ? static_cast<UINT>(c.v->docks.size()) : 0;
}

DOCKHANDLE VESSEL::GetDockHandle(UINT n) const {
    ApiContext c = vesselCall(vessel, "GetDockHandle");
    if (!c || n >= c.v->docks.size())
        return nullptr;
    return &c.v->docks[n];
}

OBJHANDLE VESSEL::GetDockStatus(DOCKHANDLE hDock) const {
    ApiContext c = vesselCall(vessel, "GetDockStatus");
    if (!c)
        return nullptr;
    auto *d = c.w->handleOf<DockPort>(hDock, World::kDock, c.v);
    return d && d->mate && d->mate->alive ? d->mate->handle() : nullptr;
}

DOCKHANDLE VESSEL::CreateDock(const VECTOR3 &pos, const VECTOR3 &dir, const VECTOR3 &rot) const {
    ApiContext c = vesselCall(vessel, "CreateDock");
    if (!c)
        return nullptr;
    DockPort &d = addPart(c, c.v->docks, World::kDock);
    d.index = static_cast<UINT>(c.v->docks.size() - 1);
    d.pos = pos;
    d.dir = dir;
    d.rot = rot;
    return &d;
}

void VESSEL::SetDockParams(const VECTOR3 &pos, const VECTOR3 &dir, const VECTOR3 &rot) const {
    ApiContext c = vesselCall(vessel, "SetDockParams");
    if (!c)
        return;
    if (c.v->docks.empty()) {
        CreateDock(pos, dir, rot);
        return;
    }
    DockPort &d = c.v->docks.front();
    d.pos = pos;
    d.dir = dir;
    d.rot = rot;
}

ATTACHMENTHANDLE VESSEL::CreateAttachment(bool toparent, const VECTOR3 &pos, const VECTOR3 &dir,
                                          const VECTOR3 &rot, const char *id, bool loose) const {
    ApiContext c = vesselCall(vessel, "CreateAttachment");
    if (!c)
        return nullptr;
    Attachment &a = addPart(c, c.v->attachments, World::kAttachment);
    a.toParent = toparent;
    a.pos = pos;
    a.dir = dir;
    a.rot = rot;
    if (id) {
        const size_t length = strnlen(id, kAttachmentIdField);
        a.id.assign(id, length);
        if (length == kAttachmentIdField)
            c.w->log(c.v, ev::kError,
                     "attachment id \"" + std::string(id, strnlen(id, 64)) +
                         "\" has 8 or more characters: the simulator keeps 8 bytes of it, " +
                         "without a terminator");
    }
    a.loose = loose;
    (toparent ? c.v->toParent : c.v->toChild).push_back(&a);
    c.w->log(c.v, ev::kAttachment,
             "attachment point \"" + a.id + "\" (" + (toparent ? "to parent" : "to child") +
                 ") created: position " + pointText(pos) + ", direction " + pointText(dir) +
                 ", rotation " + pointText(rot));
    return &a;
}

void VESSEL::SetAttachmentParams(ATTACHMENTHANDLE attachment, const VECTOR3 &pos,
                                 const VECTOR3 &dir, const VECTOR3 &rot) const {
    ApiContext c = vesselCall(vessel, "SetAttachmentParams");
    if (!c)
        return;
    auto *a = c.w->handleOf<Attachment>(attachment, World::kAttachment, c.v);
    if (!a)
        return;

    bool changed = a->pos != pos || a->dir != dir || a->rot != rot;
    a->pos = pos;
    a->dir = dir;
    a->rot = rot;
    if (changed)
        c.w->log(c.v, ev::kAttachment,
                 "attachment point \"" + a->id + "\" changed: position " + pointText(pos) +
                     ", direction " + pointText(dir) + ", rotation " + pointText(rot));
}

void VESSEL::GetAttachmentParams(ATTACHMENTHANDLE attachment, VECTOR3 &pos, VECTOR3 &dir,
                                 VECTOR3 &rot) const {
    ApiContext c = vesselCall(vessel, "GetAttachmentParams");
    if (!c)
        return;
    if (auto *a = c.w->handleOf<Attachment>(attachment, World::kAttachment, c.v)) {
        pos = a->pos;
        dir = a->dir;
        rot = a->rot;
    }
}

DWORD VESSEL::AttachmentCount(bool toparent) const {
    ApiContext c = vesselCall(vessel, "AttachmentCount");
    if (!c)
        return 0;
    return static_cast<DWORD>((toparent ? c.v->toParent : c.v->toChild).size());
}

ATTACHMENTHANDLE VESSEL::GetAttachmentHandle(bool toparent, DWORD i) const {
    ApiContext c = vesselCall(vessel, "GetAttachmentHandle");
    if (!c)
        return nullptr;
    const auto &list = toparent ? c.v->toParent : c.v->toChild;
    return i < list.size() ? list[i] : nullptr;
}

const char *VESSEL::GetAttachmentId(ATTACHMENTHANDLE attachment) const {
    ApiContext c = vesselCall(vessel, "GetAttachmentId");
    if (!c)
        return nullptr;
    auto *a = c.w->handleOf<Attachment>(attachment, World::kAttachment, c.v);
    return a ? a->id.c_str() : nullptr;
}
