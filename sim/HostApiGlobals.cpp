// The host API's global functions (oapi*), on the current world.
//
// Every entry point of the host API copes with what a module may hand it: null pointers,
// handles of another vessel, handles of destroyed vessels, indices out of range. Such calls
// do nothing and answer null, 0 or false; a destroyed vessel's handle is also reported as an
// error (World::resolve), since in the simulator it would crash. The calls a vessel makes
// every step (group levels, animations, the vessel list queries) allocate nothing.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "HostApiContext.h"
#include "Text.h"

// The host's own signatures return const-qualified handles by value.
#pragma GCC diagnostic ignored "-Wignored-qualifiers"

using namespace sim;

const MESHHANDLE oapiLoadMeshGlobal(const char *fname) {
    World *w = globalCall("oapiLoadMeshGlobal");
    return w ? w->loadMesh(fname) : nullptr;
}

SURFHANDLE oapiRegisterExhaustTexture(char *name) {
    World *w = globalCall("oapiRegisterExhaustTexture");
    return w ? w->registerTexture(name) : nullptr;
}

SURFHANDLE oapiRegisterReentryTexture(char *name) {
    World *w = globalCall("oapiRegisterReentryTexture");
    return w ? w->registerTexture(name) : nullptr;
}

bool oapiReadScenario_nextline(FILEHANDLE scn, char *&line) {
    World *w = globalCall("oapiReadScenario_nextline");
    return w ? w->readLine(scn, line) : false;
}

void oapiWriteScenario_string(FILEHANDLE scn, char *item, char *string) {
    World *w = globalCall("oapiWriteScenario_string");
    if (!w || !item)
        return;
    std::string line = item;
    if (string && *string)
        line += std::string(" ") + string;
    w->writeLine(scn, line);
}

double oapiGetSimTime() {
    World *w = globalCall("oapiGetSimTime");
    return w ? w->frameStartTime() : 0.0;
}

double oapiGetSimStep() {
    World *w = globalCall("oapiGetSimStep");
    return w ? w->lastStep() : 0.0;
}

bool oapiAcceptDelayedKey(char key, double interval) {
    World *w = globalCall("oapiAcceptDelayedKey");
    return w ? w->acceptDelayedKey(key, interval) : false;
}

double oapiRand() {
    World *w = globalCall("oapiRand");
    return w ? w->random() : 0.0;
}

VESSEL *oapiGetVesselInterface(OBJHANDLE hVessel) {
    World *w = globalCall("oapiGetVesselInterface");
    return w ? w->interfaceOf(hVessel, "oapiGetVesselInterface") : nullptr;
}

DWORD oapiGetVesselCount() {
    World *w = globalCall("oapiGetVesselCount");
    return w ? static_cast<DWORD>(w->vessels().size()) : 0;
}

OBJHANDLE oapiGetVesselByIndex(int index) {
    World *w = globalCall("oapiGetVesselByIndex");
    return w && index >= 0 ? w->vesselAt(static_cast<size_t>(index)) : nullptr;
}

OBJHANDLE oapiGetObjectByName(char *name) {
    World *w = globalCall("oapiGetObjectByName");
    if (!w || !name)
        return nullptr;
    if (const CelestialBody *b = findBody(name))
        return bodyHandleOf(*b);
    return w->find(name);
}

void oapiGetObjectName(OBJHANDLE hObj, char *name, int n) {
    World *w = globalCall("oapiGetObjectName");
    if (!name || n <= 0)
        return;
    std::string bodyName;
    const std::string *src = nullptr;
    if (const CelestialBody *b = bodyOfHandle(hObj)) {
        bodyName = b->name;
        src = &bodyName;
    } else if (const SurfaceBase *base = w ? w->baseOfHandle(hObj) : nullptr) {
        src = &base->name;
    } else if (const VesselRecord *v = w ? w->resolve(hObj, "oapiGetObjectName") : nullptr) {
        src = &v->name;
    }
    // At most n bytes, the terminator included; an unknown object gives an empty name.
    size_t len = src ? std::min(src->size(), static_cast<size_t>(n) - 1) : 0;
    if (len)
        std::memcpy(name, src->data(), len);
    name[len] = 0;
}

OBJHANDLE oapiCreateVessel(const char *name, const char *classname, const VESSELSTATUS &status) {
    World *w = globalCall("oapiCreateVessel");
    if (!w || !name || !classname)
        return nullptr;
    std::string error;
    OBJHANDLE h = w->createVessel(name, classname, status, &error);
    if (!h)
        w->log(nullptr, ev::kError, "vessel " + std::string(name) + " not created: " + error);
    return h;
}

bool oapiDeleteVessel(OBJHANDLE hVessel, OBJHANDLE hAlternativeCameraTarget) {
    World *w = globalCall("oapiDeleteVessel");
    return w ? w->deleteVessel(hVessel, hAlternativeCameraTarget) : false;
}

OBJHANDLE oapiSetFocusObject(OBJHANDLE hVessel) {
    World *w = globalCall("oapiSetFocusObject");
    return w ? w->setFocus(hVessel) : nullptr;
}

double oapiGetEmptyMass(OBJHANDLE hVessel) {
    World *w = globalCall("oapiGetEmptyMass");
    const VesselRecord *v = w ? w->resolve(hVessel, "oapiGetEmptyMass") : nullptr;
    return v ? v->emptyMass : 0.0;
}

void oapiSetEmptyMass(OBJHANDLE hVessel, double mass) {
    World *w = globalCall("oapiSetEmptyMass");
    VesselRecord *v = w ? w->resolve(hVessel, "oapiSetEmptyMass") : nullptr;
    if (v && std::isfinite(mass))
        v->emptyMass = mass;
}

void oapiGetGlobalPos(OBJHANDLE hObj, VECTOR3 *pos) {
    World *w = globalCall("oapiGetGlobalPos");
    if (!pos)
        return;
    if (const CelestialBody *b = w ? bodyOfHandle(hObj) : nullptr) {
        *pos = w->bodyPosition(*b);
        return;
    }
    const VesselRecord *v = w ? w->resolve(hObj, "oapiGetGlobalPos") : nullptr;
    *pos = v ? w->globalPos(*v) : vec(0, 0, 0);
}

void oapiWriteLog(char *line) {
    World *w = globalCall("oapiWriteLog");
    // The line is the module's own text: kept as written, under the vessel whose callback
    // wrote it (none outside a callback).
    if (w && line)
        w->log(w->callbackVessel(), ev::kLog, line);
}
