// The headless host's world: the vessel list, time and the step, and everything a vessel
// module's calls act on. The host API functions (oapi*, VESSEL, VESSEL2) act on the current
// world.
//
// One world is current at a time: constructing a World makes it current, destroying it
// restores whatever was current before.
//
// Time. The world advances in fixed steps of `WorldOptions::step` seconds. One step is:
//   1. pending pilot inputs (thruster group levels) are applied;
//   2. clbkPreStep of every vessel, in list order;
//   3. every vessel moves (Motion.cpp);
//   4. the simulation time advances by the step;
//   5. clbkPostStep of every vessel, in list order;
//   6. animations that started or stopped moving are logged.
// Pre- and post-step receive the simulation time at the end of the step and the step length.
// oapiGetSimStep() answers the length of the step in progress or last completed (0 before
// the first step).
//
// The world's concepts each have a file of their own:
//   World.cpp          the step, lookups, the event log and the world-wide services
//   ModuleLoader.*     vessel classes, in-process or loaded from modules
//   Lifecycle.cpp      creating and deleting vessels
//   ScenarioState.cpp  loading and saving vessels through scenario blocks, state lines
//   VesselStatus.cpp   VESSELSTATUS records in and out
//   Motion.cpp         thrust, propellant, motion; pilot and outside actions that move
//   Docking.cpp        docking ports and the focus vessel
//   Keys.*             key names and buffered key events
//   HostApi*.cpp       the host API on top of all these
#ifndef VEMO_SIM_WORLD_H
#define VEMO_SIM_WORLD_H

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "EventLog.h"
#include "Keys.h"
#include "Math3.h"
#include "ModuleLoader.h"
#include "Orbitersdk.h"
#include "ScenarioFile.h"
#include "VesselRecord.h"

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

// A pilot's command, applied at the start of the next step.
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

    // --- Classes (ModuleLoader) -------------------------------------------------------------
    // A class compiled into the process. Takes precedence over a module of the same name.
    void registerClass(const std::string &name, std::function<VESSEL *(OBJHANDLE, int)> init,
                       std::function<void(VESSEL *)> exit) {
        classes_.registerClass(name, std::move(init), std::move(exit));
    }
    // Finds the class, loading <root>/modules/<name>.dll when it is not registered. On
    // failure returns null and puts a message naming the class and the folder in `error`.
    const ClassInfo *findClass(const std::string &name, std::string *error = nullptr) {
        return classes_.findClass(name, error);
    }

    // --- Vessel lifecycle (Lifecycle.cpp) ---------------------------------------------------
    // Creates a vessel as oapiCreateVessel does: ovcInit, clbkSetClassCaps, the status,
    // clbkSetStateEx, clbkPostCreation. Null and a message on failure (unknown class, name in
    // use or empty, instance not made).
    //
    // A vessel created inside a callback exists at once: it is in the vessel list, has an
    // interface and can be found by name. It moves and receives pre/post-step callbacks from
    // the next step on.
    OBJHANDLE createVessel(const std::string &name, const std::string &className,
                           const VESSELSTATUS &status, std::string *error = nullptr);
    // Deletes a vessel as oapiDeleteVessel does; false if it is not a live vessel.
    //
    // A vessel deleted inside a callback leaves the vessel list at once, and its handle's
    // interface is null at once. Its instance is handed to ovcExit only after the callback
    // loop in progress ends (the step, or the key dispatch, ...), so a running callback never
    // loses its own object. A deleted vessel receives no further callbacks. Its record stays
    // as a tombstone and is never reused, so the handle of a deleted vessel, like any pointer
    // the host never handed out, answers null from oapiGetVesselInterface.
    bool deleteVessel(OBJHANDLE vessel, OBJHANDLE focusAlternative = nullptr);

    // --- Scenario state (ScenarioState.cpp, VesselStatus.cpp) --------------------------------
    // Loads the ships of a scenario into the world and sets its focus. Every class is checked
    // before any vessel is made, so an unknown class leaves the world unchanged. On failure
    // returns false with a message.
    bool load(const ScenarioFile &scenario, std::string *error = nullptr);
    // Saves every vessel in list order through clbkSaveState, and the focus. Nothing is
    // logged: whoever writes the result to a file says when it is saved (ev::kSaved).
    ScenarioFile save();
    // The next line of the block being loaded, for oapiReadScenario_nextline.
    bool readLine(FILEHANDLE scn, char *&line);
    // A line of the vessel being saved, for oapiWriteScenario_string and SaveDefaultState.
    void writeLine(FILEHANDLE scn, const std::string &line);
    // The default state lines: ParseScenarioLineEx and SaveDefaultState.
    void parseDefaultLine(VesselRecord &v, char *line);
    void saveDefaultState(const VesselRecord &v, FILEHANDLE scn);
    // A VESSELSTATUS into a vessel: its position, velocity and rotation, and with
    // `withLevels` its fuel and engine levels, which need the vessel's tanks and groups.
    void applyStatus(VesselRecord &v, const VESSELSTATUS &status, bool withLevels);
    // GetStatus: the vessel's VESSELSTATUS.
    void fillStatus(const VesselRecord &v, VESSELSTATUS &status) const;

    // --- Time (World.cpp) -------------------------------------------------------------------
    void step(int n = 1);
    void runUntil(double simt);  // steps while the time is below simt
    double time() const { return simt_; }
    double lastStep() const { return lastStep_; }
    std::uint64_t stepCount() const { return steps_; }

    // --- Motion and outside actions (Motion.cpp) ----------------------------------------------
    // Sets the level of the vessel's group of this type at the start of the next step, as the
    // pilot would. Logged and dropped if the vessel has no such group then.
    void commandGroupLevel(OBJHANDLE vessel, THGROUP_TYPE type, double level);
    // Sets a thruster group's level, and the level of each of its thrusters.
    void setGroupLevel(VesselRecord &v, ThrusterGroup &g, double level);
    // Places a vessel relative to the reference body. A position beyond kMaxDistance or a
    // velocity beyond kMaxSpeed (Math3.h) is refused and logged.
    void setPosition(OBJHANDLE vessel, const VECTOR3 &rpos);
    void setVelocity(OBJHANDLE vessel, const VECTOR3 &rvel);
    // Places a vessel at `offset` in the local frame of `other`, with other's velocity plus
    // `relVel` (given in other's local frame); nothing beyond those limits.
    void placeNear(OBJHANDLE vessel, OBJHANDLE other, const VECTOR3 &offset,
                   const VECTOR3 &relVel = vec(0, 0, 0));
    void setRotation(OBJHANDLE vessel, const MATRIX3 &R);
    void setAngularVelocity(OBJHANDLE vessel, const VECTOR3 &avel);

    // --- Docking and focus (Docking.cpp) -------------------------------------------------------
    // Docks b's port pb to a's port pa; false if a port is missing or taken. Aligning moves b
    // to a (port on port, directions opposite, rotation references parallel) and gives it a's
    // velocity; afterwards docked vessels keep their own motion.
    bool dock(OBJHANDLE a, UINT pa, OBJHANDLE b, UINT pb, bool align = true);
    // Releases whatever is docked at the vessel's port; false if nothing was.
    bool undock(OBJHANDLE vessel, UINT port);
    OBJHANDLE setFocus(OBJHANDLE vessel);  // returns the previous focus
    OBJHANDLE focus() const { return focus_ ? focus_->handle() : nullptr; }

    // --- Keys (Keys.cpp) ----------------------------------------------------------------------
    // A buffered key event for the focus vessel; `held` are further keys down at the time.
    // Returns whether the vessel consumed it (false when there is no focus vessel).
    bool keyEvent(int key, bool down = true, const std::vector<int> &held = {});
    // oapiAcceptDelayedKey: the host remembers when it last accepted each key.
    bool acceptDelayedKey(char key, double interval);

    // --- Lookup and inspection (World.cpp) ------------------------------------------------------
    OBJHANDLE find(const std::string &name) const;           // live vessels only
    const VesselRecord *record(OBJHANDLE vessel) const;      // live or deleted; null if unknown
    const VesselRecord *liveRecord(OBJHANDLE vessel) const;  // live only
    const std::vector<VesselRecord *> &vessels() const { return list_; }
    OBJHANDLE vesselAt(std::size_t index) const;  // in list order, or null
    VESSEL *interfaceOf(OBJHANDLE vessel) const;  // of a live vessel, or null
    OBJHANDLE bodyHandle() const;
    VECTOR3 globalPos(const VesselRecord &v) const { return options_.bodyPosition + v.rpos; }

    // --- Event log and call traces (World.cpp) --------------------------------------------------
    const std::vector<Event> &events() const { return events_; }
    std::vector<Event> eventsOfKind(const std::string &kind) const;
    void clearEvents() { events_.clear(); }
    void log(const VesselRecord *v, const char *kind, std::string text);
    // Call trace: the names of the host calls a vessel makes (VESSEL methods on it, and
    // global functions called from its callbacks), in order.
    void setTrace(OBJHANDLE vessel, bool on);
    // Trace every vessel from its creation on (to see the calls made in set-up).
    void setTraceNew(bool on) { traceNew_ = on; }
    // Records a host call of the vessel, or a global call made from its callbacks, when its
    // trace is on.
    void traceCall(VesselRecord *v, const char *call);
    void traceGlobal(const char *call) { traceCall(callbackVessel_, call); }
    // The vessel whose callback is running, or null outside callbacks.
    const VesselRecord *callbackVessel() const { return callbackVessel_; }

    // --- Handles and world-wide services (World.cpp) -------------------------------------------
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
    VesselRecord *resolve(OBJHANDLE vessel) const;     // live vessel or null
    VesselRecord *resolveAny(OBJHANDLE vessel) const;  // live or deleted, or null
    // Every handle the host hands out is registered with its kind.
    void registerHandle(const void *h, HandleKind kind) { handles_[h] = kind; }
    // A handle of the given kind belonging to `owner` (any owner if null), or null.
    template <class T>
    T *handleOf(const void *h, HandleKind kind, const VesselRecord *owner) const;
    MESHHANDLE loadMesh(const char *name);
    SURFHANDLE registerTexture(const char *name);
    double random();

private:
    // Marks a loop of callbacks into modules and the vessel whose callback runs. Deletions
    // requested inside are finished (ovcExit) when the outermost one ends.
    class Dispatch {
    public:
        Dispatch(World &w, VesselRecord *v) : w_(w), saved_(w.callbackVessel_) {
            ++w_.dispatchDepth_;
            w_.callbackVessel_ = v;
        }
        void enter(VesselRecord *v) { w_.callbackVessel_ = v; }
        ~Dispatch() {
            w_.callbackVessel_ = saved_;
            if (--w_.dispatchDepth_ == 0)
                w_.finishDeletes();
        }

    private:
        World &w_;
        VesselRecord *saved_;
    };
    struct ScnReader;
    struct ScnWriter;

    // Lifecycle.cpp
    VesselRecord *makeRecord(const std::string &name, const std::string &className);
    bool instantiate(VesselRecord &v, std::string *error);
    void releaseInstance(VesselRecord &v);
    void finishDeletes();
    std::string validName(const std::string &name, std::string *error) const;
    void listRemove(VesselRecord *v);
    // ScenarioState.cpp
    void makeDockInfo(VesselRecord &v);
    // Motion.cpp
    void applyPilotInputs();
    void moveVessel(VesselRecord &v, double dt);
    // Burns the lit thrusters' propellant over the step, turns the vessel by their torque and
    // returns the velocity change their force gives, in the global frame.
    VECTOR3 applyThrust(VesselRecord &v, double dt);
    // Sets a position or a velocity from outside, and logs it.
    // Refused (and logged) when the value is not within `limit` either way (Math3.h).
    void setStateVector(OBJHANDLE h, VECTOR3 VesselRecord::*field, const char *what,
                        const VECTOR3 &value, double limit);
    // World.cpp
    // A step callback (clbkPreStep, clbkPostStep) of every vessel that began the step and is
    // still there, in list order; a vessel made meanwhile waits for the next step.
    void callEachVessel(void (VESSEL2::*callback)(double, double, double), double simt, double dt);
    void trackAnimations();
    // The world-wide record of a mesh or texture by name, made on first use.
    template <class Record>
    Record &namedRecord(std::map<std::string, std::unique_ptr<Record>> &records, const char *name,
                        HandleKind kind);

    static World *current_;

    WorldOptions options_;
    World *previous_ = nullptr;
    ModuleLoader classes_;

    std::deque<VesselRecord> records_;  // every vessel ever made; never shrinks
    std::vector<VesselRecord *> list_;  // live vessels in list order
    std::unordered_map<std::string, VesselRecord *> byName_;  // live vessels
    // Every handle handed out, vessels included, by address: what kind of record it is.
    std::unordered_map<const void *, HandleKind> handles_;
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
    std::array<double, kMaxKeyCode + 1> keyAccepted_;

    ScnReader *reader_ = nullptr;  // the block being loaded, if any
    ScnWriter *writer_ = nullptr;  // the vessel being saved, if any
    int configToken_ = 0;          // its address is the config handle

    std::vector<std::string> description_;  // of the last scenario loaded, saved again
    std::vector<Event> events_;
    struct Body {
        int tag = 0;
    } body_;
};

template <class T>
T *World::handleOf(const void *h, HandleKind kind, const VesselRecord *owner) const {
    const auto found = handles_.find(h);
    if (found == handles_.end() || found->second != kind)
        return nullptr;
    T *p = static_cast<T *>(const_cast<void *>(h));
    if (owner && p->owner != owner)
        return nullptr;
    return p;
}

// A status for a free vessel at rpos with velocity rvel and no rotation.
VESSELSTATUS makeStatus(const VECTOR3 &rpos = vec(0, 0, 0), const VECTOR3 &rvel = vec(0, 0, 0));

}  // namespace sim

#endif
