// The host API of Orbitersdk.h, implemented on the current sim::World.
//
// Every entry point copes with what a module may hand it: null pointers, handles of another
// vessel, handles of deleted vessels, indices out of range. Such calls do nothing and answer
// null, 0 or false. The calls a vessel makes every step (group levels, animations, the vessel
// list queries) do a constant amount of work and allocate nothing.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "World.h"

// The host's own signatures return const-qualified handles by value.
#pragma GCC diagnostic ignored "-Wignored-qualifiers"

using sim::VesselHot;
using sim::VesselRecord;
using sim::World;
using sim::operator+;
using sim::operator-;

namespace {

// Limits on what a module can make the host allocate through a bad index or text.
constexpr UINT kMaxMeshIndex = 4096;
constexpr size_t kMaxAttachmentIdLength = 255;

struct Ctx {
    World *w;
    VesselRecord *v;
    explicit operator bool() const { return w && v; }
};

// A VESSEL's host pointer is its vessel's hot line (VesselHot), which leads to the record.
Ctx ctx(void *hostVessel, const char *call) {
    World *w = World::current();
    auto *h = static_cast<VesselHot *>(hostVessel);
    VesselRecord *v = h ? h->record : nullptr;
    if (w && v)
        w->traceCall(v, call);
    return {w, v};
}

// The queries a module makes every step, or for every vessel of a walk over the vessel list,
// are written so that they keep no stack frame: the work first, then the trace (for tests,
// normally off) as an out-of-line tail call that hands the result back. Those the walk makes
// read only the vessel's hot line.
inline VesselHot *hotLine(void *hostVessel) {
    auto *h = static_cast<VesselHot *>(hostVessel);
    return h && World::current() ? h : nullptr;
}

inline VesselRecord *hot(void *hostVessel) {
    VesselHot *h = hotLine(hostVessel);
    return h ? h->record : nullptr;
}

template <class R>
__attribute__((noinline, cold)) R traced(VesselRecord *v, const char *call, R result) {
    if (World *w = World::current())
        w->traceCall(v, call);
    return result;
}

__attribute__((noinline, cold)) void traced(VesselRecord *v, const char *call) {
    if (World *w = World::current())
        w->traceCall(v, call);
}

template <class R>
__attribute__((noinline, cold)) R traced(VesselHot *h, const char *call, R result) {
    return traced(h->record, call, result);
}

template <class R>
__attribute__((noinline, cold)) R tracedGlobal(const char *call, R result) {
    if (World *w = World::current())
        w->traceGlobal(call);
    return result;
}

__attribute__((noinline, cold)) void tracedGlobal(const char *call) {
    if (World *w = World::current())
        w->traceGlobal(call);
}

World *world(const char *call) {
    World *w = World::current();
    if (w)
        w->traceGlobal(call);
    return w;
}

bool finite(const VECTOR3 &v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

std::string vecText(const VECTOR3 &v) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "(%g, %g, %g)", v.x, v.y, v.z);
    return buf;
}

// A new part at the end of one of the calling vessel's own lists (they keep their elements in
// place), owned by the vessel and known to the world's handle table as `kind`.
template <class List>
typename List::value_type &addPart(const Ctx &c, List &list, int kind) {
    list.emplace_back();
    typename List::value_type &part = list.back();
    part.owner = c.v;
    c.w->registerHandle(&part, kind);
    return part;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Global functions
// ---------------------------------------------------------------------------------------
const MESHHANDLE oapiLoadMeshGlobal(const char *fname) {
    World *w = world("oapiLoadMeshGlobal");
    return w ? w->loadMesh(fname) : nullptr;
}

SURFHANDLE oapiRegisterExhaustTexture(char *name) {
    World *w = world("oapiRegisterExhaustTexture");
    return w ? w->registerTexture(name) : nullptr;
}

SURFHANDLE oapiRegisterReentryTexture(char *name) {
    World *w = world("oapiRegisterReentryTexture");
    return w ? w->registerTexture(name) : nullptr;
}

bool oapiReadScenario_nextline(FILEHANDLE scn, char *&line) {
    World *w = world("oapiReadScenario_nextline");
    return w ? w->readLine(scn, line) : false;
}

void oapiWriteScenario_string(FILEHANDLE scn, char *item, char *string) {
    World *w = world("oapiWriteScenario_string");
    if (!w || !item)
        return;
    std::string line = item;
    if (string && *string)
        line += std::string(" ") + string;
    w->writeLine(scn, line);
}

double oapiGetSimTime() {
    World *w = World::current();
    if (!w)
        return 0.0;
    const double t = w->time();
    return w->tracingGlobal() ? tracedGlobal("oapiGetSimTime", t) : t;
}

double oapiGetSimStep() {
    World *w = World::current();
    if (!w)
        return 0.0;
    const double dt = w->lastStep();
    return w->tracingGlobal() ? tracedGlobal("oapiGetSimStep", dt) : dt;
}

bool oapiAcceptDelayedKey(char key, double interval) {
    World *w = world("oapiAcceptDelayedKey");
    return w ? w->acceptDelayedKey(key, interval) : false;
}

double oapiRand() {
    World *w = world("oapiRand");
    return w ? w->random() : 0.0;
}

VESSEL *oapiGetVesselInterface(OBJHANDLE hVessel) {
    World *w = World::current();
    if (!w)
        return nullptr;
    VESSEL *v = w->interfaceOf(hVessel);
    return w->tracingGlobal() ? tracedGlobal("oapiGetVesselInterface", v) : v;
}

DWORD oapiGetVesselCount() {
    World *w = World::current();
    if (!w)
        return 0;
    const DWORD n = static_cast<DWORD>(w->vessels().size());
    return w->tracingGlobal() ? tracedGlobal("oapiGetVesselCount", n) : n;
}

OBJHANDLE oapiGetVesselByIndex(int index) {
    World *w = World::current();
    if (!w)
        return nullptr;
    OBJHANDLE h = index >= 0 ? w->vesselAt(static_cast<size_t>(index)) : nullptr;
    return w->tracingGlobal() ? tracedGlobal("oapiGetVesselByIndex", h) : h;
}

OBJHANDLE oapiGetObjectByName(char *name) {
    World *w = world("oapiGetObjectByName");
    if (!w || !name)
        return nullptr;
    if (w->options().bodyName == name)
        return w->bodyHandle();
    return w->find(name);
}

void oapiGetObjectName(OBJHANDLE hObj, char *name, int n) {
    World *w = World::current();
    if (w && w->tracingGlobal())
        tracedGlobal("oapiGetObjectName");
    if (!name || n <= 0)
        return;
    const std::string *src = nullptr;
    if (w && hObj && hObj == w->bodyHandle())
        src = &w->options().bodyName;
    else if (const VesselRecord *v = w ? w->liveRecord(hObj) : nullptr)
        src = &v->name;
    // At most n bytes, the terminator included; an unknown object gives an empty name.
    size_t len = src ? std::min(src->size(), static_cast<size_t>(n) - 1) : 0;
    if (len)
        std::memcpy(name, src->data(), len);
    name[len] = 0;
}

OBJHANDLE oapiCreateVessel(const char *name, const char *classname, const VESSELSTATUS &status) {
    World *w = world("oapiCreateVessel");
    if (!w || !name || !classname)
        return nullptr;
    std::string error;
    OBJHANDLE h = w->createVessel(name, classname, status, &error);
    if (!h)
        w->log(nullptr, sim::ev::Error, "vessel " + std::string(name) + " not created: " + error);
    return h;
}

bool oapiDeleteVessel(OBJHANDLE hVessel, OBJHANDLE hAlternativeCameraTarget) {
    World *w = world("oapiDeleteVessel");
    return w ? w->deleteVessel(hVessel, hAlternativeCameraTarget) : false;
}

OBJHANDLE oapiSetFocusObject(OBJHANDLE hVessel) {
    World *w = world("oapiSetFocusObject");
    return w ? w->setFocus(hVessel) : nullptr;
}

double oapiGetEmptyMass(OBJHANDLE hVessel) {
    World *w = world("oapiGetEmptyMass");
    const VesselRecord *v = w ? w->liveRecord(hVessel) : nullptr;
    return v ? v->emptyMass : 0.0;
}

void oapiSetEmptyMass(OBJHANDLE hVessel, double mass) {
    World *w = world("oapiSetEmptyMass");
    VesselRecord *v = w ? w->resolve(hVessel) : nullptr;
    if (v && std::isfinite(mass))
        v->emptyMass = mass;
}

void oapiGetGlobalPos(OBJHANDLE hObj, VECTOR3 *pos) {
    World *w = World::current();
    if (w && w->tracingGlobal())
        tracedGlobal("oapiGetGlobalPos");
    if (!pos)
        return;
    if (w && hObj && hObj == w->bodyHandle()) {
        *pos = w->options().bodyPosition;
        return;
    }
    const VesselRecord *v = w ? w->liveRecord(hObj) : nullptr;
    *pos = v ? w->globalPos(*v) : sim::vec(0, 0, 0);
}

// ---------------------------------------------------------------------------------------
// VESSEL
// ---------------------------------------------------------------------------------------
VESSEL::VESSEL(OBJHANDLE hVessel, int fmodel) : hostVessel(nullptr), flightModel(fmodel) {
    if (World *w = World::current())
        if (VesselRecord *v = w->resolve(hVessel))
            hostVessel = v->hot;
}

const OBJHANDLE VESSEL::GetHandle() const {
    Ctx c = ctx(hostVessel, "GetHandle");
    return c ? c.v->handle() : nullptr;
}

char *VESSEL::GetName() const {
    VesselRecord *v = hot(hostVessel);
    if (!v)
        return nullptr;
    char *name = v->name.data();
    return v->traceOn ? traced(v, "GetName", name) : name;
}

char *VESSEL::GetClassName() const {
    VesselHot *h = hotLine(hostVessel);
    if (!h)
        return nullptr;
    char *name = h->className;
    return h->traceOn ? traced(h, "GetClassName", name) : name;
}

void VESSEL::SetEmptyMass(double m) const {
    Ctx c = ctx(hostVessel, "SetEmptyMass");
    if (c && std::isfinite(m))
        c.v->emptyMass = m;
}

void VESSEL::SetSize(double size) const {
    if (Ctx c = ctx(hostVessel, "SetSize"))
        c.v->caps.size = size;
}

void VESSEL::SetTouchdownPoints(const VECTOR3 &pt1, const VECTOR3 &pt2, const VECTOR3 &pt3) const {
    if (Ctx c = ctx(hostVessel, "SetTouchdownPoints")) {
        c.v->caps.touchdown[0] = pt1;
        c.v->caps.touchdown[1] = pt2;
        c.v->caps.touchdown[2] = pt3;
    }
}

void VESSEL::SetPMI(const VECTOR3 &pmi) const {
    if (Ctx c = ctx(hostVessel, "SetPMI"))
        c.v->caps.pmi = pmi;
}

void VESSEL::SetCrossSections(const VECTOR3 &cs) const {
    if (Ctx c = ctx(hostVessel, "SetCrossSections"))
        c.v->caps.crossSections = cs;
}

void VESSEL::SetCW(double cw_z_pos, double cw_z_neg, double cw_x, double cw_y) const {
    if (Ctx c = ctx(hostVessel, "SetCW")) {
        c.v->caps.cwZPos = cw_z_pos;
        c.v->caps.cwZNeg = cw_z_neg;
        c.v->caps.cwX = cw_x;
        c.v->caps.cwY = cw_y;
    }
}

void VESSEL::SetRotDrag(const VECTOR3 &rd) const {
    if (Ctx c = ctx(hostVessel, "SetRotDrag"))
        c.v->caps.rotDrag = rd;
}

void VESSEL::SetPitchMomentScale(double scale) const {
    if (Ctx c = ctx(hostVessel, "SetPitchMomentScale"))
        c.v->caps.pitchMomentScale = scale;
}

void VESSEL::SetBankMomentScale(double scale) const {
    if (Ctx c = ctx(hostVessel, "SetBankMomentScale"))
        c.v->caps.bankMomentScale = scale;
}

void VESSEL::SetCameraOffset(const VECTOR3 &co) const {
    if (Ctx c = ctx(hostVessel, "SetCameraOffset"))
        c.v->caps.cameraOffset = co;
}

UINT VESSEL::InsertMesh(MESHHANDLE hMesh, UINT idx, const VECTOR3 *ofs) const {
    Ctx c = ctx(hostVessel, "InsertMesh");
    if (!c || idx > kMaxMeshIndex)
        return static_cast<UINT>(-1);
    auto &meshes = c.v->meshes;
    if (idx >= meshes.size())
        meshes.resize(idx + 1);
    sim::MeshSlot &slot = meshes[idx];
    slot.mesh = c.w->handleOf<sim::MeshRecord>(hMesh, World::kMesh, nullptr) ? hMesh : nullptr;
    slot.hasOffset = ofs != nullptr;
    slot.offset = ofs ? *ofs : sim::vec(0, 0, 0);
    return idx;
}

UINT VESSEL::AddMesh(MESHHANDLE hMesh, const VECTOR3 *ofs) const {
    Ctx c = ctx(hostVessel, "AddMesh");
    if (!c || c.v->meshes.size() > kMaxMeshIndex)
        return static_cast<UINT>(-1);
    sim::MeshSlot slot;
    slot.mesh = c.w->handleOf<sim::MeshRecord>(hMesh, World::kMesh, nullptr) ? hMesh : nullptr;
    slot.hasOffset = ofs != nullptr;
    slot.offset = ofs ? *ofs : sim::vec(0, 0, 0);
    c.v->meshes.push_back(slot);
    return static_cast<UINT>(c.v->meshes.size() - 1);
}

void VESSEL::SetMeshVisibilityMode(UINT idx, WORD mode) const {
    Ctx c = ctx(hostVessel, "SetMeshVisibilityMode");
    if (!c || idx >= c.v->meshes.size())
        return;
    sim::MeshSlot &slot = c.v->meshes[idx];
    if (slot.visibility == mode)
        return;
    slot.visibility = mode;
    c.w->log(c.v, sim::ev::Mesh, "mesh " + std::to_string(idx) + " " + sim::visibilityText(mode));
}

UINT VESSEL::CreateAnimation(double initial_state) const {
    Ctx c = ctx(hostVessel, "CreateAnimation");
    if (!c)
        return 0;
    sim::Animation a;
    a.initialState = initial_state;
    a.state = initial_state;
    a.lastStepState = initial_state;
    c.v->animations.push_back(a);
    c.v->syncHot();
    return static_cast<UINT>(c.v->animations.size() - 1);
}

ANIMATIONCOMPONENT_HANDLE VESSEL::AddAnimationComponent(UINT anim, double state0, double state1,
                                                        MGROUP_TRANSFORM *trans,
                                                        ANIMATIONCOMPONENT_HANDLE parent) const {
    Ctx c = ctx(hostVessel, "AddAnimationComponent");
    if (!c || anim >= c.v->animations.size())
        return nullptr;
    if (parent && !c.w->handleOf<sim::AnimationComponent>(parent, World::kAnimComponent, c.v))
        return nullptr;
    sim::AnimationComponent &comp = addPart(c, c.v->animComponents, World::kAnimComponent);
    comp.animation = anim;
    comp.state0 = state0;
    comp.state1 = state1;
    comp.transform = trans;
    comp.parent = parent;
    c.v->animations[anim].components.push_back(&comp);
    return &comp;
}

bool VESSEL::SetAnimation(UINT anim, double state) const {
    VesselHot *h = hotLine(hostVessel);
    if (!h)
        return false;
    if (anim >= h->animationCount)
        return h->traceOn ? traced(h, "SetAnimation", false) : false;
    h->animations[anim].state = state;
    return h->traceOn ? traced(h, "SetAnimation", true) : true;
}

PSTREAM_HANDLE VESSEL::AddReentryStream(PARTICLESTREAMSPEC *pss) const {
    Ctx c = ctx(hostVessel, "AddReentryStream");
    if (!c)
        return nullptr;
    sim::ParticleStream &s = addPart(c, c.v->streams, World::kStream);
    s.reentry = true;
    s.hasSpec = pss != nullptr;
    if (pss)
        s.spec = *pss;
    return &s;
}

void VESSEL::SetReentryTexture(SURFHANDLE tex, double plimit, double lscale, double wscale) const {
    if (Ctx c = ctx(hostVessel, "SetReentryTexture")) {
        c.v->caps.reentryTexture = tex;
        c.v->caps.reentryPLimit = plimit;
        c.v->caps.reentryLScale = lscale;
        c.v->caps.reentryWScale = wscale;
    }
}

PROPELLANT_HANDLE VESSEL::CreatePropellantResource(double maxmass, double mass,
                                                   double efficiency) const {
    Ctx c = ctx(hostVessel, "CreatePropellantResource");
    if (!c)
        return nullptr;
    if (!std::isfinite(maxmass) || maxmass < 0)
        maxmass = 0;
    if (!std::isfinite(mass) || mass < 0)
        mass = maxmass;  // a negative mass asks for a full tank
    sim::Tank &t = addPart(c, c.v->tanks, World::kTank);
    t.maxMass = maxmass;
    t.mass = std::min(mass, maxmass);
    t.efficiency = std::isfinite(efficiency) && efficiency > 0 ? efficiency : 1.0;
    if (!c.v->defaultTank)
        c.v->defaultTank = &t;  // the first tank is the default until one is named
    return &t;
}

void VESSEL::SetDefaultPropellantResource(PROPELLANT_HANDLE ph) const {
    Ctx c = ctx(hostVessel, "SetDefaultPropellantResource");
    if (!c)
        return;
    if (sim::Tank *t = c.w->handleOf<sim::Tank>(ph, World::kTank, c.v))
        c.v->defaultTank = t;
}

THRUSTER_HANDLE VESSEL::CreateThruster(const VECTOR3 &pos, const VECTOR3 &dir, double maxth0,
                                       PROPELLANT_HANDLE hp, double isp0, double isp_ref,
                                       double p_ref) const {
    Ctx c = ctx(hostVessel, "CreateThruster");
    if (!c)
        return nullptr;
    sim::Thruster &th = addPart(c, c.v->thrusters, World::kThruster);
    th.pos = finite(pos) ? pos : sim::vec(0, 0, 0);
    th.dir = finite(dir) ? sim::unit(dir) : sim::vec(0, 0, 0);
    th.maxThrust = std::isfinite(maxth0) && maxth0 > 0 ? maxth0 : 0.0;
    th.tank = c.w->handleOf<sim::Tank>(hp, World::kTank, c.v);
    th.isp = std::isfinite(isp0) && isp0 > 0 ? isp0 : 0.0;
    th.ispRef = isp_ref;
    th.pRef = p_ref;
    return &th;
}

THGROUP_HANDLE VESSEL::CreateThrusterGroup(THRUSTER_HANDLE *th, int nth, THGROUP_TYPE thgt) const {
    Ctx c = ctx(hostVessel, "CreateThrusterGroup");
    if (!c)
        return nullptr;
    sim::ThrusterGroup &g = addPart(c, c.v->groups, World::kGroup);
    g.type = thgt;
    for (int i = 0; th && i < nth; ++i)
        if (auto *t = c.w->handleOf<sim::Thruster>(th[i], World::kThruster, c.v))
            g.thrusters.push_back(t);
    int type = static_cast<int>(thgt);
    if (type >= 0 && type < static_cast<int>(c.v->groupByType.size()))
        c.v->groupByType[static_cast<size_t>(type)] = &g;
    const bool named = type >= THGROUP_MAIN && type <= THGROUP_ATT_BACK;
    std::string typeText = named ? sim::groupTypeName(thgt) : "user type " + std::to_string(type);
    c.w->log(c.v, sim::ev::ThrusterGroup,
             typeText + " thruster group created with " + std::to_string(g.thrusters.size()) +
                 " thruster(s)");
    return &g;
}

UINT VESSEL::AddExhaust(THRUSTER_HANDLE th, double lscale, double wscale, const VECTOR3 &pos,
                        const VECTOR3 &dir, SURFHANDLE tex) const {
    Ctx c = ctx(hostVessel, "AddExhaust");
    if (!c)
        return static_cast<UINT>(-1);
    sim::Thruster *t = c.w->handleOf<sim::Thruster>(th, World::kThruster, c.v);
    if (!t)
        return static_cast<UINT>(-1);
    sim::Exhaust e;
    e.thruster = t;
    e.lscale = lscale;
    e.wscale = wscale;
    e.pos = pos;
    e.dir = dir;
    e.tex = tex;
    c.v->exhausts.push_back(e);
    return static_cast<UINT>(c.v->exhausts.size() - 1);
}

PSTREAM_HANDLE VESSEL::AddExhaustStream(THRUSTER_HANDLE th, const VECTOR3 &pos,
                                        PARTICLESTREAMSPEC *pss) const {
    Ctx c = ctx(hostVessel, "AddExhaustStream");
    if (!c)
        return nullptr;
    sim::Thruster *t = c.w->handleOf<sim::Thruster>(th, World::kThruster, c.v);
    if (!t)
        return nullptr;
    sim::ParticleStream &s = addPart(c, c.v->streams, World::kStream);
    s.thruster = t;
    s.pos = pos;
    s.hasSpec = pss != nullptr;
    if (pss)
        s.spec = *pss;
    return &s;
}

double VESSEL::GetThrusterGroupLevel(THGROUP_HANDLE thg) const {
    VesselRecord *v = hot(hostVessel);
    if (!v)
        return 0.0;
    const sim::ThrusterGroup *g = World::groupOf(thg, *v);
    const double level = g ? g->level : 0.0;
    return v->traceOn ? traced(v, "GetThrusterGroupLevel", level) : level;
}

void VESSEL::SetThrusterGroupLevel(THGROUP_HANDLE thg, double level) const {
    Ctx c = ctx(hostVessel, "SetThrusterGroupLevel");
    if (!c)
        return;
    if (sim::ThrusterGroup *g = World::groupOf(thg, *c.v))
        c.w->setGroupLevel(*c.v, *g, level);
}

void VESSEL::ParseScenarioLineEx(char *line, void *status) const {
    if (Ctx c = ctx(hostVessel, "ParseScenarioLineEx"))
        c.w->parseDefaultLine(*c.v, line);
}

void VESSEL::SaveDefaultState(FILEHANDLE scn) const {
    if (Ctx c = ctx(hostVessel, "SaveDefaultState"))
        c.w->saveDefaultState(*c.v, scn);
}

void VESSEL::GetStatus(VESSELSTATUS &status) const {
    if (Ctx c = ctx(hostVessel, "GetStatus"))
        c.w->fillStatus(*c.v, status);
}

void VESSEL::GetRotationMatrix(MATRIX3 &R) const {
    if (Ctx c = ctx(hostVessel, "GetRotationMatrix"))
        R = c.v->rot;
}

void VESSEL::SetRotationMatrix(const MATRIX3 &R) const {
    Ctx c = ctx(hostVessel, "SetRotationMatrix");
    if (!c)
        return;
    for (double x : R.data)
        if (!std::isfinite(x))
            return;
    c.v->rot = R;
}

void VESSEL::GetAngularVel(VECTOR3 &avel) const {
    if (Ctx c = ctx(hostVessel, "GetAngularVel"))
        avel = c.v->avel;
}

void VESSEL::Local2Rel(const VECTOR3 &local, VECTOR3 &rel) const {
    if (Ctx c = ctx(hostVessel, "Local2Rel"))
        rel = sim::mul(c.v->rot, local) + c.v->rpos;
}

void VESSEL::GlobalRot(const VECTOR3 &rloc, VECTOR3 &rglob) const {
    if (Ctx c = ctx(hostVessel, "GlobalRot"))
        rglob = sim::mul(c.v->rot, rloc);
}

void VESSEL::Global2Local(const VECTOR3 &global, VECTOR3 &local) const {
    VesselRecord *v = hot(hostVessel);
    if (!v)
        return;
    local = sim::tmul(v->rot, global - World::current()->globalPos(*v));
    if (v->traceOn)
        traced(v, "Global2Local");
}

UINT VESSEL::DockCount() const {
    Ctx c = ctx(hostVessel, "DockCount");
    return c ? static_cast<UINT>(c.v->docks.size()) : 0;
}

DOCKHANDLE VESSEL::GetDockHandle(UINT n) const {
    Ctx c = ctx(hostVessel, "GetDockHandle");
    if (!c || n >= c.v->docks.size())
        return nullptr;
    return &c.v->docks[n];
}

OBJHANDLE VESSEL::GetDockStatus(DOCKHANDLE hDock) const {
    Ctx c = ctx(hostVessel, "GetDockStatus");
    if (!c)
        return nullptr;
    auto *d = c.w->handleOf<sim::DockPort>(hDock, World::kDock, c.v);
    return d && d->mate && d->mate->alive ? d->mate->handle() : nullptr;
}

DOCKHANDLE VESSEL::CreateDock(const VECTOR3 &pos, const VECTOR3 &dir, const VECTOR3 &rot) const {
    Ctx c = ctx(hostVessel, "CreateDock");
    if (!c)
        return nullptr;
    sim::DockPort &d = addPart(c, c.v->docks, World::kDock);
    d.index = static_cast<UINT>(c.v->docks.size() - 1);
    d.pos = pos;
    d.dir = dir;
    d.rot = rot;
    return &d;
}

ATTACHMENTHANDLE VESSEL::CreateAttachment(bool toparent, const VECTOR3 &pos, const VECTOR3 &dir,
                                          const VECTOR3 &rot, const char *id, bool loose) const {
    Ctx c = ctx(hostVessel, "CreateAttachment");
    if (!c)
        return nullptr;
    sim::Attachment &a = addPart(c, c.v->attachments, World::kAttachment);
    a.toParent = toparent;
    a.pos = pos;
    a.dir = dir;
    a.rot = rot;
    if (id)
        a.id.assign(id, strnlen(id, kMaxAttachmentIdLength));
    a.loose = loose;
    (toparent ? c.v->toParent : c.v->toChild).push_back(&a);
    c.v->syncHot();
    c.w->log(c.v, sim::ev::Attachment,
             "attachment point \"" + a.id + "\" (" + (toparent ? "to parent" : "to child") +
                 ") created: position " + vecText(pos) + ", direction " + vecText(dir) +
                 ", rotation " + vecText(rot));
    return &a;
}

void VESSEL::SetAttachmentParams(ATTACHMENTHANDLE attachment, const VECTOR3 &pos,
                                 const VECTOR3 &dir, const VECTOR3 &rot) const {
    Ctx c = ctx(hostVessel, "SetAttachmentParams");
    if (!c)
        return;
    auto *a = c.w->handleOf<sim::Attachment>(attachment, World::kAttachment, c.v);
    if (!a)
        return;
    using sim::operator!=;
    bool changed = a->pos != pos || a->dir != dir || a->rot != rot;
    a->pos = pos;
    a->dir = dir;
    a->rot = rot;
    if (changed)
        c.w->log(c.v, sim::ev::Attachment,
                 "attachment point \"" + a->id + "\" changed: position " + vecText(pos) +
                     ", direction " + vecText(dir) + ", rotation " + vecText(rot));
}

void VESSEL::GetAttachmentParams(ATTACHMENTHANDLE attachment, VECTOR3 &pos, VECTOR3 &dir,
                                 VECTOR3 &rot) const {
    VesselRecord *v = hot(hostVessel);
    if (!v)
        return;
    if (auto *a = World::attachmentOf(attachment, *v)) {
        pos = a->pos;
        dir = a->dir;
        rot = a->rot;
    }
    if (v->traceOn)
        traced(v, "GetAttachmentParams");
}

DWORD VESSEL::AttachmentCount(bool toparent) const {
    VesselHot *h = hotLine(hostVessel);
    if (!h)
        return 0;
    const DWORD n = toparent ? h->toParentCount : h->toChildCount;
    return h->traceOn ? traced(h, "AttachmentCount", n) : n;
}

ATTACHMENTHANDLE VESSEL::GetAttachmentHandle(bool toparent, DWORD i) const {
    VesselRecord *v = hot(hostVessel);
    if (!v)
        return nullptr;
    const auto &list = toparent ? v->toParent : v->toChild;
    ATTACHMENTHANDLE a = i < list.size() ? list[i] : nullptr;
    return v->traceOn ? traced(v, "GetAttachmentHandle", a) : a;
}

const char *VESSEL::GetAttachmentId(ATTACHMENTHANDLE attachment) const {
    VesselRecord *v = hot(hostVessel);
    if (!v)
        return nullptr;
    auto *a = World::attachmentOf(attachment, *v);
    const char *id = a ? a->id.c_str() : nullptr;
    return v->traceOn ? traced(v, "GetAttachmentId", id) : id;
}

// ---------------------------------------------------------------------------------------
// VESSEL2: the host's default behaviour for each callback.
// ---------------------------------------------------------------------------------------
VESSEL2::VESSEL2(OBJHANDLE hVessel, int fmodel) : VESSEL(hVessel, fmodel) {}

void VESSEL2::clbkSetClassCaps(FILEHANDLE cfg) {}
void VESSEL2::clbkSaveState(FILEHANDLE scn) {
    SaveDefaultState(scn);
}
void VESSEL2::clbkLoadStateEx(FILEHANDLE scn, void *status) {
    char *line;
    while (oapiReadScenario_nextline(scn, line))
        ParseScenarioLineEx(line, status);
}
void VESSEL2::clbkSetStateEx(const void *status) {}
void VESSEL2::clbkPostCreation() {}
void VESSEL2::clbkFocusChanged(bool getfocus, OBJHANDLE hNewVessel, OBJHANDLE hOldVessel) {}
void VESSEL2::clbkPreStep(double simt, double simdt, double mjd) {}
void VESSEL2::clbkPostStep(double simt, double simdt, double mjd) {}
bool VESSEL2::clbkPlaybackEvent(double simt, double event_t, const char *event_type,
                                const char *event) {
    return false;
}
void VESSEL2::clbkVisualCreated(VISHANDLE vis, int refcount) {}
void VESSEL2::clbkVisualDestroyed(VISHANDLE vis, int refcount) {}
void VESSEL2::clbkDrawHUD(int mode, const HUDPAINTSPEC *hps, HDC hDC) {}
void VESSEL2::clbkRCSMode(int mode) {}
void VESSEL2::clbkADCtrlMode(DWORD mode) {}
void VESSEL2::clbkHUDMode(int mode) {}
void VESSEL2::clbkMFDMode(int mfd, int mode) {}
void VESSEL2::clbkNavMode(int mode, bool active) {}
void VESSEL2::clbkDockEvent(int dock, OBJHANDLE mate) {}
void VESSEL2::clbkAnimate(double simt) {}
int VESSEL2::clbkConsumeDirectKey(char *kstate) {
    return 0;
}
int VESSEL2::clbkConsumeBufferedKey(DWORD key, bool down, char *kstate) {
    return 0;
}
bool VESSEL2::clbkLoadGenericCockpit() {
    return false;
}
bool VESSEL2::clbkLoadPanel(int id) {
    return false;
}
bool VESSEL2::clbkPanelMouseEvent(int id, int event, int mx, int my) {
    return false;
}
bool VESSEL2::clbkPanelRedrawEvent(int id, int event, SURFHANDLE surf) {
    return false;
}
bool VESSEL2::clbkLoadVC(int id) {
    return false;
}
bool VESSEL2::clbkVCMouseEvent(int id, int event, VECTOR3 &p) {
    return false;
}
bool VESSEL2::clbkVCRedrawEvent(int id, int event, SURFHANDLE surf) {
    return false;
}
