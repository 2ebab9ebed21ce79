// Vessel class "HostProbe": records the module entry points it receives, one line each, in
// config/probe.log relative to the current directory.
#include <cstdio>
#include <new>

#include "Orbitersdk.h"

namespace {

const char *const kLogFile = "config/probe.log";
const double kEmptyMass = 42.0;  // kg

void note(const char *what, const char *name) {
    FILE *f = std::fopen(kLogFile, "a");
    if (!f)
        return;
    std::fprintf(f, "%s %s\n", what, name ? name : "-");
    std::fclose(f);
}

class HostProbe final : public VESSEL2 {
public:
    HostProbe(OBJHANDLE hVessel, int fmodel) : VESSEL2(hVessel, fmodel) {}

    void clbkSetClassCaps(FILEHANDLE cfg) override {
        note("clbkSetClassCaps", GetName());
        SetEmptyMass(kEmptyMass);
    }
};

}  // namespace

DLLCLBK void InitModule(HINSTANCE hModule) {
    note("InitModule", nullptr);
}

DLLCLBK void ExitModule(HINSTANCE hModule) {
    note("ExitModule", nullptr);
}

DLLCLBK VESSEL *ovcInit(OBJHANDLE hVessel, int flightmodel) {
    HostProbe *probe = new (std::nothrow) HostProbe(hVessel, flightmodel);
    note("ovcInit", probe ? probe->GetName() : nullptr);
    return probe;
}

DLLCLBK void ovcExit(VESSEL *vessel) {
    if (!vessel)
        return;
    note("ovcExit", vessel->GetName());
    delete static_cast<HostProbe *>(vessel);
}
