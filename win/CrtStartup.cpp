// A DLL's start, as the Microsoft compiler's static runtime would provide it: the module's
// static initializers, its own atexit list, then DllMain; and the 32-bit load configuration.
#include <windows.h>

namespace {

constexpr int ATEXIT_SIZE = 64;  // functions a module may register; it registers none today

typedef void(__cdecl *StartupFunction)();

// Destructors of the module's statics, run in reverse order when the module is unloaded.
StartupFunction exitFunctions[ATEXIT_SIZE];
int exitCount = 0;

}  // namespace

// The compiler lists the module's static initializers between these two sections; the
// linker sorts .CRT$XCA < .CRT$XCU < .CRT$XCZ and may pad them with zeros.
#pragma section(".CRT$XCA", long, read)
#pragma section(".CRT$XCZ", long, read)
__declspec(allocate(".CRT$XCA")) const StartupFunction firstInitializer = nullptr;
__declspec(allocate(".CRT$XCZ")) const StartupFunction lastInitializer = nullptr;

extern "C" {

// Module-local: the C runtime's own atexit would run them at process exit, after the module
// is gone.
int __cdecl atexit(StartupFunction function) {
    if (function == nullptr || exitCount == ATEXIT_SIZE) {
        return -1;
    }
    exitFunctions[exitCount++] = function;
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE hModule, DWORD reason, LPVOID reserved);

BOOL WINAPI _DllMainCRTStartup(HINSTANCE hModule, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        for (const StartupFunction *f = &firstInitializer + 1; f < &lastInitializer; ++f) {
            if (*f != nullptr) {
                (*f)();
            }
        }
    }
    const BOOL result = DllMain(hModule, reason, reserved);
    if (reason == DLL_PROCESS_DETACH) {
        while (exitCount > 0) {
            exitFunctions[--exitCount]();
        }
    }
    return result;
}

#if defined(_M_IX86)
// The 32-bit load configuration: where the loader finds the table of safe exception handlers
// that /SAFESEH has the linker collect. Without one, the linker marks the DLL as having no
// safe handlers at all; an image with no handlers (this module: no exceptions) gets that
// mark and an empty table either way.
extern const DWORD __safe_se_handler_table[];
extern const BYTE __safe_se_handler_count;

extern const IMAGE_LOAD_CONFIG_DIRECTORY32 _load_config_used;  // found by the linker by name
// clang-format off
// Its size, then the 17 fields up to the handler table left zero, then the table.
const IMAGE_LOAD_CONFIG_DIRECTORY32 _load_config_used = {
    sizeof(IMAGE_LOAD_CONFIG_DIRECTORY32),
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    reinterpret_cast<DWORD>(__safe_se_handler_table),
    reinterpret_cast<DWORD>(&__safe_se_handler_count),
};
// clang-format on
#endif

}  // extern "C"
