// Vessel module "HostProbe": records the module entry points it receives, one line each, in
// config/probe.log relative to the current directory. ovcInit also logs how many instances
// this copy of the module has made, a static that starts at 0 whenever the module is loaded
// afresh, and makes no instance at all for a vessel whose name begins with "Null". A probe
// whose name begins with "Watcher" keeps a deleted vessel's handle (see clbkPostStep).
#include <cstdio>
#include <cstring>
#include <new>

#include "Orbitersdk.h"

namespace {

const char *const kLogFile = "config/probe.log";
const double kEmptyMass = 42.0;  // kg
const char kNoInstancePrefix[] = "Null";
const char kWatcherPrefix[] = "Watcher";
char TARGET_NAME[] = "Target";

bool StartsWith(const char *name, const char *prefix) {
    return name && std::strncmp(name, prefix, std::strlen(prefix)) == 0;
}

int instancesMade = 0;  // by this copy of the module

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
        watcher = StartsWith(GetName(), kWatcherPrefix);
    }

    // A watcher deletes the vessel "Target" in its first post-step and keeps its handle,
    // asking the host for its interface every step from then on: the fault of a module that
    // holds on to a vessel that is gone.
    void clbkPostStep(double simt, double simdt, double mjd) override {
        if (!watcher)
            return;
        if (!target) {
            target = oapiGetObjectByName(TARGET_NAME);
            if (target)
                oapiDeleteVessel(target);
            return;
        }
        oapiGetVesselInterface(target);
    }

private:
    bool watcher = false;
    OBJHANDLE target = nullptr;
};

}  // namespace

DLLCLBK void InitModule(HINSTANCE hModule) {
    note("InitModule", nullptr);
}

DLLCLBK void ExitModule(HINSTANCE hModule) {
    note("ExitModule", nullptr);
}

DLLCLBK VESSEL *ovcInit(OBJHANDLE hVessel, int flightmodel) {
    VESSEL plain(hVessel, flightmodel);
    const char *name = plain.GetName();
    if (StartsWith(name, kNoInstancePrefix)) {
        note("ovcInit-none", name);
        return nullptr;
    }
    HostProbe *probe = new (std::nothrow) HostProbe(hVessel, flightmodel);
    char what[32];
    std::snprintf(what, sizeof what, "ovcInit#%d", ++instancesMade);
    note(what, name);
    return probe;
}

DLLCLBK void ovcExit(VESSEL *vessel) {
    if (!vessel)
        return;
    // The plain VESSEL the host made for a vessel without an instance is the host's own.
    if (vessel->Version() == 0) {
        note("ovcExit-plain", vessel->GetName());
        return;
    }
    note("ovcExit", vessel->GetName());
    delete static_cast<HostProbe *>(vessel);
}
