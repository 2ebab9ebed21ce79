// What the host keeps of a vessel: the record of the vessel itself and of every part its
// module makes (meshes, animations, tanks, thrusters and groups, attachment points, docking
// ports, ...). The vessel's own handle names its slot in the world's VesselTable; the
// handles of its parts are the addresses of their records, which stay in place for the
// vessel's life, so parts live in containers that never move their elements. A destroyed
// vessel's record goes with all its parts.
#ifndef VEMO_SIM_VESSELRECORD_H
#define VEMO_SIM_VESSELRECORD_H

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "Math3.h"
#include "Orbitersdk.h"

namespace sim {

struct CelestialBody;

struct ClassInfo;
struct LoadedModule;
struct VesselRecord;

// Thruster group types with a name of their own, THGROUP_MAIN to THGROUP_ATT_BACK.
constexpr int kNamedGroupTypes = THGROUP_ATT_BACK + 1;

// A vessel's status, as VESSELSTATUS::status and the STATUS scenario line give it.
constexpr int kFreeFlight = 0;
constexpr int kLanded = 1;

struct MeshRecord {                 // world-wide, by name
    VesselRecord *owner = nullptr;  // always null: meshes belong to no vessel
    std::string name;
};
struct TextureRecord {  // world-wide, by name
    VesselRecord *owner = nullptr;
    std::string name;
};

struct MeshSlot {
    MESHHANDLE mesh = nullptr;  // null for an empty slot
    bool hasOffset = false;
    VECTOR3 offset = vec(0, 0, 0);
    WORD visibility = 1;  // the host's default: external views only
};

struct AnimationComponent {
    VesselRecord *owner = nullptr;
    UINT animation = 0;
    double state0 = 0.0, state1 = 0.0;
    MGROUP_TRANSFORM *transform = nullptr;  // the module's object, kept by address
    ANIMATIONCOMPONENT_HANDLE parent = nullptr;
};

struct Animation {
    double initialState = 0.0;
    double state = 0.0;
    std::vector<AnimationComponent *> components;  // in the order added
    // Motion tracking for the log: the state at the end of the previous step.
    double lastStepState = 0.0;
    bool moving = false;
};

struct Tank {
    VesselRecord *owner = nullptr;
    double maxMass = 0.0;  // kg
    double mass = 0.0;     // kg
    double efficiency = 1.0;
    bool emptyReported = false;
};

struct Thruster {
    VesselRecord *owner = nullptr;
    VECTOR3 pos = vec(0, 0, 0);
    VECTOR3 dir = vec(0, 0, 1);  // unit
    double maxThrust = 0.0;      // N, vacuum
    Tank *tank = nullptr;
    double isp = 0.0;     // m/s, vacuum
    double ispRef = 0.0;  // m/s at pRef
    double pRef = 0.0;    // Pa
    double level = 0.0;   // 0..1; held at 0 while it has no propellant (fed())
    bool fed() const;     // it has a tank with propellant in it
};

struct ThrusterGroup {
    VesselRecord *owner = nullptr;
    THGROUP_TYPE type = THGROUP_MAIN;
    std::vector<Thruster *> thrusters;  // members in the order given
    double level = 0.0;                 // as last set
    // The mean of its thrusters' levels: a thruster on an empty tank stays at 0 whatever
    // the group was set to.
    double currentLevel() const;
};

struct Exhaust {
    Thruster *thruster = nullptr;
    double lscale = 0.0, wscale = 0.0;
    VECTOR3 pos = vec(0, 0, 0), dir = vec(0, 0, 0);
    SURFHANDLE tex = nullptr;
};

struct ParticleStream {
    VesselRecord *owner = nullptr;
    bool reentry = false;          // reentry stream, or exhaust stream of `thruster`
    Thruster *thruster = nullptr;  // exhaust streams only
    VECTOR3 pos = vec(0, 0, 0);
    bool hasSpec = false;
    PARTICLESTREAMSPEC spec{};
};

struct Attachment {
    VesselRecord *owner = nullptr;
    bool toParent = false;
    VECTOR3 pos = vec(0, 0, 0), dir = vec(0, 0, 0), rot = vec(0, 0, 0);
    std::string id;
    bool loose = false;
};

struct DockPort {
    VesselRecord *owner = nullptr;
    UINT index = 0;
    VECTOR3 pos = vec(0, 0, 0), dir = vec(0, 0, 1), rot = vec(0, 1, 0);
    VesselRecord *mate = nullptr;
    UINT matePort = 0;
};

struct ClassCaps {
    double size = 0.0;
    VECTOR3 touchdown[3] = {vec(0, 0, 0), vec(0, 0, 0), vec(0, 0, 0)};
    VECTOR3 pmi = vec(0, 0, 0);
    VECTOR3 crossSections = vec(0, 0, 0);
    double cwZPos = 0.0, cwZNeg = 0.0, cwX = 0.0, cwY = 0.0;
    VECTOR3 rotDrag = vec(0, 0, 0);
    double pitchMomentScale = 0.0;
    double bankMomentScale = 0.0;
    VECTOR3 cameraOffset = vec(0, 0, 0);
    SURFHANDLE reentryTexture = nullptr;
    double reentryPLimit = 0.0, reentryLScale = 0.0, reentryWScale = 0.0;
};

struct VesselRecord {
    std::string name;
    std::string className;
    const ClassInfo *builtin = nullptr;  // the class compiled into the process, if it is one
    LoadedModule *module = nullptr;      // the module this vessel loaded, if any
    VESSEL *instance = nullptr;          // null before ovcInit and after ovcExit
    VESSEL2 *callbacks = nullptr;
    bool hostInstance = false;  // a plain vessel: the instance is the host's own VESSEL2
    bool acceptsFocus = true;   // its class lets it take the keyboard focus
    bool alive = false;         // in the vessel list
    bool marked = false;        // deletion requested: destroyed at the end of the frame
    bool traceOn = false;       // record the host calls it makes (see World::setTrace)
    std::size_t listIndex = 0;  // its place in the world's vessel list

    // State, relative to the reference body.
    VECTOR3 rpos = vec(0, 0, 0);  // m
    VECTOR3 rvel = vec(0, 0, 0);  // m/s
    VECTOR3 avel = vec(0, 0, 0);  // rad/s, local frame
    MATRIX3 rot = identity();     // local -> global
    int status = 0;               // kFreeFlight or kLanded
    const CelestialBody *body = nullptr;  // its reference body; null: the world's
    // Where a landed vessel stands, in degrees: longitude, latitude and heading. Kept as the
    // scenario or the touchdown gave them, so that saving writes back the same numbers;
    // rpos and rot follow from them (Surface.cpp).
    struct Spot {
        double lng = 0.0, lat = 0.0, heading = 0.0;
    } spot;
    double emptyMass = 0.0;  // kg

    ClassCaps caps;
    std::vector<MeshSlot> meshes;
    std::vector<Animation> animations;
    std::deque<AnimationComponent> animComponents;
    std::deque<Tank> tanks;
    Tank *defaultTank = nullptr;
    std::deque<Thruster> thrusters;
    std::deque<ThrusterGroup> groups;
    std::array<ThrusterGroup *, kNamedGroupTypes>
        groupByType{};  // last group created per standard type
    std::deque<Exhaust> exhausts;
    std::deque<ParticleStream> streams;
    std::deque<Attachment> attachments;
    std::vector<Attachment *> toParent, toChild;  // the attachments, in creation order per kind
    std::deque<DockPort> docks;

    std::string dockInfo;  // DOCKINFO text read from the scenario, made by load()
    std::vector<std::string> keptLines;  // default lines the host keeps without modelling

    std::vector<std::string> trace;  // the calls recorded while traceOn

    double mass() const;     // empty mass + all propellant
    bool thrusting() const;  // some thruster is at a level above 0
    OBJHANDLE handle() const { return handle_; }
    void setHandle(OBJHANDLE h) { handle_ = h; }  // by the VesselTable that holds the record

private:
    OBJHANDLE handle_ = nullptr;
};

}  // namespace sim

#endif
