// The headless host's world: the vessel list, time and the step, and everything a vessel
// module's calls act on. The host API functions (oapi*, VESSEL, VESSEL2) act on the current
// world.
//
// One world is current at a time: constructing a World makes it current, destroying it
// restores whatever was current before.
//
// Time. The world advances in fixed steps of `WorldOptions::step` seconds, and each step
// is one frame of the simulator:
//   1. pending pilot inputs (thruster group levels) are applied;
//   2. clbkPreStep of every vessel, in list order, with the frame's start time T0;
//   3. every vessel's state at T1 = T0 + step is worked out (Motion.cpp); thrusters on an
//      empty tank are set to level 0;
//   4. clbkPostStep of every vessel, in list order, with T1;
//   5. the new state becomes the vessels' own: until now every state a module reads is the
//      state at T0, in pre-step and post-step alike;
//   6. the vessels whose deletion was asked for (in this frame, or since the last one) are
//      destroyed (Lifecycle.cpp);
//   7. animations that started or stopped moving are logged.
// oapiGetSimTime() answers T0 throughout the frame, and oapiGetSimStep() the length of the
// step in progress or last completed (0 before the first step). Anything done between two
// steps (a key, a timeline's action) belongs to the frame of the next step.
//
// The world's concepts each have a file of their own:
//   World.cpp          the step, lookups, the event log and the world-wide services
//   VesselTable.*      vessel handles, and the records behind them
//   ModuleLoader.*     vessel classes, class config files (ClassConfig.*) and modules
//   Lifecycle.cpp      creating and deleting vessels
//   ScenarioState.cpp  loading and saving vessels through scenario blocks, state lines
//   VesselStatus.cpp   VESSELSTATUS records in and out
//   Motion.cpp         thrust, propellant, gravity, motion; pilot and outside actions that move
//   Bodies.*           the reference bodies, their gravity and surface frames
//   Loads.cpp          air and ground loads on a moving vessel (Atmosphere.*, Aerodynamics.*,
//                      Touchdown.*), control surfaces, flight data
//   Surface.cpp        landed vessels: standing, touching down, lifting off, their status
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

#include "Aerodynamics.h"
#include "Bases.h"
#include "Bodies.h"
#include "EventLog.h"
#include "Keys.h"
#include "Math3.h"
#include "ModuleLoader.h"
#include "Orbitersdk.h"
#include "ScenarioFile.h"
#include "VesselRecord.h"
#include "VesselTable.h"

namespace sim {

// What the host does when a destroyed vessel's handle is used. In the simulator the handle
// is a dangling pointer and any use of it a crash.
enum class DestroyedHandles {
    kReport,     // an error event (ev::kDestroyedHandle) and a null answer: the run fails
    kAnswerNull  // a null answer and nothing else, for a test that wants a kinder host
};

// The keyboard state the host hands with each buffered key event. The simulator reads the
// keyboard once a frame, before that frame's key events, and hands every event of the frame
// that one snapshot: a key pressed and released within the frame arrives as a press whose
// state already shows it up.
enum class KeyStates {
    kFrameSnapshot,  // one snapshot a frame, as the simulator does
    kPerEvent        // each event with the state of its own moment, for a kinder host
};

// One buffered key event.
struct KeyInput {
    int key = 0;
    bool down = true;
};

struct WorldOptions {
    std::string root = ".";  // runtime root: config/vessels/ and modules/ are found there
    std::uint64_t seed = 1;  // seed of oapiRand
    double step = 0.1;       // fixed step length, s
    DestroyedHandles destroyedHandles = DestroyedHandles::kReport;
    // Global position of the world's reference body; the other bodies keep their places
    // around it. Away from the origin on purpose, so that code mixing up the relative and the
    // global frame shows.
    VECTOR3 bodyPosition = vec(1e11, -2e10, 3e9);
    // The world's reference body (Bodies.h), that of every vessel whose status names no
    // other; an empty world takes the body the first vessel of a scenario names.
    std::string bodyName = "Earth";
    // Height of the ground above the body's mean radius, the same everywhere, m; negative
    // where the terrain lies below it. A scenario may set it (ScenarioFile::surfaceElevation).
    double surfaceElevation = 0.0;
    KeyStates keyStates = KeyStates::kFrameSnapshot;
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
    // A class compiled into the process. Takes precedence over a class config of the same
    // name, and needs none.
    void registerClass(const std::string &name, std::function<VESSEL *(OBJHANDLE, int)> init,
                       std::function<void(VESSEL *)> exit) {
        classes_.registerClass(name, std::move(init), std::move(exit));
    }
    // Whether vessels of the class can be made with their module: compiled in, or a class
    // config file whose module (if it names one) is there. False with a message naming the
    // class and the file. (The host itself makes plain vessels of a class whose module is
    // missing; a tool checking its input asks this first.)
    bool checkClass(const std::string &name, std::string *error = nullptr) {
        VesselClass c;
        if (!classes_.findClass(name, c, error))
            return false;
        if (!c.missingModule.empty() && error)
            *error = c.missingModule;
        return c.missingModule.empty();
    }
    // While one lives, each class config file is read once (a scenario's load holds them):
    // otherwise a vessel's class is read afresh for it, as the simulator does.
    class HeldClasses {
    public:
        explicit HeldClasses(World &w) : w_(w) { w_.classes_.hold(); }
        ~HeldClasses() { w_.classes_.release(); }
        HeldClasses(const HeldClasses &) = delete;
        HeldClasses &operator=(const HeldClasses &) = delete;

    private:
        World &w_;
    };
    // Modules loaded now (each stays loaded while a vessel of it exists).
    std::size_t loadedModules() const { return classes_.loadedCount(); }
    std::size_t classConfigReads() const { return classes_.configReads(); }

    // --- Vessel lifecycle (Lifecycle.cpp) ---------------------------------------------------
    // Creates a vessel as oapiCreateVessel does: its class config read, its module loaded,
    // ovcInit, clbkSetClassCaps, the status, clbkPostCreation. Null and a message only for a
    // class without a class config (where the simulator stops). Any name is taken, blanks
    // and every other byte included, and names need not be unique. A class whose module
    // cannot be loaded, or whose ovcInit makes no instance, gives a plain vessel (with an
    // error event), as a class config without a module does: it exists with the host's
    // default behaviour and none of the module's callbacks, and its interface's Version() is
    // 0.
    //
    // A vessel created inside a callback exists at once: it is in the vessel list, has an
    // interface and can be found by name. At the list's end, it gets the rest of the frame's
    // callbacks (its pre-step too when made in a pre-step, and then it moves in this frame).
    OBJHANDLE createVessel(const std::string &name, const std::string &className,
                           const VESSELSTATUS &status, std::string *error = nullptr);
    // Asks for a vessel's deletion as oapiDeleteVessel does: the vessel is only marked, and
    // true. Until the end of the frame (step 6 above; for a request between steps, the
    // next step's) it stays in the vessel list, found by index, by name and by handle, and
    // its callbacks of the frame still run. Then the marked vessels are destroyed in reverse
    // list order: docked mates are released, a vessel with the focus hands it to the nearest
    // other vessel that accepts it, ovcExit runs, the record is freed, and the handle names a
    // destroyed vessel from then on. The second argument is the simulator's camera target,
    // which the headless host has no use for.
    bool deleteVessel(OBJHANDLE vessel, OBJHANDLE cameraTarget = nullptr);

    // --- Scenario state (ScenarioState.cpp, VesselStatus.cpp) --------------------------------
    // Loads the ships of a scenario into the world and sets its focus. Every class is checked
    // before any vessel is made, so an unknown class leaves the world unchanged. On failure
    // returns false with a message.
    //
    // Each vessel is made (its set-up runs), then, as in the simulator, every tank is emptied
    // and every thruster level set to 0, and its block goes to clbkLoadStateEx with a
    // VESSELSTATUS2 that ParseScenarioLineEx fills from the default lines; that state is
    // applied when the callback returns. So a tank that no PRPLEVEL names starts empty.
    bool load(const ScenarioFile &scenario, std::string *error = nullptr);
    // Saves every vessel in list order through clbkSaveState, and the focus. Nothing is
    // logged: whoever writes the result to a file says when it is saved (ev::kSaved).
    ScenarioFile save();
    // The next line of the block being loaded, for oapiReadScenario_nextline.
    bool readLine(FILEHANDLE scn, char *&line);
    // A line of the vessel being saved, for oapiWriteScenario_string and SaveDefaultState.
    void writeLine(FILEHANDLE scn, const std::string &line);
    // The default state lines: ParseScenarioLineEx (into the status clbkLoadStateEx was
    // handed; any other is refused with an error event) and SaveDefaultState.
    void parseDefaultLine(VesselRecord &v, char *line, void *status);
    void saveDefaultState(const VesselRecord &v, FILEHANDLE scn);
    // A VESSELSTATUS into a vessel, in two halves around its class set-up: first its
    // status, position, velocity and rotation (or where it stands, when landed); then, with
    // `withLevels`, its fuel and engine levels, which need the vessel's tanks and groups, and
    // where it finally is (settle), which needs its touchdown points.
    void applyStatus(VesselRecord &v, const VESSELSTATUS &status, bool withLevels);
    // GetStatus: the vessel's VESSELSTATUS.
    void fillStatus(const VesselRecord &v, VESSELSTATUS &status) const;

    // --- The reference body and its surface (Surface.cpp, Bodies.h) ---------------------------
    const CelestialBody &body() const { return *body_; }
    // A vessel's own reference body, and the height of the ground from its centre.
    const CelestialBody &bodyOf(const VesselRecord &v) const { return v.body ? *v.body : *body_; }
    double groundRadius(const VesselRecord &v) const {
        return bodyOf(v).radius + surfaceElevation_;
    }
    // Distance of the ground from the body's centre, m.
    double groundRadius() const { return body_->radius + surfaceElevation_; }
    // How far the vessel's body has turned at the moment the vessels' states describe,
    // radians east: the longitude of the body's meridian 0 in global axes. The turn follows
    // the date (Bodies.h), so a scenario saved and loaded again finds the body as it left it.
    double turnOf(const VesselRecord &v) const {
        const CelestialBody &b = bodyOf(v);
        return startTurn_[bodyIndex(b)] + rotationRate(b) * (moving_ ? movingTo_ : frameTime());
    }
    // Stands the vessel on the surface at `spot`, upright on its touchdown points, at rest
    // on the ground: it moves with the turning surface.
    void land(VesselRecord &v, const VesselRecord::Spot &spot);
    // Where a vessel at its present position and orientation would stand.
    VesselRecord::Spot spotOf(const VesselRecord &v) const;
    // Once a vessel's state is given (by a scenario block or a status): a landed one is stood
    // at its spot, and a free one inside the body is moved out to 1.1 body radii, as the
    // simulator does for a vessel it creates there.
    void settle(VesselRecord &v);
    // A landed vessel moved from outside, or pushed up harder than its weight, flies free;
    // the log tells the push (a move from outside is logged as such).
    void liftOff(VesselRecord &v, bool pushed = false);

    // --- Time (World.cpp) -------------------------------------------------------------------
    void step(int n = 1);
    void runUntil(double simt);  // steps while the time is below simt
    double time() const { return simt_; }
    // The time has come to t: a little slack, so that a time that is a whole number of steps
    // is not missed, and overshot by one step, through rounding. A t that is not a number
    // counts as reached, so that nothing waits for it for ever.
    bool reached(double t) const { return !(simt_ + options_.step * 1e-9 < t); }
    // The simulation time a module is told (oapiGetSimTime): within a frame, its start.
    double frameStartTime() const { return frameTime(); }
    // The date at simulation time simt, MJD: the date at time 0 (the loaded scenario's, or
    // the turning epoch when it gives none, where every body starts at turn 0) plus simt.
    // The step callbacks are handed it, and a saved scenario carries it.
    double dateAt(double simt) const { return startMjd_ + simt / kSecondsPerDay; }
    // Sets the date at time 0, and with it each body's turn then.
    void setStartDate(double mjd);
    // What moves in a step: a vessel's position, velocity, rotation and where it stands.
    struct Motion {
        VECTOR3 rpos, rvel, avel;
        MATRIX3 rot;
        int status;
        VesselRecord::Spot spot;
    };
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
    // Sets the rotation matrix, as SetRotationMatrix does: a landed vessel takes its new
    // heading where it stands.
    void turn(VesselRecord &v, const MATRIX3 &R);
    void setAngularVelocity(OBJHANDLE vessel, const VECTOR3 &avel);

    // --- Air and ground (Loads.cpp) -------------------------------------------------------------
    // The pilot's command for the vessel's control surfaces of this type, -1..1: they move
    // towards it at 1 per second.
    void commandControlSurface(OBJHANDLE vessel, AIRCTRL_TYPE type, double level);
    // Height above the body's mean radius, m; the air there, and the vessel's air data.
    double altitude(const VesselRecord &v) const { return length(v.rpos) - bodyOf(v).radius; }
    AirData airDataOf(const VesselRecord &v) const;
    // Landed, or some touchdown point with a spring on or in the ground.
    bool groundContact(const VesselRecord &v) const;

    // --- Docking and focus (Docking.cpp) -------------------------------------------------------
    // Docks b's port pb to a's port pa; false if a port is missing or taken. Aligning moves b
    // to a (port on port, directions opposite, rotation references parallel) and gives it a's
    // velocity, and a's landed or free state; afterwards docked vessels keep their own
    // motion.
    bool dock(OBJHANDLE a, UINT pa, OBJHANDLE b, UINT pb, bool align = true);
    // Releases whatever is docked at the vessel's port; false if nothing was.
    bool undock(OBJHANDLE vessel, UINT port);
    OBJHANDLE setFocus(OBJHANDLE vessel);  // returns the previous focus
    OBJHANDLE focus() const { return focus_ ? focus_->handle() : nullptr; }

    // --- Keys (Keys.cpp) ----------------------------------------------------------------------
    // The buffered key events of one frame for the focus vessel, in order, all with the one
    // keyboard state of the frame (WorldOptions::keyStates): the keys in `held` are down in
    // it, and every other key as its last event in the frame leaves it. Returns for each
    // event whether the vessel consumed it (false when there is no focus vessel).
    std::vector<bool> keyFrame(const std::vector<KeyInput> &events,
                               const std::vector<int> &held = {});
    // A frame with a single key event.
    bool keyEvent(int key, bool down = true, const std::vector<int> &held = {}) {
        return keyFrame({KeyInput{key, down}}, held).front();
    }
    // oapiAcceptDelayedKey, as the simulator answers it: the host remembers one key, the one
    // it last accepted, and when. It refuses only that same key, less than `interval`
    // seconds after it was accepted, and not in the same frame; any other key is accepted
    // and takes its place. The host's real-time clock is the frame's simulation time at its
    // start (the headless host has no time acceleration), so runs stay repeatable.
    bool acceptDelayedKey(char key, double interval);

    // --- Lookup and inspection (World.cpp) ------------------------------------------------------
    // The first vessel in list order with this name, letter case aside, as the simulator's
    // oapiGetObjectByName finds it; null if none.
    OBJHANDLE find(const std::string &name) const;
    // The record of a vessel in the list (marked for deletion or not); null for a destroyed
    // or unknown handle. For looking at a vessel: it reports nothing.
    const VesselRecord *record(OBJHANDLE vessel) const { return table_.find(vessel); }
    VesselTable::State handleState(OBJHANDLE vessel) const { return table_.state(vessel); }
    const std::vector<VesselRecord *> &vessels() const { return list_; }
    std::size_t vesselSlots() const { return table_.slotCount(); }  // never above the peak
    std::size_t registeredParts() const { return handles_.size(); }
    OBJHANDLE vesselAt(std::size_t index) const;                          // in list order, or null
    VESSEL *interfaceOf(OBJHANDLE vessel, const char *use = "a lookup");  // of a live vessel
    OBJHANDLE bodyHandle() const { return bodyHandleOf(*body_); }
    // Where a body's centre lies: the world's own body at options().bodyPosition, the others
    // at their fixed places around it.
    VECTOR3 bodyPosition(const CelestialBody &b) const {
        return options_.bodyPosition + b.offset - body_->offset;
    }
    VECTOR3 globalPos(const VesselRecord &v) const { return bodyPosition(bodyOf(v)) + v.rpos; }
    // The surface base whose object handle `h` is, or null.
    const SurfaceBase *baseOfHandle(const void *h) const { return bases_.baseOfHandle(h); }

    // --- Event log and call traces (World.cpp) --------------------------------------------------
    const std::vector<Event> &events() const { return events_; }
    // Uses of destroyed vessels' handles so far (ev::kDestroyedHandle events, also counted
    // after the log is cleared).
    std::size_t destroyedHandleUses() const { return destroyedHandleUses_; }
    // Called with every such event as it is logged, whatever world logs it: test support
    // turns it into a test failure.
    static void setDestroyedHandleObserver(std::function<void(const Event &)> observer);
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
        kAnimComponent = 1,
        kTank,
        kThruster,
        kGroup,
        kStream,
        kAttachment,
        kDock,
        kMesh,
        kTexture,
        kAirfoil
    };
    // The live vessel a handle names, for a use of it by a module or from outside (`use`
    // names it in the message). A destroyed vessel's handle is an error (unless the world
    // answers null for them) and gives null, as does an unknown one.
    VesselRecord *resolve(OBJHANDLE vessel, const char *use) {
        VesselRecord *v = table_.find(vessel);
        return v ? v : resolveMissing(vessel, use);
    }
    // Every handle of a part the host hands out is registered with its kind, and forgotten
    // with its vessel.
    void registerHandle(const void *h, HandleKind kind) { handles_[h] = kind; }
    // A part the vessel took back (ClearThrusterDefinitions, ...): its handle names nothing.
    void forgetHandle(const void *h) { handles_.erase(h); }
    // A handle of the given kind belonging to `owner` (any owner if null), or null.
    template <class T>
    T *handleOf(const void *h, HandleKind kind, const VesselRecord *owner) const;
    MESHHANDLE loadMesh(const char *name);
    SURFHANDLE registerTexture(const char *name);
    double random();

private:
    // Marks a stretch of callbacks into modules with the vessel whose callback runs, so the
    // calls made from it are traced to it and named in messages.
    class Dispatch {
    public:
        Dispatch(World &w, VesselRecord *v) : w_(w), saved_(w.callbackVessel_) {
            w_.callbackVessel_ = v;
        }
        void enter(VesselRecord *v) { w_.callbackVessel_ = v; }
        ~Dispatch() { w_.callbackVessel_ = saved_; }

    private:
        World &w_;
        VesselRecord *saved_;
    };
    struct ScnReader;
    struct ScnWriter;
    struct BlockState;

    // Lifecycle.cpp
    // A new record in the table and at the end of the list, of a class found already.
    VesselRecord *makeRecord(const std::string &name, const VesselClass &cls);
    // The instance: the class's own, or a plain one (with an error event when the class's
    // module cannot be loaded or its ovcInit made none); then clbkSetClassCaps.
    void instantiate(VesselRecord &v, const VesselClass &cls);
    void releaseInstance(VesselRecord &v);
    // Step 6 of the frame: every vessel marked for deletion is destroyed.
    void destroyMarked();
    void destroy(VesselRecord &v);
    // Frees the record and everything of it the world keeps.
    void forget(VesselRecord &v);
    // The name as byName_ files it: letters in upper case.
    static std::string nameKey(const std::string &name);
    // resolve() for a handle that names no live vessel: null, and a destroyed vessel's
    // handle reported as the world's options say.
    VesselRecord *resolveMissing(OBJHANDLE vessel, const char *use);
    // ScenarioState.cpp
    void makeDockInfo(VesselRecord &v);
    // A vessel's block through clbkLoadStateEx, and the state it described applied after.
    void loadBlock(VesselRecord &v, const ShipBlock &block);
    // The default parser's lines: where the vessel is and how it moves; the others.
    static bool readMotionLine(BlockState &st, const char *line);
    static bool readOtherLine(VesselRecord &v, BlockState &st, const char *line);
    // The body, the orbit given as elements, the pad and the kept lines a block named.
    void placeFromBlock(VesselRecord &v, const BlockState &st);
    // ScenarioPlaces.cpp
    // Checks the bodies the scenario's STATUS lines name and the bases its BASE lines name;
    // false with a message naming the vessel's line for one the host does not know. An empty
    // world takes the first vessel's body as its own.
    bool chooseBody(const ScenarioFile &scenario, std::string *error);
    // Where the pad a BASE line's "<base>:<pad>" names lies; false with the reason in error.
    bool basePad(const CelestialBody &body, std::string_view baseWords, PadSpot &spot,
                 std::string &error);
    // Surface.cpp
    // A free vessel that has reached the ground comes to rest on it.
    void checkTouchdown(VesselRecord &v);
    void fillLandedStatus(const VesselRecord &v, VESSELSTATUS &status) const;
    // Motion.cpp
    void applyPilotInputs();
    void moveVessel(VesselRecord &v, double dt);
    void moveVesselBy(VesselRecord &v, double dt);  // one part of a step
    // Loads.cpp: the air's and the ground's loads over the step: turns the vessel by their
    // torque (and its own turning's coupling) and returns their velocity change, global axes.
    VECTOR3 applyLoads(VesselRecord &v, double dt);
    // Burns the lit thrusters' propellant over the step, turns the vessel by their torque and
    // returns the velocity change their force gives, in the global frame.
    VECTOR3 applyThrust(VesselRecord &v, double dt);
    // Sets a position or a velocity from outside, and logs it.
    // Refused (and logged) when the value is not within `limit` either way (Math3.h).
    void setStateVector(OBJHANDLE h, VECTOR3 VesselRecord::*field, const char *what,
                        const VECTOR3 &value, double limit);
    // World.cpp
    // A step callback (clbkPreStep, clbkPostStep) of every vessel in the list, in list order,
    // a vessel made meanwhile (at the list's end) included.
    void callEachVessel(void (VESSEL2::*callback)(double, double, double), double simt, double dt);
    // Steps 3 and 5 of the frame (Motion.cpp moves each vessel): the new state is worked out
    // before the post-steps and becomes the vessels' own only after them.
    void stageMotion(double dt);
    void commitMotion();
    static Motion motionOf(const VesselRecord &v);
    static void setMotion(VesselRecord &v, const Motion &m);
    void trackAnimations();
    // The world-wide record of a mesh or texture by name, made on first use.
    template <class Record>
    Record &namedRecord(std::map<std::string, std::unique_ptr<Record>> &records, const char *name,
                        HandleKind kind);

    static World *current_;

    WorldOptions options_;
    World *previous_ = nullptr;
    ModuleLoader classes_;

    VesselTable table_;  // every vessel in the list, by handle
    // The vessel list: a new vessel joins at the end, and the last takes the place of one
    // that leaves (VesselRecord::listIndex is each one's place).
    std::vector<VesselRecord *> list_;
    // The vessels of each name (nameKey), in no particular order.
    std::unordered_map<std::string, std::vector<VesselRecord *>> byName_;
    // Every part handle handed out, by address: what kind of record it is.
    std::unordered_map<const void *, HandleKind> handles_;
    std::vector<VesselRecord *> marked_;  // deletion requested, in the order asked
    std::vector<VesselRecord *> stepSnapshot_;
    struct FrameMotion {
        Motion start, end;
    };
    std::vector<FrameMotion> frameMotion_;  // per stepSnapshot_ entry
    std::vector<PilotInput> pilotInputs_;
    VesselRecord *callbackVessel_ = nullptr;
    VesselRecord *focus_ = nullptr;
    bool traceNew_ = false;
    std::size_t destroyedHandleUses_ = 0;

    std::map<std::string, std::unique_ptr<MeshRecord>> meshes_;
    std::map<std::string, std::unique_ptr<TextureRecord>> textures_;

    double simt_ = 0.0;
    double lastStep_ = 0.0;
    std::uint64_t steps_ = 0;
    std::uint64_t rng_;
    // The frame in progress, or the next one between steps (Keys.cpp uses it).
    bool inStep_ = false;
    double frameStart_ = 0.0;  // simulation time at the start of the step in progress
    // While the step's motion is worked out (stageMotion), the time the state being worked
    // out describes: the end of the part of the step in progress (Motion.cpp).
    bool moving_ = false;
    double movingTo_ = 0.0;
    std::uint64_t frame() const { return inStep_ ? steps_ : steps_ + 1; }
    double frameTime() const { return inStep_ ? frameStart_ : simt_; }
    int delayedKey_ = -1;                // oapiAcceptDelayedKey's memory: the last key it accepted,
    double delayedKeyTime_ = 0.0;        // when,
    std::uint64_t delayedKeyFrame_ = 0;  // and in which frame

    ScnReader *reader_ = nullptr;  // the block being loaded, if any
    ScnWriter *writer_ = nullptr;  // the vessel being saved, if any
    int configToken_ = 0;          // its address is the config handle

    std::vector<std::string> description_;  // of the last scenario loaded, saved again
    std::vector<KeptSection> keptSections_;  // likewise
    std::vector<Event> events_;
    const CelestialBody *body_ = nullptr;
    double surfaceElevation_ = 0.0;  // m, see WorldOptions
    BaseDirectory bases_{options_.root};
    bool hasScenarioMjd_ = false;             // the loaded scenario gave its date
    double startMjd_ = kTurnEpochMjd;         // the date at time 0, see dateAt()
    std::array<double, kBodyCount> startTurn_{};  // each body's turn at time 0, radians
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
