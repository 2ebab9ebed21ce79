// The headless host's world: vessels, their host-side records, time, keyboard, focus and the
// event log. The host API functions (oapi*, VESSEL, VESSEL2) act on the current world.
//
// One world is current at a time: constructing a World makes it current, destroying it
// restores whatever was current before.
//
// Time. The world advances in fixed steps of `WorldOptions::step` seconds. One step is:
//   1. pending pilot inputs (thruster group levels) are applied;
//   2. clbkPreStep of every vessel, in list order;
//   3. every vessel moves: thrust from each thruster's level along its direction turned into
//      the global frame, propellant drawn at thrust / (isp * efficiency) from the thruster's
//      tank (a thruster without a tank, or with an empty one, gives no thrust); the velocity
//      change follows the rocket equation over the step, the position the mean velocity; the
//      angular velocity follows the thrusters' torque over the principal moments of inertia,
//      and the rotation follows the angular velocity; mass = empty mass + all propellant;
//   4. the simulation time advances by the step;
//   5. clbkPostStep of every vessel, in list order;
//   6. animations that started or stopped moving are logged.
// Pre- and post-step receive the simulation time at the end of the step and the step length.
// oapiGetSimStep() answers the length of the step in progress or last completed (0 before
// the first step).
//
// Vessels created or deleted while callbacks run:
//   - A vessel created inside a callback exists at once: it is in the vessel list, has an
//     interface and can be found by name. It moves and receives pre/post-step callbacks from
//     the next step on.
//   - A vessel deleted inside a callback leaves the vessel list at once, and its handle's
//     interface is null at once. Its instance is handed to ovcExit only after the callback
//     loop in progress ends (the step, or the key dispatch, ...), so a running callback never
//     loses its own object. A deleted vessel receives no further callbacks.
//   - Vessel handles stay unique: a deleted vessel's record is kept as a tombstone and never
//     reused, so the handle of a deleted vessel and any pointer the host never handed out
//     answer null from oapiGetVesselInterface.
//
// Docking aligns the second vessel to the first (port on port, directions opposite, rotation
// references parallel) and gives it the first one's velocity; afterwards docked vessels keep
// their own motion.
#ifndef VEMO_SIM_WORLD_H
#define VEMO_SIM_WORLD_H

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "Math3.h"
#include "Orbitersdk.h"
#include "ScenarioFile.h"

namespace sim {

struct WorldOptions {
    std::string root = ".";  // runtime root: modules are loaded from <root>/modules
    std::uint64_t seed = 1;  // seed of oapiRand
    double step = 0.1;       // fixed step length, s
    // Global position of the reference body. Away from the origin on purpose, so that code
    // mixing up the relative and the global frame shows.
    VECTOR3 bodyPosition = vec(1e11, -2e10, 3e9);
    std::string bodyName = "Earth";
};

// Event kinds in the log. Texts are plain sentences for a user.
namespace ev {
constexpr const char *Created = "created";        // vessel created
constexpr const char *Deleted = "deleted";        // vessel deleted
constexpr const char *Focus = "focus";            // focus moved to this vessel
constexpr const char *Key = "key";                // key event and whether consumed
constexpr const char *Mesh = "mesh";              // mesh visibility changed
constexpr const char *ThrusterGroup = "thgroup";  // thruster group created
constexpr const char *Level = "level";            // thruster group level changed
constexpr const char *Pilot = "pilot";            // pilot command without a group
constexpr const char *TankEmpty = "tank";         // a tank ran empty
constexpr const char *Animation = "animation";    // animation starts moving / comes to rest
constexpr const char *Attachment = "attachment";  // attachment point created or changed
constexpr const char *Dock = "dock";              // docked
constexpr const char *Undock = "undock";          // undocked
constexpr const char *ScenarioLine = "line";      // a line reached the default parser
constexpr const char *Saved = "saved";            // scenario saved
constexpr const char *Moved = "moved";            // position/velocity set from outside
constexpr const char *Error = "error";            // a request the host refused
}  // namespace ev

struct Event {
    double time = 0.0;   // simulation time, s
    std::string vessel;  // vessel name, empty for world events
    std::string kind;    // one of ev::*
    std::string text;
};

// ---------------------------------------------------------------------------------------
// Host-side records. Handles given to modules are addresses of these records; they stay
// valid for the world's life.
// ---------------------------------------------------------------------------------------
struct VesselRecord;

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
    double level = 0.0;   // 0..1
};

struct ThrusterGroup {
    VesselRecord *owner = nullptr;
    THGROUP_TYPE type = THGROUP_MAIN;
    std::vector<Thruster *> thrusters;  // members in the order given
    double level = 0.0;                 // as last set
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

struct ClassInfo;

struct VesselRecord {
    std::uint64_t serial = 0;  // creation order, never reused
    std::string name;
    std::string className;
    const ClassInfo *cls = nullptr;
    VESSEL *instance = nullptr;  // null before ovcInit and after ovcExit
    VESSEL2 *callbacks = nullptr;
    bool alive = false;    // in the vessel list
    bool traceOn = false;  // record the host calls it makes (see World::setTrace)

    // State, relative to the reference body.
    VECTOR3 rpos = vec(0, 0, 0);  // m
    VECTOR3 rvel = vec(0, 0, 0);  // m/s
    VECTOR3 avel = vec(0, 0, 0);  // rad/s, local frame
    MATRIX3 rot = identity();     // local -> global
    int status = 0;               // 0 free flight, 1 landed
    double emptyMass = 0.0;       // kg

    ClassCaps caps;
    std::vector<MeshSlot> meshes;
    std::vector<Animation> animations;
    std::deque<AnimationComponent> animComponents;
    std::deque<Tank> tanks;
    Tank *defaultTank = nullptr;
    std::deque<Thruster> thrusters;
    std::deque<ThrusterGroup> groups;
    std::array<ThrusterGroup *, 15> groupByType{};  // last group created per standard type
    std::deque<Exhaust> exhausts;
    std::deque<ParticleStream> streams;
    std::deque<Attachment> attachments;
    std::vector<Attachment *> toParent, toChild;  // the attachments, in creation order per kind
    std::deque<DockPort> docks;

    std::string dockInfo;  // DOCKINFO text read from the scenario, made by load()

    std::vector<std::string> trace;  // the calls recorded while traceOn

    double mass() const;  // empty mass + all propellant
    bool thrusting() const;  // some thruster is at a level above 0
    OBJHANDLE handle() const { return const_cast<VesselRecord *>(this); }
};

// A vessel class: either compiled into the process or loaded from a module.
struct ClassInfo {
    std::string name;
    std::function<VESSEL *(OBJHANDLE, int)> init;
    std::function<void(VESSEL *)> exit;
    std::string modulePath;  // empty for in-process classes
};

// A pilot's command as the timeline gives it.
struct PilotInput {
    OBJHANDLE vessel = nullptr;
    THGROUP_TYPE type = THGROUP_MAIN;
    double level = 0.0;
};

class World {
public:
    explicit World(WorldOptions options = {});
    ~World();
    World(const World &) = delete;
    World &operator=(const World &) = delete;

    static World *current() { return current_; }

    const WorldOptions &options() const { return options_; }

    // --- Classes ---------------------------------------------------------------------------
    // A class compiled into the process. Takes precedence over a module of the same name.
    void registerClass(const std::string &name, std::function<VESSEL *(OBJHANDLE, int)> init,
                       std::function<void(VESSEL *)> exit);
    // A class compiled into the process that every world made afterwards knows.
    static void registerBuiltinClass(const std::string &name,
                                     std::function<VESSEL *(OBJHANDLE, int)> init,
                                     std::function<void(VESSEL *)> exit);
    // Finds the class, loading <root>/modules/<name>.dll when it is not registered. On
    // failure returns null and puts a message naming the class and the folder in `error`.
    const ClassInfo *findClass(const std::string &name, std::string *error = nullptr);

    // --- Vessels ---------------------------------------------------------------------------
    // Creates a vessel as oapiCreateVessel does: ovcInit, clbkSetClassCaps, the status,
    // clbkSetStateEx, clbkPostCreation. Null and a message on failure (unknown class, name in
    // use or empty, instance not made).
    OBJHANDLE createVessel(const std::string &name, const std::string &className,
                           const VESSELSTATUS &status, std::string *error = nullptr);
    // Deletes a vessel as oapiDeleteVessel does; false if it is not a live vessel.
    bool deleteVessel(OBJHANDLE vessel, OBJHANDLE focusAlternative = nullptr);

    // Loads the ships of a scenario into the world and sets its focus. Every class is checked
    // before any vessel is made, so an unknown class leaves the world unchanged. On failure
    // returns false with a message.
    bool load(const ScenarioFile &scenario, std::string *error = nullptr);
    // Saves every vessel in list order through clbkSaveState, and the focus.
    ScenarioFile save();

    // --- Time ------------------------------------------------------------------------------
    void step(int n = 1);
    void runUntil(double simt);  // steps while the time is below simt
    double time() const { return simt_; }
    double lastStep() const { return lastStep_; }
    std::uint64_t stepCount() const { return steps_; }

    // --- Pilot and outside actions ----------------------------------------------------------
    // A buffered key event for the focus vessel; `held` are further keys down at the time.
    // Returns whether the vessel consumed it (false when there is no focus vessel).
    bool keyEvent(int key, bool down = true, const std::vector<int> &held = {});
    // Sets the level of the vessel's group of this type at the start of the next step, as the
    // pilot would. Logged and dropped if the vessel has no such group then.
    void commandGroupLevel(OBJHANDLE vessel, THGROUP_TYPE type, double level);
    // Places a vessel relative to the reference body.
    void setPosition(OBJHANDLE vessel, const VECTOR3 &rpos);
    void setVelocity(OBJHANDLE vessel, const VECTOR3 &rvel);
    // Places a vessel at `offset` in the local frame of `other`, with other's velocity plus
    // `relVel` (given in other's local frame).
    void placeNear(OBJHANDLE vessel, OBJHANDLE other, const VECTOR3 &offset,
                   const VECTOR3 &relVel = vec(0, 0, 0));
    void setRotation(OBJHANDLE vessel, const MATRIX3 &R);
    void setAngularVelocity(OBJHANDLE vessel, const VECTOR3 &avel);
    // Docks b's port pb to a's port pa; false if a port is missing or taken.
    bool dock(OBJHANDLE a, UINT pa, OBJHANDLE b, UINT pb, bool align = true);
    // Releases whatever is docked at the vessel's port; false if nothing was.
    bool undock(OBJHANDLE vessel, UINT port);
    OBJHANDLE setFocus(OBJHANDLE vessel);  // returns the previous focus
    OBJHANDLE focus() const;

    // --- Lookup and inspection ---------------------------------------------------------------
    OBJHANDLE find(const std::string &name) const;           // live vessels only
    const VesselRecord *record(OBJHANDLE vessel) const;      // live or deleted; null if unknown
    const VesselRecord *liveRecord(OBJHANDLE vessel) const;  // live only
    const std::vector<VesselRecord *> &vessels() const { return list_; }
    OBJHANDLE vesselAt(std::size_t index) const;  // in list order, or null
    const std::vector<Event> &events() const { return events_; }
    std::vector<Event> eventsOfKind(const std::string &kind) const;
    void clearEvents() { events_.clear(); }
    OBJHANDLE bodyHandle() const;
    VECTOR3 globalPos(const VesselRecord &v) const { return options_.bodyPosition + v.rpos; }

    // Call trace: the names of the host calls a vessel makes (VESSEL methods on it, and
    // global functions called from its callbacks), in order.
    void setTrace(OBJHANDLE vessel, bool on);
    // Trace every vessel from its creation on (to see the calls made in set-up).
    void setTraceNew(bool on) { traceNew_ = on; }

    // --- For the host API implementation -------------------------------------------------------
    VesselRecord *resolve(OBJHANDLE vessel) const;     // live vessel or null
    VesselRecord *resolveAny(OBJHANDLE vessel) const;  // live or deleted, or null
    // A sub-handle of the given kind belonging to `owner` (any owner if null), or null.
    template <class T>
    T *handleOf(const void *h, int kind, const VesselRecord *owner) const;
    void registerHandle(const void *h, int kind) { handles_[h] = kind; }
    void log(const VesselRecord *v, const char *kind, std::string text);
    // Records a host call of the vessel, or a global call made from its callbacks, when its
    // trace is on.
    void traceCall(VesselRecord *v, const char *call);
    void traceGlobal(const char *call) { traceCall(callbackVessel_, call); }
    MESHHANDLE loadMesh(const char *name);
    SURFHANDLE registerTexture(const char *name);
    double random();
    bool acceptDelayedKey(char key, double interval);
    bool readLine(FILEHANDLE scn, char *&line);
    void writeLine(FILEHANDLE scn, const std::string &line);
    bool isConfigHandle(FILEHANDLE h) const;
    void applyStatus(VesselRecord &v, const VESSELSTATUS &status, bool withLevels);
    void fillStatus(const VesselRecord &v, VESSELSTATUS &status) const;
    void parseDefaultLine(VesselRecord &v, char *line);
    void saveDefaultState(const VesselRecord &v, FILEHANDLE scn);
    void setGroupLevel(VesselRecord &v, ThrusterGroup &g, double level);
    VESSEL *interfaceOf(OBJHANDLE vessel) const;

    enum HandleKind {
        kVessel = 1,
        kAnimComponent,
        kTank,
        kThruster,
        kGroup,
        kStream,
        kAttachment,
        kDock,
        kMesh,
        kTexture
    };

private:
    struct Module;
    struct ScnReader;
    struct ScnWriter;
    class Dispatch;  // marks a callback loop; flushes deferred exits when the outermost ends

    static World *current_;

    VesselRecord *makeRecord(const std::string &name, const std::string &className);
    bool instantiate(VesselRecord &v, std::string *error);
    void finishDeletes();
    void makeDockInfo(VesselRecord &v);
    void releaseInstance(VesselRecord &v);
    void moveVessel(VesselRecord &v, double dt);
    // Burns the lit thrusters' propellant over the step, turns the vessel by their torque and
    // returns the velocity change their force gives, in the global frame.
    VECTOR3 applyThrust(VesselRecord &v, double dt);
    void applyPilotInputs();
    void trackAnimations();
    std::string validName(const std::string &name, std::string *error) const;
    void listRemove(VesselRecord *v);

    WorldOptions options_;
    World *previous_ = nullptr;

    std::map<std::string, std::unique_ptr<ClassInfo>> classes_;
    std::map<std::string, std::unique_ptr<Module>> modules_;  // by class name
    std::vector<Module *> moduleOrder_;                       // load order

    std::deque<VesselRecord> records_;  // every vessel ever made; never shrinks
    std::vector<VesselRecord *> list_;  // live vessels in list order
    std::unordered_map<std::string, VesselRecord *> byName_;  // live vessels
    // Every handle handed out, vessels included, by address: what kind of record it is.
    std::unordered_map<const void *, int> handles_;
    std::vector<VesselRecord *> pendingExit_;
    std::vector<VesselRecord *> stepSnapshot_;
    std::vector<PilotInput> pilotInputs_;
    int dispatchDepth_ = 0;
    VesselRecord *callbackVessel_ = nullptr;
    VesselRecord *focus_ = nullptr;
    bool traceNew_ = false;
    std::uint64_t nextSerial_ = 1;

    std::map<std::string, std::unique_ptr<MeshRecord>> meshes_;
    std::map<std::string, std::unique_ptr<TextureRecord>> textures_;

    double simt_ = 0.0;
    double lastStep_ = 0.0;
    std::uint64_t steps_ = 0;
    std::uint64_t rng_;
    std::array<double, 256> keyAccepted_;

    std::unique_ptr<ScnReader> reader_;  // the block being loaded, if any
    std::unique_ptr<ScnWriter> writer_;  // the vessel being saved, if any
    int configToken_ = 0;                // its address is the config handle

    std::vector<std::string> description_;  // of the last scenario loaded, saved again
    std::vector<Event> events_;
    struct Body {
        int tag = 0;
    } body_;
};

template <class T>
T *World::handleOf(const void *h, int kind, const VesselRecord *owner) const {
    const auto found = handles_.find(h);
    if (found == handles_.end() || found->second != kind)
        return nullptr;
    T *p = static_cast<T *>(const_cast<void *>(h));
    if (owner && p->owner != owner)
        return nullptr;
    return p;
}

// Key names for logs and timelines: the host's key codes of letters, digits and a few others.
const char *keyName(int code);         // "K", "E", ... or null if unnamed
int keyCode(const std::string &name);  // -1 if unknown

// Names of the thruster group types as the world's "level" events give them ("main",
// "pitch up", ...; "user" past the named ones).
const char *groupTypeName(THGROUP_TYPE t);
// What a mesh visibility mode means in words ("shown in external views", ...), or
// "in visibility mode N" for a mode the host does not name.
std::string visibilityText(WORD mode);

// A status for a free vessel at rpos with velocity rvel and no rotation.
VESSELSTATUS makeStatus(const VECTOR3 &rpos = vec(0, 0, 0), const VECTOR3 &rvel = vec(0, 0, 0));

}  // namespace sim

#endif
