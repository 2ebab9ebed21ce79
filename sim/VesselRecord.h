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
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Math3.h"
#include "Orbitersdk.h"

namespace sim {

struct CelestialBody;
struct SurfaceBase;

struct ClassInfo;
struct LoadedModule;
struct VesselRecord;

// Thruster group types with a name of their own, THGROUP_MAIN to THGROUP_ATT_BACK.
constexpr int kNamedGroupTypes = THGROUP_ATT_BACK + 1;

// A vessel's status, as VESSELSTATUS::status and the STATUS scenario line give it.
constexpr int kFreeFlight = 0;
constexpr int kLanded = 1;

// A vessel's parts of one kind, in the order made. They never move once made (their
// addresses are their handles), and nothing is allocated before the first: most vessels make
// none of most kinds.
template <class T>
class Parts {
public:
    using value_type = T;
    using iterator = typename std::deque<T>::iterator;
    using const_iterator = typename std::deque<T>::const_iterator;

    Parts() = default;
    // A copy (of a record kept for comparison) has parts of its own, as a copied deque has.
    Parts(const Parts &o)
        : parts_(o.parts_ ? std::make_unique<std::deque<T>>(*o.parts_) : nullptr) {}
    Parts &operator=(const Parts &o) {
        parts_ = o.parts_ ? std::make_unique<std::deque<T>>(*o.parts_) : nullptr;
        return *this;
    }
    Parts(Parts &&) noexcept = default;
    Parts &operator=(Parts &&) noexcept = default;

    bool empty() const { return !parts_ || parts_->empty(); }
    std::size_t size() const { return parts_ ? parts_->size() : 0; }
    T &operator[](std::size_t i) { return (*parts_)[i]; }
    const T &operator[](std::size_t i) const { return (*parts_)[i]; }
    T &front() { return parts_->front(); }
    const T &front() const { return parts_->front(); }
    T &back() { return parts_->back(); }
    const T &back() const { return parts_->back(); }
    template <class... Args>
    T &emplace_back(Args &&...args) {
        return made().emplace_back(std::forward<Args>(args)...);
    }
    void push_back(const T &part) { made().push_back(part); }
    void clear() { parts_.reset(); }
    iterator erase(iterator first, iterator last) {
        return parts_ ? parts_->erase(first, last) : iterator();
    }
    // Iterators of no parts compare equal, as value-initialised deque iterators do.
    iterator begin() { return parts_ ? parts_->begin() : iterator(); }
    iterator end() { return parts_ ? parts_->end() : iterator(); }
    const_iterator begin() const {
        return parts_ ? const_iterator(parts_->begin()) : const_iterator();
    }
    const_iterator end() const { return parts_ ? const_iterator(parts_->end()) : const_iterator(); }

private:
    std::deque<T> &made() {
        if (!parts_)
            parts_ = std::make_unique<std::deque<T>>();
        return *parts_;
    }
    std::unique_ptr<std::deque<T>> parts_;
};

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

// A wing or fin: its coefficients come from the module's function (Aerodynamics.cpp).
struct Airfoil {
    VesselRecord *owner = nullptr;
    AIRFOIL_ORIENTATION align = LIFT_VERTICAL;
    VECTOR3 ref = vec(0, 0, 0);  // where its force acts, vessel frame
    AirfoilCoeffFuncEx coeff = nullptr;
    void *context = nullptr;
    double chord = 0.0, area = 0.0, aspect = 0.0;  // m, m^2 (0: the cross-section), -
};

// An elevator, rudder, aileron, flap or trim tab, moving towards the pilot's command.
struct ControlSurface {
    AIRCTRL_TYPE type = AIRCTRL_ELEVATOR;
    double area = 0.0, dCl = 0.0;  // m^2, lift coefficient per unit of deflection
    VECTOR3 ref = vec(0, 0, 0);
    int axis = AIRCTRL_AXIS_XPOS;  // resolved: never AUTO
    UINT anim = static_cast<UINT>(-1);
    double level = 0.0, target = 0.0;  // -1..1
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
    double yawMomentScale = 0.0;
    double cogElevation = 0.0;  // m, height of the centre of gravity when standing
    LiftCoeffFunc liftCoeff = nullptr;  // kept; the host flies airfoils only
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
    // The pad a scenario stood the vessel on, and its place (Bases.h): the vessel stands on
    // it while it is landed there.
    struct OnPad {
        const SurfaceBase *base = nullptr;
        int index = -1;
        double lng = 0.0, lat = 0.0;
    } pad;
    double emptyMass = 0.0;  // kg

    ClassCaps caps;
    std::vector<MeshSlot> meshes;
    std::vector<Animation> animations;
    Parts<AnimationComponent> animComponents;
    Parts<Tank> tanks;
    Tank *defaultTank = nullptr;
    Parts<Thruster> thrusters;
    Parts<ThrusterGroup> groups;
    std::array<ThrusterGroup *, kNamedGroupTypes>
        groupByType{};  // last group created per standard type
    Parts<Exhaust> exhausts;
    Parts<ParticleStream> streams;
    Parts<Attachment> attachments;
    std::vector<Attachment *> toParent, toChild;  // the attachments, in creation order per kind
    Parts<DockPort> docks;
    Parts<Airfoil> airfoils;
    std::vector<ControlSurface> controlSurfaces;
    // Touchdown points with their springs: the vessel rests on the ground on them
    // (Touchdown.cpp). Empty for a vessel that set three plain points: it lands as a whole.
    std::vector<TOUCHDOWNVTX> touchdownPoints;

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
