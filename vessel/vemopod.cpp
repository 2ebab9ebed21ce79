// The vemopod capsule: entry points, class set-up, deployment and engine, keys, crew.
#include "vemopod.h"

#include <cstdio>
#include <new>

// ---------------------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------------------
namespace {

const double RAD_PER_DEG = 3.14159265358979323846 / 180.0;

// Physical parameters
const double POD_EMPTY_MASS = 100.0;  // kg; also what an EVA leaves the capsule at
const double POD_SIZE = 8.0;          // mean radius, m
const VECTOR3 POD_TOUCHDOWN[3] = {{{0.0, 17.0, -1.0}},  // m
                                  {{10.0, 10.0, -1.0}},
                                  {{-10.0, -10.0, -1.0}}};
const VECTOR3 POD_PMI = {{2.28, 2.15, 4.09}};            // principal moments / mass, m^2
const VECTOR3 POD_CROSS_SECTIONS = {{5.3, 5.3, 42.15}};  // m^2
const double POD_CW_Z_POS = 0.7;                         // drag coefficients
const double POD_CW_Z_NEG = 0.7;
const double POD_CW_X = 0.9;
const double POD_CW_Y = 0.9;
const VECTOR3 POD_ROT_DRAG = {{0.7, 0.7, 0.3}};
const double POD_PITCH_MOMENT_SCALE = -0.0001;
const double POD_BANK_MOMENT_SCALE = -0.0001;
const VECTOR3 POD_CAMERA_OFFSET = {{0.0, 0.49, -0.2}};  // m

// Meshes and textures (host resources; the names are the host's)
const char POD_MESH_NAME[] = "vemopod";
const char CREW_MESH_NAME[] = "vemo/vemo";
const char CREW_COCKPIT_MESH_NAME[] = "vemo/vemovc";
char EXHAUST_TEXTURE_NAME[] = "exhaust_atrcs";  // the host's registration call takes char *
char REENTRY_TEXTURE_NAME[] = "reentry";
const UINT POD_MESH_INDEX = 0;
const UINT CREW_COCKPIT_MESH_INDEX = 2;  // crewCockpitMesh is the third mesh added
const WORD MESHVIS_NEVER = 0;
const WORD MESHVIS_EXTERNAL = 1;
const WORD MESHVIS_COCKPIT = 2;
const WORD MESHVIS_ALWAYS = 3;

// Animations. The meshes as stored show the deployed capsule, hence initial state 1.
const double ANIM_INITIAL_STATE = 1.0;
UINT DEPLOY_ROTATION_GROUPS[] = {0, 1};  // pod mesh groups; never written
UINT DEPLOY_SCALE_GROUPS[] = {2, 3};
UINT COCKPIT_ROTATION_GROUPS[] = {11};                    // crew cockpit mesh group
const VECTOR3 DEPLOY_ROTATION_REF = {{0.0, 0.0, -0.45}};  // m
const VECTOR3 DEPLOY_ROTATION_AXIS = {{1.0, 0.0, 0.0}};
const double DEPLOY_ROTATION_ANGLE = 68.0;  // deg
const VECTOR3 DEPLOY_SCALE_REF = {{0.0, 0.0, 0.0}};
const VECTOR3 DEPLOY_SCALE = {{1000.0, 1000.0, 10.0}};
const VECTOR3 COCKPIT_ROTATION_REF = {{0.0, 0.5, 0.05}};  // m
const VECTOR3 COCKPIT_ROTATION_AXIS = {{1.0, 0.0, 0.0}};
const double COCKPIT_ROTATION_ANGLE = 180.0;          // deg
const double DEPLOY_ROTATION_RANGE[2] = {0.05, 0.9};  // animation states
const double DEPLOY_SCALE_RANGE[2] = {0.7, 0.75};
const double COCKPIT_ROTATION_RANGE[2] = {0.0, 1.0};

// Reentry
const double REENTRY_PLIMIT = 600000.0;  // Pa
const double REENTRY_LSCALE = 1.0;
const double REENTRY_WSCALE = 1.0;

// Propellant
const double RCS_PROPELLANT_MASS = 2.0;     // kg
const double ENGINE_PROPELLANT_MASS = 6.0;  // kg
const double TANK_START_FULL = -1.0;
const double TANK_EFFICIENCY = 1.0;

// Attitude thrusters
const double RCS_THRUST = 5.0;        // vacuum, N
const double RCS_ISP = 40000.0;       // vacuum, m/s
const double RCS_ISP_REF = 400000.0;  // at RCS_P_REF, m/s
const double RCS_P_REF = 101400.0;    // Pa
const int RCS_THRUSTER_COUNT = 22;

struct RcsThruster {
    VECTOR3 pos;  // m
    VECTOR3 dir;
};

// Rotation and translation thrusters are separate thrusters with the same geometry.
const RcsThruster RCS_THRUSTERS[RCS_THRUSTER_COUNT] = {
    {{{0, 0, 15.5}}, {{0, 1, 0}}},    // 1  pitch up
    {{{0, 0, -15.5}}, {{0, -1, 0}}},  // 2  pitch up
    {{{0, 0, 15.5}}, {{0, -1, 0}}},   // 3  pitch down
    {{{0, 0, -15.5}}, {{0, 1, 0}}},   // 4  pitch down
    {{{0, 0, 15.5}}, {{0, 1, 0}}},    // 5  up
    {{{0, 0, -15.5}}, {{0, -1, 0}}},  // 6  down
    {{{0, 0, 15.5}}, {{0, -1, 0}}},   // 7  down
    {{{0, 0, -15.5}}, {{0, 1, 0}}},   // 8  up
    {{{0, 0, 15.5}}, {{-1, 0, 0}}},   // 9  yaw left
    {{{0, 0, -15.5}}, {{1, 0, 0}}},   // 10 yaw left
    {{{0, 0, 15.5}}, {{1, 0, 0}}},    // 11 yaw right
    {{{0, 0, -15.5}}, {{-1, 0, 0}}},  // 12 yaw right
    {{{0, 0, 15.5}}, {{-1, 0, 0}}},   // 13 left
    {{{0, 0, -15.5}}, {{1, 0, 0}}},   // 14 right
    {{{0, 0, 15.5}}, {{1, 0, 0}}},    // 15 right
    {{{0, 0, -15.5}}, {{-1, 0, 0}}},  // 16 left
    {{{2.7, 0, 0}}, {{0, 1, 0}}},     // 17 bank left
    {{{-2.7, 0, 0}}, {{0, -1, 0}}},   // 18 bank left
    {{{-2.7, 0, 0}}, {{0, 1, 0}}},    // 19 bank right
    {{{2.7, 0, 0}}, {{0, -1, 0}}},    // 20 bank right
    {{{0, 0, -16}}, {{0, 0, 1}}},     // 21 forward
    {{{0, 0, 16}}, {{0, 0, -1}}},     // 22 back
};

struct RcsGroup {
    int createdAfter;  // number of thrusters made before the group is formed
    THGROUP_TYPE type;
    int count;
    int members[2];  // zero-based indices into RCS_THRUSTERS, in group order
};

const RcsGroup RCS_GROUPS[] = {
    {4, THGROUP_ATT_PITCHUP, 2, {0, 1}},     {4, THGROUP_ATT_PITCHDOWN, 2, {2, 3}},
    {8, THGROUP_ATT_UP, 2, {4, 7}},          {8, THGROUP_ATT_DOWN, 2, {6, 5}},
    {12, THGROUP_ATT_YAWLEFT, 2, {8, 9}},    {12, THGROUP_ATT_YAWRIGHT, 2, {10, 11}},
    {16, THGROUP_ATT_LEFT, 2, {12, 15}},     {16, THGROUP_ATT_RIGHT, 2, {14, 13}},
    {20, THGROUP_ATT_BANKLEFT, 2, {16, 17}}, {20, THGROUP_ATT_BANKRIGHT, 2, {18, 19}},
    {22, THGROUP_ATT_FORWARD, 1, {20, 0}},   {22, THGROUP_ATT_BACK, 1, {21, 0}},
};

// Retro engine, created one step after full deployment
const VECTOR3 ENGINE_POS = {{0.0, 0.0, 1.0}};   // m
const VECTOR3 ENGINE_DIR = {{0.0, 0.0, -1.0}};  // thrust backwards
const double ENGINE_THRUST = 2000.0;            // vacuum, N
const double ENGINE_ISP = 2500.0;               // vacuum, m/s
const double ENGINE_ISP_REF = 2500.0;           // at ENGINE_P_REF, m/s
const double ENGINE_P_REF = 101400.0;           // Pa
const double EXHAUST_LSCALE = 1.0;
const double EXHAUST_WSCALE = 0.1;
const VECTOR3 EXHAUST_POS = {{0.0, 0.02, 0.85}};  // m
const VECTOR3 EXHAUST_DIR = {{0.0, 0.0, 1.0}};
const VECTOR3 EXHAUST_STREAM_POS = {{0.0, 0.0, 1.0}};  // m
const double ENGINE_FULL_LEVEL = 1.0;

// Deployment
const double DEPLOY_RATE = 0.25;  // state per second of simulation time: 4 s in all
const double DEPLOYED = 1.0;

// Keys
const double KEY_REPEAT_DELAY = 1.0;  // s, for K and E alike
const unsigned char KEY_HELD = 0x80;
const int KEY_CONSUMED = 1;
const int KEY_PASSED_ON = 0;

// Crew
const float AIRLOCK_MIN_X = -2.0f, AIRLOCK_MAX_X = 2.0f;  // m, vessel frame
const float AIRLOCK_MIN_Y = -2.0f, AIRLOCK_MAX_Y = 2.0f;
const float AIRLOCK_MIN_Z = -2.0f, AIRLOCK_MAX_Z = 2.0f;
const VECTOR3 EVA_EXIT_OFFSET = {{0.0, 0.0, 0.0}};    // m, vessel frame
const VECTOR3 EVA_EXIT_ROTATION = {{0.0, 0.0, 0.0}};  // rad
const int SEAT_COUNT = 1;
const char CREW_LINE_KEYWORD[] = "VEMOCREW";  // compared without regard to case
const int CREW_LINE_KEYWORD_LENGTH = 8;

// The host may keep the addresses of these records, so they live in static storage.
PARTICLESTREAMSPEC REENTRY_STREAM = {
    0,      // flags
    20.0,   // particle size at creation, m
    20.0,   // generation rate, 1/s
    0.0,    // emission velocity, m/s
    0.03,   // velocity randomisation
    0.5,    // lifetime, s
    100.0,  // growth rate, m/s
    3.0,    // slow-down in atmosphere
    PARTICLESTREAMSPEC::DIFFUSE,
    PARTICLESTREAMSPEC::LVL_FLAT,
    1.0,
    1.0,
    PARTICLESTREAMSPEC::ATM_PLIN,
    60000000.0,
    120000000.0,
    0,  // the host's default particle texture
};

PARTICLESTREAMSPEC EXHAUST_STREAM = {
    0,       // flags
    0.25,    // particle size at creation, m
    1000.0,  // generation rate, 1/s
    150.0,   // emission velocity, m/s
    0.3,     // velocity randomisation
    0.25,    // lifetime, s
    16.0,    // growth rate, m/s
    0.0,     // slow-down in atmosphere
    PARTICLESTREAMSPEC::EMISSIVE,
    PARTICLESTREAMSPEC::LVL_PLIN,
    0.0,
    1.0,
    PARTICLESTREAMSPEC::ATM_PLIN,
    -0.01,
    0.1,
    0,  // the host's default particle texture
};

// The three animation transforms are shared by every capsule of the module: the host keeps
// their addresses, so each is built once, on first use, and never copied or freed.
MGROUP_ROTATE &DeployRotation() {
    static MGROUP_ROTATE deployRotation(POD_MESH_INDEX, DEPLOY_ROTATION_GROUPS, 2,
                                        DEPLOY_ROTATION_REF, DEPLOY_ROTATION_AXIS,
                                        float(DEPLOY_ROTATION_ANGLE * RAD_PER_DEG));
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
                                         float(COCKPIT_ROTATION_ANGLE * RAD_PER_DEG));
    return cockpitRotation;
}

bool IsCrewLine(const char *line) {
    for (int i = 0; i < CREW_LINE_KEYWORD_LENGTH; ++i) {
        char c = line[i];
        if (c >= 'a' && c <= 'z') {
            c = char(c - 'a' + 'A');
        }
        if (c != CREW_LINE_KEYWORD[i]) {
            return false;  // also at the line's end, which no keyword character matches
        }
    }
    return true;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool KeyHeld(const char *kstate, int key) {
    return (static_cast<unsigned char>(kstate[key]) & KEY_HELD) != 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Instance
// ---------------------------------------------------------------------------------------
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
      keptCrewLineCount(0),
      crewInitResult(0),
      crew() {}

// ---------------------------------------------------------------------------------------
// Class set-up. The configuration file is not used: every value is fixed above.
// ---------------------------------------------------------------------------------------
void vemopod::clbkSetClassCaps(FILEHANDLE cfg) {
    SetPhysicalParameters();
    SetUpMeshes();
    SetUpAnimations();
    SetUpReentry();
    SetUpPropellant();
    SetUpAttitudeThrusters();
    SetUpCrew();
}

void vemopod::SetPhysicalParameters() {
    SetEmptyMass(POD_EMPTY_MASS);
    SetSize(POD_SIZE);
    SetTouchdownPoints(POD_TOUCHDOWN[0], POD_TOUCHDOWN[1], POD_TOUCHDOWN[2]);
    SetPMI(POD_PMI);
    SetCrossSections(POD_CROSS_SECTIONS);
    SetCW(POD_CW_Z_POS, POD_CW_Z_NEG, POD_CW_X, POD_CW_Y);
    SetPitchMomentScale(POD_PITCH_MOMENT_SCALE);
    SetBankMomentScale(POD_BANK_MOMENT_SCALE);
    SetCameraOffset(POD_CAMERA_OFFSET);
}

void vemopod::SetUpMeshes() {
    podMesh = oapiLoadMeshGlobal(POD_MESH_NAME);
    crewMesh = oapiLoadMeshGlobal(CREW_MESH_NAME);
    crewCockpitMesh = oapiLoadMeshGlobal(CREW_COCKPIT_MESH_NAME);
    exhaustTexture = oapiRegisterExhaustTexture(EXHAUST_TEXTURE_NAME);

    InsertMesh(podMesh, POD_MESH_INDEX);
    SetMeshVisibilityMode(POD_MESH_INDEX, MESHVIS_ALWAYS);
    crewMeshIndex = AddMesh(crewMesh);
    crewCockpitMeshIndex = AddMesh(crewCockpitMesh);
    // The crew stays hidden until someone comes aboard through the airlock, even when the
    // scenario brings crew with it.
    SetMeshVisibilityMode(crewMeshIndex, MESHVIS_NEVER);
    SetMeshVisibilityMode(crewCockpitMeshIndex, MESHVIS_NEVER);
}

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

void vemopod::SetUpReentry() {
    SetRotDrag(POD_ROT_DRAG);
    AddReentryStream(&REENTRY_STREAM);
    reentryTexture = oapiRegisterReentryTexture(REENTRY_TEXTURE_NAME);
    SetReentryTexture(reentryTexture, REENTRY_PLIMIT, REENTRY_LSCALE, REENTRY_WSCALE);
}

void vemopod::SetUpPropellant() {
    rcsPropellant = CreatePropellantResource(RCS_PROPELLANT_MASS, TANK_START_FULL, TANK_EFFICIENCY);
    enginePropellant =
        CreatePropellantResource(ENGINE_PROPELLANT_MASS, TANK_START_FULL, TANK_EFFICIENCY);
    SetDefaultPropellantResource(enginePropellant);
}

void vemopod::SetUpAttitudeThrusters() {
    THRUSTER_HANDLE thrusters[RCS_THRUSTER_COUNT];
    const int groupCount = int(sizeof(RCS_GROUPS) / sizeof(RCS_GROUPS[0]));
    int nextGroup = 0;
    for (int i = 0; i < RCS_THRUSTER_COUNT; ++i) {
        thrusters[i] = CreateThruster(RCS_THRUSTERS[i].pos, RCS_THRUSTERS[i].dir, RCS_THRUST,
                                      rcsPropellant, RCS_ISP, RCS_ISP_REF, RCS_P_REF);
        while (nextGroup < groupCount && RCS_GROUPS[nextGroup].createdAfter == i + 1) {
            const RcsGroup &g = RCS_GROUPS[nextGroup++];
            THRUSTER_HANDLE members[2] = {thrusters[g.members[0]], thrusters[g.members[1]]};
            CreateThrusterGroup(members, g.count, g.type);
        }
    }
}

// The crew manager claims its airlock slot and becomes ready only in this order: the last
// two calls need the airlock that DefineAirlockShape completes. None of the results is acted
// on here; a manager that failed to set up simply refuses every later crew call.
void vemopod::SetUpCrew() {
    crewInitResult = crew.InitCrewManager(GetHandle());
    crew.ReadCompanionVersion();
    crew.DefineAirlockShape(AIRLOCK_DOOR_OPEN, AIRLOCK_MIN_X, AIRLOCK_MAX_X, AIRLOCK_MIN_Y,
                            AIRLOCK_MAX_Y, AIRLOCK_MIN_Z, AIRLOCK_MAX_Z);
    crew.SetEvaPositionRotation(EVA_EXIT_OFFSET, EVA_EXIT_ROTATION);
    crew.SetMaxSeatCount(SEAT_COUNT);
}

// ---------------------------------------------------------------------------------------
// Scenario: the host's default lines plus the crew roster. The deployment is not kept, so
// a capsule always loads stowed and without an engine.
// ---------------------------------------------------------------------------------------
void vemopod::clbkLoadStateEx(FILEHANDLE scn, void *status) {
    char *line = nullptr;
    while (oapiReadScenario_nextline(scn, line)) {
        // A crew line the roster refuses is not lost: it goes to the host like any other.
        if (crew.LoadCrewLine(line) != CREW_OK) {
            KeepCrewLine(line);
            ParseScenarioLineEx(line, status);
        }
    }
}

void vemopod::clbkSaveState(FILEHANDLE scn) {
    SaveDefaultState(scn);
    crew.SaveCrewLines(scn);
    WriteKeptCrewLines(scn);
}

void vemopod::KeepCrewLine(const char *line) {
    if (line == nullptr || !IsCrewLine(line) || keptCrewLineCount >= KEPT_CREW_LINES) {
        return;
    }
    // A line that does not fit is not kept at all: a cut line could name another member.
    size_t length = 0;
    while (length < size_t(KEPT_CREW_LINE_SIZE) && line[length] != '\0') {
        ++length;
    }
    if (length >= size_t(KEPT_CREW_LINE_SIZE)) {
        return;
    }
    std::snprintf(keptCrewLines[keptCrewLineCount], KEPT_CREW_LINE_SIZE, "%s", line);
    ++keptCrewLineCount;
}

// Each kept line goes out as the host's item and value, so it reads back as it came in.
void vemopod::WriteKeptCrewLines(FILEHANDLE scn) {
    for (int i = 0; i < keptCrewLineCount; ++i) {
        char item[KEPT_CREW_LINE_SIZE];
        std::snprintf(item, sizeof item, "%s", keptCrewLines[i]);
        char *value = item;
        while (*value != '\0' && !IsBlank(*value)) {
            ++value;
        }
        if (*value != '\0') {
            *value++ = '\0';
            while (IsBlank(*value)) {
                ++value;
            }
        }
        oapiWriteScenario_string(scn, item, value);
    }
}

// ---------------------------------------------------------------------------------------
// Per step: engine, latch, deployment, animation, returning crew. Allocates nothing.
// ---------------------------------------------------------------------------------------
void vemopod::CreateEngine() {
    engineThruster = CreateThruster(ENGINE_POS, ENGINE_DIR, ENGINE_THRUST, enginePropellant,
                                    ENGINE_ISP, ENGINE_ISP_REF, ENGINE_P_REF);
    AddExhaust(engineThruster, EXHAUST_LSCALE, EXHAUST_WSCALE, EXHAUST_POS, EXHAUST_DIR,
               exhaustTexture);
    engineGroup = CreateThrusterGroup(&engineThruster, 1, THGROUP_RETRO);
    AddExhaustStream(engineThruster, EXHAUST_STREAM_POS, &EXHAUST_STREAM);
    engineCreated = true;
}

// In order: engine, latch, full thrust, advance, clamp, animation, returning crew.
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
    // (CREW_TRANSFER) leaves the crew meshes as they are.
    if (crew.ProcessReturningCrew() == CREW_EVA) {
        SetMeshVisibilityMode(crewMeshIndex, MESHVIS_EXTERNAL);
        SetMeshVisibilityMode(crewCockpitMeshIndex, MESHVIS_COCKPIT);
    }
}

// ---------------------------------------------------------------------------------------
// Keys: K deploys, E sends the first crew member out. Both need someone aboard. The
// decision is made from the keyboard state alone, not from the event's own key.
// ---------------------------------------------------------------------------------------
int vemopod::clbkConsumeBufferedKey(DWORD key, bool down, char *kstate) {
    if (kstate == nullptr) {
        return KEY_PASSED_ON;
    }
    if (KeyHeld(kstate, OAPI_KEY_K) && crew.GetCrewCount() != 0) {
        if (oapiAcceptDelayedKey(OAPI_KEY_K, KEY_REPEAT_DELAY)) {
            deploying = true;
        }
        return KEY_CONSUMED;
    }
    if (!KeyHeld(kstate, OAPI_KEY_E)) {
        return KEY_PASSED_ON;
    }
    if (!oapiAcceptDelayedKey(OAPI_KEY_E, KEY_REPEAT_DELAY)) {
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

// ---------------------------------------------------------------------------------------
// Module entry points
// ---------------------------------------------------------------------------------------
DLLCLBK void InitModule(HINSTANCE hModule) {}

DLLCLBK void ExitModule(HINSTANCE hModule) {}

// Returns null when the instance cannot be allocated; the host then has no vessel object.
DLLCLBK VESSEL *ovcInit(OBJHANDLE hvessel, int flightmodel) {
    return new (std::nothrow) vemopod(hvessel, flightmodel);
}

// Frees the block ovcInit made. The instance owns nothing else: its handles are the host's,
// and the airlock slot its crew manager claimed stays claimed.
DLLCLBK void ovcExit(VESSEL *vessel) {
    if (vessel != nullptr) {
        delete static_cast<vemopod *>(vessel);
    }
}
