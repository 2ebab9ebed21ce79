// What the simulator's executable exports for a module's start, beside the vessel API of
// Orbitersdk.h: the module's DllMain hands its handle to InitLib, which calls the module's
// InitModule, and GetModuleVersion reports the module's build date through Date2Int.
#ifndef VEMO_WIN_MODULESTARTUP_H
#define VEMO_WIN_MODULESTARTUP_H

#include "Orbitersdk.h"

// Registers the module with the simulator and calls its InitModule.
OAPIFUNC void InitLib(HINSTANCE hModule);
// The date as the compiler spells __DATE__ ("Mmm dd yyyy"), as yyyymmdd.
OAPIFUNC int Date2Int(char *date);

DLLCLBK void InitModule(HINSTANCE hModule);
DLLCLBK void ExitModule(HINSTANCE hModule);

#endif  // VEMO_WIN_MODULESTARTUP_H
