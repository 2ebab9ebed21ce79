// VESSEL, the host API of one vessel: what a module sets up in its class capabilities
// (mass, shape, meshes, animations, particle streams, propellant, thrusters and groups).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "HostApiContext.h"

// The host's own signatures return const-qualified handles by value.
#pragma GCC diagnostic ignored "-Wignored-qualifiers"

using namespace sim;

namespace {

// Limits on what a module can make the host allocate through a bad index.
constexpr UINT kMaxMeshIndex = 4096;

}  // namespace

// The host's reference to a vessel is its handle.
VESSEL::VESSEL(OBJHANDLE hVessel, int fmodel)
    : vessel(nullptr), flightmodel(static_cast<short>(fmodel)), version(0) {
    if (World *w = World::current())
        if (w->resolve(hVessel, "the VESSEL constructor"))
            vessel = static_cast<Vessel *>(hVessel);
}

const OBJHANDLE VESSEL::GetHandle() const {
    ApiContext c = vesselCall(vessel, "GetHandle");
    return c ? c.v->handle() : nullptr;
}

char *VESSEL::GetName() const {
    ApiContext c = vesselCall(vessel, "GetName");
    return c ? c.v->name.data() : nullptr;
}

char *VESSEL::GetClassName() const {
    ApiContext c = vesselCall(vessel, "GetClassName");
    return c ? c.v->className.data() : nullptr;
}

void VESSEL::SetEmptyMass(double m) const {
    ApiContext c = vesselCall(vessel, "SetEmptyMass");
    if (c && std::isfinite(m))
        c.v->emptyMass = m;
}

void VESSEL::SetSize(double size) const {
    if (ApiContext c = vesselCall(vessel, "SetSize"))
        c.v->caps.size = size;
}

void VESSEL::SetTouchdownPoints(const VECTOR3 &pt1, const VECTOR3 &pt2, const VECTOR3 &pt3) const {
    if (ApiContext c = vesselCall(vessel, "SetTouchdownPoints")) {
        c.v->caps.touchdown[0] = pt1;
        c.v->caps.touchdown[1] = pt2;
        c.v->caps.touchdown[2] = pt3;
        c.v->touchdownPoints.clear();  // it lands as a whole again
    }
}

void VESSEL::SetPMI(const VECTOR3 &pmi) const {
    if (ApiContext c = vesselCall(vessel, "SetPMI"))
        c.v->caps.pmi = pmi;
}

void VESSEL::SetCrossSections(const VECTOR3 &cs) const {
    if (ApiContext c = vesselCall(vessel, "SetCrossSections"))
        c.v->caps.crossSections = cs;
}

void VESSEL::SetCW(double cw_z_pos, double cw_z_neg, double cw_x, double cw_y) const {
    if (ApiContext c = vesselCall(vessel, "SetCW")) {
        c.v->caps.cwZPos = cw_z_pos;
        c.v->caps.cwZNeg = cw_z_neg;
        c.v->caps.cwX = cw_x;
        c.v->caps.cwY = cw_y;
    }
}

void VESSEL::SetRotDrag(const VECTOR3 &rd) const {
    if (ApiContext c = vesselCall(vessel, "SetRotDrag"))
        c.v->caps.rotDrag = rd;
}

void VESSEL::SetPitchMomentScale(double scale) const {
    if (ApiContext c = vesselCall(vessel, "SetPitchMomentScale"))
        c.v->caps.pitchMomentScale = scale;
}

void VESSEL::SetBankMomentScale(double scale) const {
    if (ApiContext c = vesselCall(vessel, "SetBankMomentScale"))
        c.v->caps.bankMomentScale = scale;
}

void VESSEL::SetCameraOffset(const VECTOR3 &co) const {
    if (ApiContext c = vesselCall(vessel, "SetCameraOffset"))
        c.v->caps.cameraOffset = co;
}

UINT VESSEL::InsertMesh(MESHHANDLE hMesh, UINT idx, const VECTOR3 *ofs) const {
    ApiContext c = vesselCall(vessel, "InsertMesh");
    if (!c || idx > kMaxMeshIndex)
        return static_cast<UINT>(-1);
    auto &meshes = c.v->meshes;
    if (idx >= meshes.size())
        meshes.resize(idx + 1);
    MeshSlot &slot = meshes[idx];
    slot.mesh = c.w->handleOf<MeshRecord>(hMesh, World::kMesh, nullptr) ? hMesh : nullptr;
    slot.hasOffset = ofs != nullptr;
    slot.offset = ofs ? *ofs : vec(0, 0, 0);
    return idx;
}

UINT VESSEL::AddMesh(MESHHANDLE hMesh, const VECTOR3 *ofs) const {
    ApiContext c = vesselCall(vessel, "AddMesh");
    if (!c || c.v->meshes.size() > kMaxMeshIndex)
        return static_cast<UINT>(-1);
    MeshSlot slot;
    slot.mesh = c.w->handleOf<MeshRecord>(hMesh, World::kMesh, nullptr) ? hMesh : nullptr;
    slot.hasOffset = ofs != nullptr;
    slot.offset = ofs ? *ofs : vec(0, 0, 0);
    c.v->meshes.push_back(slot);
    return static_cast<UINT>(c.v->meshes.size() - 1);
}

void VESSEL::SetMeshVisibilityMode(UINT idx, WORD mode) const {
    ApiContext c = vesselCall(vessel, "SetMeshVisibilityMode");
    if (!c || idx >= c.v->meshes.size())
        return;
    MeshSlot &slot = c.v->meshes[idx];
    if (slot.visibility == mode)
        return;
    slot.visibility = mode;
    c.w->log(c.v, ev::kMesh, "mesh " + std::to_string(idx) + " " + visibilityText(mode));
}

UINT VESSEL::CreateAnimation(double initial_state) const {
    ApiContext c = vesselCall(vessel, "CreateAnimation");
    if (!c)
        return 0;
    Animation a;
    a.initialState = initial_state;
    a.state = initial_state;
    a.lastStepState = initial_state;
    c.v->animations.push_back(a);
    return static_cast<UINT>(c.v->animations.size() - 1);
}

ANIMATIONCOMPONENT_HANDLE VESSEL::AddAnimationComponent(UINT anim, double state0, double state1,
                                                        MGROUP_TRANSFORM *trans,
                                                        ANIMATIONCOMPONENT_HANDLE parent) const {
    ApiContext c = vesselCall(vessel, "AddAnimationComponent");
    if (!c || anim >= c.v->animations.size())
        return nullptr;
    if (parent && !c.w->handleOf<AnimationComponent>(parent, World::kAnimComponent, c.v))
        return nullptr;
    AnimationComponent &comp = addPart(c, c.v->animComponents, World::kAnimComponent);
    comp.animation = anim;
    comp.state0 = state0;
    comp.state1 = state1;
    comp.transform = trans;
    comp.parent = parent;
    c.v->animations[anim].components.push_back(&comp);
    return &comp;
}

bool VESSEL::SetAnimation(UINT anim, double state) const {
    ApiContext c = vesselCall(vessel, "SetAnimation");
    if (!c || anim >= c.v->animations.size())
        return false;
    c.v->animations[anim].state = state;
    return true;
}

PSTREAM_HANDLE VESSEL::AddReentryStream(PARTICLESTREAMSPEC *pss) const {
    ApiContext c = vesselCall(vessel, "AddReentryStream");
    if (!c)
        return nullptr;
    ParticleStream &s = addPart(c, c.v->streams, World::kStream);
    s.reentry = true;
    s.hasSpec = pss != nullptr;
    if (pss)
        s.spec = *pss;
    return &s;
}

void VESSEL::SetReentryTexture(SURFHANDLE tex, double plimit, double lscale, double wscale) const {
    if (ApiContext c = vesselCall(vessel, "SetReentryTexture")) {
        c.v->caps.reentryTexture = tex;
        c.v->caps.reentryPLimit = plimit;
        c.v->caps.reentryLScale = lscale;
        c.v->caps.reentryWScale = wscale;
    }
}

PROPELLANT_HANDLE VESSEL::CreatePropellantResource(double maxmass, double mass,
                                                   double efficiency) const {
    ApiContext c = vesselCall(vessel, "CreatePropellantResource");
    if (!c)
        return nullptr;
    if (!std::isfinite(maxmass) || maxmass < 0)
        maxmass = 0;
    if (!std::isfinite(mass) || mass < 0)
        mass = maxmass;  // a negative mass asks for a full tank
    Tank &t = addPart(c, c.v->tanks, World::kTank);
    t.maxMass = maxmass;
    t.mass = std::min(mass, maxmass);
    t.efficiency = std::isfinite(efficiency) && efficiency > 0 ? efficiency : 1.0;
    if (!c.v->defaultTank)
        c.v->defaultTank = &t;  // the first tank is the default until one is named
    return &t;
}

void VESSEL::SetDefaultPropellantResource(PROPELLANT_HANDLE ph) const {
    ApiContext c = vesselCall(vessel, "SetDefaultPropellantResource");
    if (!c)
        return;
    if (Tank *t = c.w->handleOf<Tank>(ph, World::kTank, c.v))
        c.v->defaultTank = t;
}

THRUSTER_HANDLE VESSEL::CreateThruster(const VECTOR3 &pos, const VECTOR3 &dir, double maxth0,
                                       PROPELLANT_HANDLE hp, double isp0, double isp_ref,
                                       double p_ref) const {
    ApiContext c = vesselCall(vessel, "CreateThruster");
    if (!c)
        return nullptr;
    Thruster &th = addPart(c, c.v->thrusters, World::kThruster);
    th.pos = isFinite(pos) ? pos : vec(0, 0, 0);
    th.dir = isFinite(dir) ? unit(dir) : vec(0, 0, 0);
    th.maxThrust = std::isfinite(maxth0) && maxth0 > 0 ? maxth0 : 0.0;
    th.tank = c.w->handleOf<Tank>(hp, World::kTank, c.v);
    th.isp = std::isfinite(isp0) && isp0 > 0 ? isp0 : 0.0;
    th.ispRef = isp_ref;
    th.pRef = p_ref;
    return &th;
}

THGROUP_HANDLE VESSEL::CreateThrusterGroup(THRUSTER_HANDLE *th, int nth, THGROUP_TYPE thgt) const {
    ApiContext c = vesselCall(vessel, "CreateThrusterGroup");
    if (!c)
        return nullptr;
    ThrusterGroup &g = addPart(c, c.v->groups, World::kGroup);
    g.type = thgt;
    for (int i = 0; th && i < nth; ++i)
        if (auto *t = c.w->handleOf<Thruster>(th[i], World::kThruster, c.v))
            g.thrusters.push_back(t);
    int type = static_cast<int>(thgt);
    if (type >= 0 && type < static_cast<int>(c.v->groupByType.size()))
        c.v->groupByType[static_cast<size_t>(type)] = &g;
    const bool named = type >= THGROUP_MAIN && type <= THGROUP_ATT_BACK;
    std::string typeText = named ? groupTypeName(thgt) : "user type " + std::to_string(type);
    c.w->log(c.v, ev::kThrusterGroup,
             typeText + " thruster group created with " + std::to_string(g.thrusters.size()) +
                 " thruster(s)");
    return &g;
}

UINT VESSEL::AddExhaust(THRUSTER_HANDLE th, double lscale, double wscale, const VECTOR3 &pos,
                        const VECTOR3 &dir, SURFHANDLE tex) const {
    ApiContext c = vesselCall(vessel, "AddExhaust");
    if (!c)
        return static_cast<UINT>(-1);
    Thruster *t = c.w->handleOf<Thruster>(th, World::kThruster, c.v);
    if (!t)
        return static_cast<UINT>(-1);
    Exhaust e;
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
    ApiContext c = vesselCall(vessel, "AddExhaustStream");
    if (!c)
        return nullptr;
    Thruster *t = c.w->handleOf<Thruster>(th, World::kThruster, c.v);
    if (!t)
        return nullptr;
    ParticleStream &s = addPart(c, c.v->streams, World::kStream);
    s.thruster = t;
    s.pos = pos;
    s.hasSpec = pss != nullptr;
    if (pss)
        s.spec = *pss;
    return &s;
}

void VESSEL::SetCOG_elev(double h) const {
    if (ApiContext c = vesselCall(vessel, "SetCOG_elev"))
        c.v->caps.cogElevation = h;
}

void VESSEL::SetYawMomentScale(double scale) const {
    if (ApiContext c = vesselCall(vessel, "SetYawMomentScale"))
        c.v->caps.yawMomentScale = scale;
}

void VESSEL::SetLiftCoeffFunc(LiftCoeffFunc lcf) const {
    if (ApiContext c = vesselCall(vessel, "SetLiftCoeffFunc"))
        c.v->caps.liftCoeff = lcf;
}

UINT VESSEL::AddMesh(const char *meshname, const VECTOR3 *ofs) const {
    // The name is kept; the simulator loads meshes/<name>.msh when it shows the vessel.
    World *w = World::current();
    return AddMesh(w && meshname ? w->loadMesh(meshname) : nullptr, ofs);
}

void VESSEL::ClearMeshes() const {
    if (ApiContext c = vesselCall(vessel, "ClearMeshes"))
        c.v->meshes.clear();
}

void VESSEL::ClearPropellantResources() const {
    ApiContext c = vesselCall(vessel, "ClearPropellantResources");
    if (!c)
        return;
    for (Thruster &th : c.v->thrusters)
        th.tank = nullptr;
    for (const Tank &t : c.v->tanks)
        c.w->forgetHandle(&t);
    c.v->tanks.clear();
    c.v->defaultTank = nullptr;
}

UINT VESSEL::AddExhaust(THRUSTER_HANDLE th, double lscale, double wscale, SURFHANDLE tex) const {
    // At the thruster, pointing against its thrust.
    World *w = World::current();
    const Thruster *t = w ? w->handleOf<Thruster>(th, World::kThruster, nullptr) : nullptr;
    if (!t)
        return AddExhaust(th, lscale, wscale, vec(0, 0, 0), vec(0, 0, -1), tex);
    return AddExhaust(th, lscale, wscale, t->pos, -t->dir, tex);
}

void VESSEL::ClearThrusterDefinitions() const {
    ApiContext c = vesselCall(vessel, "ClearThrusterDefinitions");
    if (!c)
        return;
    for (ParticleStream &s : c.v->streams)
        s.thruster = nullptr;  // an exhaust stream loses its thruster
    for (const Thruster &th : c.v->thrusters)
        c.w->forgetHandle(&th);
    for (const ThrusterGroup &g : c.v->groups)
        c.w->forgetHandle(&g);
    c.v->exhausts.clear();
    c.v->thrusters.clear();
    c.v->groups.clear();
    c.v->groupByType.fill(nullptr);
}

void VESSEL::ClearExhaustRefs() const {
    if (ApiContext c = vesselCall(vessel, "ClearExhaustRefs"))
        c.v->exhausts.clear();
}

void VESSEL::ClearAttExhaustRefs() const {
    ApiContext c = vesselCall(vessel, "ClearAttExhaustRefs");
    if (!c)
        return;
    // The exhausts of thrusters in an attitude group go; the others stay.
    auto attitude = [&c](const Exhaust &e) {
        for (const ThrusterGroup &g : c.v->groups)
            if (g.type >= THGROUP_ATT_PITCHUP && g.type <= THGROUP_ATT_BACK &&
                std::find(g.thrusters.begin(), g.thrusters.end(), e.thruster) != g.thrusters.end())
                return true;
        return false;
    };
    auto &ex = c.v->exhausts;
    ex.erase(std::remove_if(ex.begin(), ex.end(), attitude), ex.end());
}
