// The stand-in's program: loads modules\vemopod.dll from the current folder as the simulator
// does and drives one capsule through a short flight, checking the calls it sees. Prints
// what failed and the call record, and exits non-zero, when anything is not as expected.
#include <cstdio>
#include <cstring>

#include "StandInWorld.h"

namespace {

constexpr char MODULE_PATH[] = "modules\\vemopod.dll";
constexpr char MODULE_NAME[] = "vemopod.dll";
constexpr int SETTLE_STEPS = 5;   // steps before anything is pressed
constexpr int DEPLOY_STEPS = 45;  // 4.5 s: the deployment takes 4 s, the engine one step more
constexpr int KEY_STATE_SIZE = 256;
constexpr char KEY_HELD = '\x80';
constexpr int KEY_CONSUMED = 1;

// The capsule's scenario block: a default line and one crew member.
const char *const POD_LINES[] = {"STATUS Orbiting Earth", "VEMOCREW A01-John_Doe-35-72-80"};
constexpr char CREW_SAVED[] = "save VEMOCREW A01-John_Doe-35-72-80";

typedef VESSEL *(*OvcInit)(OBJHANDLE, int);
typedef void (*OvcExit)(VESSEL *);
typedef int (*GetModuleVersion)();

int failures = 0;

void Say(const char *text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(std::strlen(text)),
              &written, nullptr);
}

void Check(bool ok, const char *what) {
    char line[256];
    std::snprintf(line, sizeof line, "%s: %s\n", ok ? "ok" : "FAILED", what);
    Say(line);
    failures += ok ? 0 : 1;
}

void Steps(VESSEL2 *pod, int count) {
    World &world = TheWorld();
    for (int i = 0; i < count; ++i) {
        world.simTime += STEP_LENGTH;
        pod->clbkPreStep(world.simTime, STEP_LENGTH, 0.0);
        pod->clbkPostStep(world.simTime, STEP_LENGTH, 0.0);
    }
}

int PressKey(VESSEL2 *pod, DWORD key) {
    char keyState[KEY_STATE_SIZE] = {};
    keyState[key] = KEY_HELD;
    return pod->clbkConsumeBufferedKey(key, true, keyState);
}

// Start, class caps, scenario block, first steps, and the block saved back.
VESSEL2 *Start(HMODULE module, OBJHANDLE podHandle) {
    Check(Recorded("InitLib\nInitModule\n"), "DllMain called InitLib, which called InitModule");
    const auto version =
        reinterpret_cast<GetModuleVersion>(GetProcAddress(module, "GetModuleVersion"));
    Check(version != nullptr && version() > 20000101 && Recorded("Date2Int"),
          "GetModuleVersion gives the build date through Date2Int");
    const auto init = reinterpret_cast<OvcInit>(GetProcAddress(module, "ovcInit"));
    Check(init != nullptr, "ovcInit is exported");
    VESSEL2 *pod = init ? static_cast<VESSEL2 *>(init(podHandle, 1)) : nullptr;
    Check(pod != nullptr && pod->GetHandle() == podHandle, "ovcInit made the capsule's instance");
    if (pod == nullptr) {
        return nullptr;
    }
    FindShip(podHandle)->vessel = pod;
    pod->clbkSetClassCaps(nullptr);
    Check(Recorded("SetEmptyMass 100\nSetSize 8\n"), "class caps: empty mass and size");
    Check(Recorded("oapiLoadMeshGlobal vemopod\n"), "class caps: the capsule's mesh");
    Check(Recorded("thrusters type 3\n") && Recorded("thrusters type 14\n"),
          "class caps: attitude thruster groups");
    Check(Recorded("CreateAttachment Vemo\n"), "class caps: the airlock point");

    Scenario block = {{POD_LINES[0], POD_LINES[1]}, 2, 0};
    VESSELSTATUS2 status = {};
    status.version = 2;
    pod->clbkLoadStateEx(&block, &status);
    Check(Recorded("default line STATUS Orbiting Earth\n") && !Recorded("default line VEMOCREW"),
          "the crew line is the module's, the status line the default parser's");
    pod->clbkPostCreation();
    Steps(pod, SETTLE_STEPS);
    const int saved = Mark();
    pod->clbkSaveState(&block);
    Check(Recorded("SaveDefaultState\n", saved) && Recorded(CREW_SAVED, saved),
          "the crew line is saved back");
    return pod;
}

// K deploys, the engine follows; E sends the member out, and the next save has no crew.
void Fly(VESSEL2 *pod) {
    const int deployed = Mark();
    Check(PressKey(pod, OAPI_KEY_K) == KEY_CONSUMED, "K is consumed with someone aboard");
    Steps(pod, DEPLOY_STEPS);
    Check(Recorded("CreateThrusterGroup 1 thrusters type 1\n", deployed),
          "deployed: the retro engine");
    const int out = Mark();
    Check(PressKey(pod, OAPI_KEY_E) == KEY_CONSUMED, "E is consumed");
    Check(Recorded("oapiCreateVessel Vemo_A01-John_Doe Vemo\n", out),
          "E: the member's vessel is created");
    Check(Recorded("oapiSetFocusObject Vemo_A01-John_Doe\n", out),
          "E: the focus goes to the member");
    const int saved = Mark();
    pod->clbkSaveState(nullptr);
    Check(!Recorded("save VEMOCREW", saved), "after the EVA no crew line is saved");
}

}  // namespace

extern "C" int StandInMain() {
    OBJHANDLE podHandle = AddShip("Pod1", "vemopod");
    HMODULE module = LoadLibraryA(MODULE_PATH);
    Check(module != nullptr, "modules\\vemopod.dll loads");
    if (module != nullptr) {
        VESSEL2 *pod = Start(module, podHandle);
        if (pod != nullptr) {
            Fly(pod);
            const auto exit = reinterpret_cast<OvcExit>(GetProcAddress(module, "ovcExit"));
            Check(exit != nullptr, "ovcExit is exported");
            if (exit != nullptr) {
                exit(pod);
            }
        }
        Check(GetProcAddress(module, "ExitModule") != nullptr, "ExitModule is exported");
        Check(FreeLibrary(module) && GetModuleHandleA(MODULE_NAME) == nullptr,
              "FreeLibrary unloads the module");
    }
    if (failures != 0) {
        Say("call record:\n");
        Say(CallRecord());
    }
    ExitProcess(failures == 0 ? 0 : 1);
}
