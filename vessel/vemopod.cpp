// vemopod: a small crewed capsule with 22 attitude thrusters, one seat, and a deployment that
// ends in a one-shot retro engine. Its crew comes and goes through the crew library
// (CrewManager): on EVA with E, and back in through the airlock.
#include "vemopod.h"

#include <new>

// ==============================================================
// Some vessel parameters
// ==============================================================
namespace {

// Physical parameters
const double POD_EMPTY_MASS = 100.0;  // [kg]; also what an EVA leaves the capsule at
const double POD_SIZE = 8.0;          // mean radius [m]
const VECTOR3 POD_TOUCHDOWN[3] = {{{0.0, 17.0, -1.0}},  // [m]
                                  {{10.0, 10.0, -1.0}},
                                  {{-10.0, -10.0, -1.0}}};
const VECTOR3 POD_PMI = {{2.28, 2.15, 4.09}};            // principal moments / mass [m^2]
const VECTOR3 POD_CROSS_SECTIONS = {{5.3, 5.3, 42.15}};  // [m^2]
const double POD_CW_Z_POS = 0.7;                         // drag coefficients
const double POD_CW_Z_NEG = 0.7;
const double POD_CW_X = 0.9;
const double POD_CW_Y = 0.9;
const VECTOR3 POD_ROT_DRAG = {{0.7, 0.7, 0.3}};
const double POD_PITCH_MOMENT_SCALE = -0.0001;
const double POD_BANK_MOMENT_SCALE = -0.0001;
const VECTOR3 POD_CAMERA_OFFSET = {{0.0, 0.49, -0.2}};  // [m]

// Meshes and textures (host resources; the names are the host's)
const char POD_MESH_NAME[] = "vemopod";
const char CREW_MESH_NAME[] = "vemo/vemo";
const char CREW_COCKPIT_MESH_NAME[] = "vemo/vemovc";
char EXHAUST_TEXTURE_NAME[] = "exhaust_atrcs";  // the host's registration call takes char *
char REENTRY_TEXTURE_NAME[] = "reentry";
const UINT POD_MESH_INDEX = 0;
const UINT CREW_COCKPIT_MESH_INDEX = 2;  // crewCockpitMesh is the third mesh added

// Animations. The meshes as stored show the deployed capsule, hence initial state 1.
const double ANIM_INITIAL_STATE = 1.0;
UINT DEPLOY_ROTATION_GROUPS[] = {0, 1};  // pod mesh groups; never written
UINT DEPLOY_SCALE_GROUPS[] = {2, 3};
UINT COCKPIT_ROTATION_GROUPS[] = {11};                    // crew cockpit mesh group
const VECTOR3 DEPLOY_ROTATION_REF = {{0.0, 0.0, -0.45}};  // [m]
const VECTOR3 DEPLOY_ROTATION_AXIS = {{1.0, 0.0, 0.0}};
const double DEPLOY_ROTATION_ANGLE = 68.0;  // [deg]
const VECTOR3 DEPLOY_SCALE_REF = {{0.0, 0.0, 0.0}};
const VECTOR3 DEPLOY_SCALE = {{1000.0, 1000.0, 10.0}};
const VECTOR3 COCKPIT_ROTATION_REF = {{0.0, 0.5, 0.05}};  // [m]
const VECTOR3 COCKPIT_ROTATION_AXIS = {{1.0, 0.0, 0.0}};
const double COCKPIT_ROTATION_ANGLE = 180.0;          // [deg]
const double DEPLOY_ROTATION_RANGE[2] = {0.05, 0.9};  // animation states
const double DEPLOY_SCALE_RANGE[2] = {0.7, 0.75};
const double COCKPIT_ROTATION_RANGE[2] = {0.0, 1.0};

// Reentry
const double REENTRY_PLIMIT = 600000.0;  // [Pa]
const double REENTRY_LSCALE = 1.0;
const double REENTRY_WSCALE = 1.0;

// Propellant
const double RCS_PROPELLANT_MASS = 2.0;     // [kg]
const double ENGINE_PROPELLANT_MASS = 6.0;  // [kg]
const double TANK_START_FULL = -1.0;
const double TANK_EFFICIENCY = 1.0;

// Attitude thrusters: where they sit [m] and which way they push
const double RCS_THRUST = 5.0;                 // vacuum [N]
const double RCS_ISP = 40000.0;                // vacuum [m/s]
const double RCS_ISP_REF = 400000.0;           // at RCS_P_REF [m/s]
const double RCS_P_REF = 101400.0;             // [Pa]
const VECTOR3 NOSE = {{0.0, 0.0, 15.5}};       // [m]
const VECTOR3 TAIL = {{0.0, 0.0, -15.5}};      // [m]
const VECTOR3 STARBOARD = {{2.7, 0.0, 0.0}};   // [m], right
const VECTOR3 PORT = {{-2.7, 0.0, 0.0}};       // [m], left
const VECTOR3 FRONT_END = {{0.0, 0.0, 16.0}};  // [m]
const VECTOR3 BACK_END = {{0.0, 0.0, -16.0}};  // [m]
const VECTOR3 PUSH_UP = {{0.0, 1.0, 0.0}};
const VECTOR3 PUSH_DOWN = {{0.0, -1.0, 0.0}};
const VECTOR3 PUSH_RIGHT = {{1.0, 0.0, 0.0}};
const VECTOR3 PUSH_LEFT = {{-1.0, 0.0, 0.0}};
const VECTOR3 PUSH_FORWARD = {{0.0, 0.0, 1.0}};
const VECTOR3 PUSH_BACK = {{0.0, 0.0, -1.0}};

struct RcsThruster {
    VECTOR3 pos;  // [m]
    VECTOR3 dir;  // thrust direction
};
struct RcsGroup {
    THGROUP_TYPE type;
    int members[2];  // thrusters of the block, counted from 1, in group order; 0: none
};
struct RcsBlock {
    int count;  // thrusters in the block
    RcsThruster thrusters[4];
    RcsGroup groups[2];
};

// The 22 attitude thrusters, in the order they are created: block by block, each block's
// thrusters and then its two groups. Rotation and translation use separate thrusters of the
// same geometry, and no thruster is in two groups.
// clang-format off
const RcsBlock RCS_BLOCKS[] = {
    // pitch: thrusters 1-4
    {4, {{NOSE, PUSH_UP}, {TAIL, PUSH_DOWN}, {NOSE, PUSH_DOWN}, {TAIL, PUSH_UP}},
        {{THGROUP_ATT_PITCHUP, {1, 2}}, {THGROUP_ATT_PITCHDOWN, {3, 4}}}},
    // up and down: 5-8
    {4, {{NOSE, PUSH_UP}, {TAIL, PUSH_DOWN}, {NOSE, PUSH_DOWN}, {TAIL, PUSH_UP}},
        {{THGROUP_ATT_UP, {1, 4}}, {THGROUP_ATT_DOWN, {3, 2}}}},
    // yaw: 9-12
    {4, {{NOSE, PUSH_LEFT}, {TAIL, PUSH_RIGHT}, {NOSE, PUSH_RIGHT}, {TAIL, PUSH_LEFT}},
        {{THGROUP_ATT_YAWLEFT, {1, 2}}, {THGROUP_ATT_YAWRIGHT, {3, 4}}}},
    // left and right: 13-16
    {4, {{NOSE, PUSH_LEFT}, {TAIL, PUSH_RIGHT}, {NOSE, PUSH_RIGHT}, {TAIL, PUSH_LEFT}},
        {{THGROUP_ATT_LEFT, {1, 4}}, {THGROUP_ATT_RIGHT, {3, 2}}}},
    // bank: 17-20
    {4, {{STARBOARD, PUSH_UP}, {PORT, PUSH_DOWN}, {PORT, PUSH_UP}, {STARBOARD, PUSH_DOWN}},
        {{THGROUP_ATT_BANKLEFT, {1, 2}}, {THGROUP_ATT_BANKRIGHT, {3, 4}}}},
    // forward and back: 21-22
    {2, {{BACK_END, PUSH_FORWARD}, {FRONT_END, PUSH_BACK}},
        {{THGROUP_ATT_FORWARD, {1, 0}}, {THGROUP_ATT_BACK, {2, 0}}}},
};
// clang-format on

// Retro engine, created one step after full deployment
const VECTOR3 ENGINE_POS = {{0.0, 0.0, 1.0}};   // [m]
const VECTOR3 ENGINE_DIR = {{0.0, 0.0, -1.0}};  // thrust backwards
const double ENGINE_THRUST = 2000.0;            // vacuum [N]
const double ENGINE_ISP = 2500.0;               // vacuum [m/s]
const double ENGINE_ISP_REF = 2500.0;           // at ENGINE_P_REF [m/s]
const double ENGINE_P_REF = 101400.0;           // [Pa]
const double EXHAUST_LSCALE = 1.0;
const double EXHAUST_WSCALE = 0.1;
const VECTOR3 EXHAUST_POS = {{0.0, 0.02, 0.85}};  // [m]
const VECTOR3 EXHAUST_DIR = {{0.0, 0.0, 1.0}};
const VECTOR3 EXHAUST_STREAM_POS = {{0.0, 0.0, 1.0}};  // [m]
const double ENGINE_FULL_LEVEL = 1.0;

// Deployment
const double DEPLOY_RATE = 0.25;  // state per second of simulation time: 4 s in all
const double DEPLOYED = 1.0;

// Keys
const double KEY_REPEAT_DELAY = 1.0;  // [s], for K and E alike
const int KEY_CONSUMED = 1;
const int KEY_PASSED_ON = 0;

// Crew
const float AIRLOCK_MIN_X = -2.0f, AIRLOCK_MAX_X = 2.0f;  // [m], vessel frame
const float AIRLOCK_MIN_Y = -2.0f, AIRLOCK_MAX_Y = 2.0f;
const float AIRLOCK_MIN_Z = -2.0f, AIRLOCK_MAX_Z = 2.0f;
const VECTOR3 EVA_EXIT_OFFSET = {{0.0, 0.0, 0.0}};    // [m], vessel frame
const VECTOR3 EVA_EXIT_ROTATION = {{0.0, 0.0, 0.0}};  // [rad]
const int SEAT_COUNT = 1;

// Particle streams, fields in record order: flags, size [m], rate [1/s], velocity [m/s],
// velocity spread, lifetime [s], growth rate [m/s], slow-down in atmosphere; lighting, level
// mapping and its bounds, atmospheric mapping and its bounds; texture (0: the host's
// default). The host may keep their addresses, so they live in static storage.
// clang-format off
PARTICLESTREAMSPEC REENTRY_STREAM = {
    0, 20.0, 20.0, 0.0, 0.03, 0.5, 100.0, 3.0,
    PARTICLESTREAMSPEC::DIFFUSE, PARTICLESTREAMSPEC::LVL_FLAT, 1.0, 1.0,
    PARTICLESTREAMSPEC::ATM_PLIN, 60000000.0, 120000000.0, 0};
PARTICLESTREAMSPEC EXHAUST_STREAM = {
    0, 0.25, 1000.0, 150.0, 0.3, 0.25, 16.0, 0.0,
    PARTICLESTREAMSPEC::EMISSIVE, PARTICLESTREAMSPEC::LVL_PLIN, 0.0, 1.0,
    PARTICLESTREAMSPEC::ATM_PLIN, -0.01, 0.1, 0};
// clang-format on

// The three animation transforms are shared by every capsule of the module: the host keeps
// their addresses, so each is built once, on first use, and never copied or freed.
MGROUP_ROTATE &DeployRotation() {
    static MGROUP_ROTATE deployRotation(POD_MESH_INDEX, DEPLOY_ROTATION_GROUPS, 2,
                                        DEPLOY_ROTATION_REF, DEPLOY_ROTATION_AXIS,
                                        float(DEPLOY_ROTATION_ANGLE * RAD));
    return deployRotation;
}

MGROUP_SCALE &DeployScale() {
    static MGROUP_SCALE deployScale(POD_MESH_INDEX, DEPLOY_SCALE_GROUPS, 2, DEPLOY_SCALE_REF,
                                    DEPLOY_SCALE);
    return deployScale;
}

MGROUP_ROTATE &CockpitRotation() {
    static MGROUP_ROTATE cockpitRotation(CREW_COCKPIT_MESH_INDEX, COCKPIT_ROTATION_GROUPS, 1,
                                         COCKPIT_ROTATION_REF, COCKPIT_ROTATION_AXIS,
                                         float(COCKPIT_ROTATION_ANGLE * RAD));
    return cockpitRotation;
}

}  // namespace

// ==============================================================
// Overloaded callback functions
// ==============================================================
vemopod::vemopod(OBJHANDLE hVessel, int fmodel)
    : VESSEL2(hVessel, fmodel),
      deployState(0.0),
      cockpitAnimState(0.0),
      deploying(false),
      thrustLatched(false),
      engineCreated(false),
      rcsPropellant(nullptr),
      enginePropellant(nullptr),
      engineThruster(nullptr),
      engineGroup(nullptr),
      podMesh(nullptr),
      crewMesh(nullptr),
      crewCockpitMesh(nullptr),
      deployAnim(0),
      cockpitAnim(0),
      exhaustTexture(nullptr),
      reentryTexture(nullptr),
      crewMeshIndex(0),
      crewCockpitMeshIndex(0),
      keptCrewLines(),
      crewInitResult(0),
      crew() {}

// Set the capabilities of the vessel class. The configuration file is not used: every value
// is fixed above.
void vemopod::clbkSetClassCaps(FILEHANDLE cfg) {
    // physical vessel parameters
    SetEmptyMass(POD_EMPTY_MASS);
    SetSize(POD_SIZE);
    SetTouchdownPoints(POD_TOUCHDOWN[0], POD_TOUCHDOWN[1], POD_TOUCHDOWN[2]);
    SetPMI(POD_PMI);
    SetCrossSections(POD_CROSS_SECTIONS);
    SetCW(POD_CW_Z_POS, POD_CW_Z_NEG, POD_CW_X, POD_CW_Y);
    SetPitchMomentScale(POD_PITCH_MOMENT_SCALE);
    SetBankMomentScale(POD_BANK_MOMENT_SCALE);
    SetCameraOffset(POD_CAMERA_OFFSET);

    SetUpMeshes();
    SetUpAnimations();

    // reentry
    SetRotDrag(POD_ROT_DRAG);
    AddReentryStream(&REENTRY_STREAM);
    reentryTexture = oapiRegisterReentryTexture(REENTRY_TEXTURE_NAME);
    SetReentryTexture(reentryTexture, REENTRY_PLIMIT, REENTRY_LSCALE, REENTRY_WSCALE);

    // propellant resources; the engine's tank is the default
    rcsPropellant = CreatePropellantResource(RCS_PROPELLANT_MASS, TANK_START_FULL, TANK_EFFICIENCY);
    enginePropellant =
        CreatePropellantResource(ENGINE_PROPELLANT_MASS, TANK_START_FULL, TANK_EFFICIENCY);
    SetDefaultPropellantResource(enginePropellant);

    CreateAttitudeThrusters();
    SetUpCrew();
}

// Meshes and exhaust texture; the crew stays hidden until someone comes aboard through the
// airlock, even when the scenario brings crew with it.
void vemopod::SetUpMeshes() {
    podMesh = oapiLoadMeshGlobal(POD_MESH_NAME);
    crewMesh = oapiLoadMeshGlobal(CREW_MESH_NAME);
    crewCockpitMesh = oapiLoadMeshGlobal(CREW_COCKPIT_MESH_NAME);
    exhaustTexture = oapiRegisterExhaustTexture(EXHAUST_TEXTURE_NAME);
    InsertMesh(podMesh, POD_MESH_INDEX);
    SetMeshVisibilityMode(POD_MESH_INDEX, MESHVIS_ALWAYS);
    crewMeshIndex = AddMesh(crewMesh);
    crewCockpitMeshIndex = AddMesh(crewCockpitMesh);
    SetMeshVisibilityMode(crewMeshIndex, MESHVIS_NEVER);
    SetMeshVisibilityMode(crewCockpitMeshIndex, MESHVIS_NEVER);
}

// The deployment animation, stowed, and the cockpit animation, which nothing moves later.
void vemopod::SetUpAnimations() {
    MGROUP_ROTATE &deployRotation = DeployRotation();
    MGROUP_SCALE &deployScale = DeployScale();
    deployAnim = CreateAnimation(ANIM_INITIAL_STATE);
    deployState = 0.0;
    AddAnimationComponent(deployAnim, DEPLOY_ROTATION_RANGE[0], DEPLOY_ROTATION_RANGE[1],
                          &deployRotation);
    AddAnimationComponent(deployAnim, DEPLOY_SCALE_RANGE[0], DEPLOY_SCALE_RANGE[1], &deployScale);
    SetAnimation(deployAnim, deployState);

    MGROUP_ROTATE &cockpitRotation = CockpitRotation();
    cockpitAnim = CreateAnimation(ANIM_INITIAL_STATE);
    cockpitAnimState = 0.0;
    AddAnimationComponent(cockpitAnim, COCKPIT_ROTATION_RANGE[0], COCKPIT_ROTATION_RANGE[1],
                          &cockpitRotation);
    SetAnimation(cockpitAnim, cockpitAnimState);
}

// The attitude thrusters (RCS_BLOCKS), all on the small tank, in their groups.
void vemopod::CreateAttitudeThrusters() {
    for (const RcsBlock &block : RCS_BLOCKS) {
        THRUSTER_HANDLE th[4];
        for (int i = 0; i < block.count; ++i) {
            th[i] = CreateThruster(block.thrusters[i].pos, block.thrusters[i].dir, RCS_THRUST,
                                   rcsPropellant, RCS_ISP, RCS_ISP_REF, RCS_P_REF);
        }
        for (const RcsGroup &group : block.groups) {
            THRUSTER_HANDLE members[2];
            int count = 0;
            for (int member : group.members) {
                if (member != 0) {
                    members[count++] = th[member - 1];
                }
            }
            CreateThrusterGroup(members, count, group.type);
        }
    }
}

// The crew, in this order: the last two calls need the airlock that DefineAirlockShape
// completes. None of the results is acted on here; a manager that failed to set up (the
// companion module is missing) refuses every later crew call.
void vemopod::SetUpCrew() {
    crewInitResult = crew.InitCrewManager(GetHandle());
    crew.ReadCompanionVersion();
    crew.DefineAirlockShape(AIRLOCK_DOOR_OPEN, AIRLOCK_MIN_X, AIRLOCK_MAX_X, AIRLOCK_MIN_Y,
                            AIRLOCK_MAX_Y, AIRLOCK_MIN_Z, AIRLOCK_MAX_Z);
    crew.SetEvaPositionRotation(EVA_EXIT_OFFSET, EVA_EXIT_ROTATION);
    crew.SetMaxSeatCount(SEAT_COUNT);
}

// Read the scenario: the host's default lines and the crew roster. The deployment is not
// kept, so a capsule always loads stowed and without an engine.
void vemopod::clbkLoadStateEx(FILEHANDLE scn, void *status) {
    keptCrewLines.Clear();
    char *line = nullptr;
    while (oapiReadScenario_nextline(scn, line)) {
        // A crew line the roster refuses is not lost: it is kept for saving, and goes to the
        // host like any other line.
        if (crew.LoadCrewLine(line) != CREW_OK) {
            keptCrewLines.Keep(line);
            ParseScenarioLineEx(line, status);
        }
    }
}

// Every step, in this order: engine, latch, full thrust, advance, clamp, animation,
// returning crew. Allocates nothing.
void vemopod::clbkPostStep(double simt, double simdt, double mjd) {
    // Looks at the state the previous step left, so the engine appears one step after the
    // capsule is fully deployed.
    if (deployState >= DEPLOYED && !engineCreated) {
        CreateEngine();
    }
    // A one-shot engine: the first positive level the host reports fires it for good.
    if (engineCreated && GetThrusterGroupLevel(engineGroup) > 0.0) {
        thrustLatched = true;
    }
    if (thrustLatched) {
        SetThrusterGroupLevel(engineGroup, ENGINE_FULL_LEVEL);
    }
    if (deploying) {
        deployState += oapiGetSimStep() * DEPLOY_RATE;
    }
    if (deployState >= DEPLOYED) {
        deployState = DEPLOYED;
        deploying = false;
    }
    SetAnimation(deployAnim, deployState);

    // A member back through the airlock is seen again; one handed over by a docked vessel
    // (CREW_HANDED_OVER) leaves the crew meshes as they are.
    if (crew.ProcessReturningCrew() == CREW_BACK_FROM_EVA) {
        SetMeshVisibilityMode(crewMeshIndex, MESHVIS_EXTERNAL);
        SetMeshVisibilityMode(crewCockpitMeshIndex, MESHVIS_COCKPIT);
    }
}

// Keys: K deploys, E sends the first crew member out. Both need someone aboard. The decision
// is made from the keyboard state, so Shift, Ctrl or Alt held change nothing, and from the
// press itself: the host reads the keyboard once a frame, so a key tapped within one frame
// arrives as a press whose state already shows it up. The host reports releases too, with
// a state that may still show K or E held: a release is taken or passed on as a press would
// be, but starts nothing, or one press would act twice.
int vemopod::clbkConsumeBufferedKey(DWORD key, bool down, char *kstate) {
    if (kstate == nullptr) {
        return KEY_PASSED_ON;
    }
    const bool kHeld = KEYDOWN(kstate, OAPI_KEY_K) || (down && key == OAPI_KEY_K);
    const bool eHeld = KEYDOWN(kstate, OAPI_KEY_E) || (down && key == OAPI_KEY_E);
    if (kHeld && crew.GetCrewCount() != 0) {
        if (down && oapiAcceptDelayedKey(OAPI_KEY_K, KEY_REPEAT_DELAY)) {
            deploying = true;
        }
        return KEY_CONSUMED;
    }
    if (!eHeld) {
        return KEY_PASSED_ON;
    }
    if (!down || !oapiAcceptDelayedKey(OAPI_KEY_E, KEY_REPEAT_DELAY)) {
        return KEY_CONSUMED;
    }
    if (crew.GetCrewCount() == 0) {
        return KEY_CONSUMED;
    }
    if (crew.EvaCrewMember(crew.GetCrewNameBySlot(0)) != CREW_EVA) {
        return KEY_CONSUMED;  // refused, or handed over to a docked vessel
    }
    // The roster removal took the member's weight off; members loaded from a scenario never
    // added theirs, so the capsule goes back to its own class mass.
    SetEmptyMass(POD_EMPTY_MASS);
    // Without a vessel under the new crew member's name there is nothing to follow, so the
    // focus stays where it is rather than being handed a null vessel.
    OBJHANDLE evaVessel = crew.GetLastEvaVessel();
    if (evaVessel != nullptr) {
        oapiSetFocusObject(evaVessel);
    }
    SetMeshVisibilityMode(crewMeshIndex, MESHVIS_NEVER);
    SetMeshVisibilityMode(crewCockpitMeshIndex, MESHVIS_NEVER);
    return KEY_CONSUMED;
}

// Write the scenario: the host's default lines, then the crew.
void vemopod::clbkSaveState(FILEHANDLE scn) {
    SaveDefaultState(scn);
    crew.SaveCrewLines(scn);
    keptCrewLines.Write(scn);
}

// ==============================================================
// What the callbacks above hand off
// ==============================================================

// The retro engine with its group, exhaust flame and exhaust stream.
void vemopod::CreateEngine() {
    engineThruster = CreateThruster(ENGINE_POS, ENGINE_DIR, ENGINE_THRUST, enginePropellant,
                                    ENGINE_ISP, ENGINE_ISP_REF, ENGINE_P_REF);
    AddExhaust(engineThruster, EXHAUST_LSCALE, EXHAUST_WSCALE, EXHAUST_POS, EXHAUST_DIR,
               exhaustTexture);
    engineGroup = CreateThrusterGroup(&engineThruster, 1, THGROUP_RETRO);
    AddExhaustStream(engineThruster, EXHAUST_STREAM_POS, &EXHAUST_STREAM);
    engineCreated = true;
}

// ==============================================================
// API callback interface
// ==============================================================
DLLCLBK void InitModule(HINSTANCE hModule) {}

DLLCLBK void ExitModule(HINSTANCE hModule) {}

// Returns null when the instance cannot be allocated; the host then runs the vessel as a
// plain VESSEL of its own, and hands that to ovcExit at the end.
DLLCLBK VESSEL *ovcInit(OBJHANDLE hvessel, int flightmodel) {
    return new (std::nothrow) vemopod(hvessel, flightmodel);
}

// Frees the block ovcInit made, the crew manager's airlock and the refused crew lines it kept
// with it. The instance owns nothing else: its handles are the host's. The plain VESSEL the
// host made when ovcInit made nothing (Version() 0) is the host's, and it deletes it itself.
DLLCLBK void ovcExit(VESSEL *vessel) {
    if (vessel != nullptr && vessel->Version() != PLAIN_VESSEL_VERSION) {
        delete static_cast<vemopod *>(vessel);
    }
}
