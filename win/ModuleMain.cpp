// The module's own DllMain and GetModuleVersion, as the simulator expects of every module:
// attaching registers the module (and so runs its InitModule), detaching runs ExitModule.
#include "ModuleStartup.h"

BOOL WINAPI DllMain(HINSTANCE hModule, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            InitLib(hModule);
            break;
        case DLL_PROCESS_DETACH:
            ExitModule(hModule);
            break;
        default:
            break;
    }
    return TRUE;
}

// The simulator reads the module's build date from here.
DLLCLBK int GetModuleVersion() {
    static char buildDate[] = __DATE__;
    return Date2Int(buildDate);
}
