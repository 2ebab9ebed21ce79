// VESSEL2: the host's default behaviour for each callback a vessel class may override.
#include "HostApiContext.h"

// The host's own signatures return const-qualified handles by value.
#pragma GCC diagnostic ignored "-Wignored-qualifiers"

using namespace sim;

VESSEL2::VESSEL2(OBJHANDLE hVessel, int fmodel) : VESSEL(hVessel, fmodel) {
    version = 1;
}

void VESSEL2::clbkSetClassCaps(FILEHANDLE cfg) {}
void VESSEL2::clbkSaveState(FILEHANDLE scn) {
    SaveDefaultState(scn);
}
void VESSEL2::clbkLoadStateEx(FILEHANDLE scn, void *status) {
    char *line;
    while (oapiReadScenario_nextline(scn, line))
        ParseScenarioLineEx(line, status);
}
void VESSEL2::clbkSetStateEx(const void *status) {}
void VESSEL2::clbkPostCreation() {}
void VESSEL2::clbkFocusChanged(bool getfocus, OBJHANDLE hNewVessel, OBJHANDLE hOldVessel) {}
void VESSEL2::clbkPreStep(double simt, double simdt, double mjd) {}
void VESSEL2::clbkPostStep(double simt, double simdt, double mjd) {}
bool VESSEL2::clbkPlaybackEvent(double simt, double event_t, const char *event_type,
                                const char *event) {
    return false;
}
void VESSEL2::clbkVisualCreated(VISHANDLE vis, int refcount) {}
void VESSEL2::clbkVisualDestroyed(VISHANDLE vis, int refcount) {}
void VESSEL2::clbkDrawHUD(int mode, const HUDPAINTSPEC *hps, HDC hDC) {}
void VESSEL2::clbkRCSMode(int mode) {}
void VESSEL2::clbkADCtrlMode(DWORD mode) {}
void VESSEL2::clbkHUDMode(int mode) {}
void VESSEL2::clbkMFDMode(int mfd, int mode) {}
void VESSEL2::clbkNavMode(int mode, bool active) {}
void VESSEL2::clbkDockEvent(int dock, OBJHANDLE mate) {}
void VESSEL2::clbkAnimate(double simt) {}
int VESSEL2::clbkConsumeDirectKey(char *kstate) {
    return 0;
}
int VESSEL2::clbkConsumeBufferedKey(DWORD key, bool down, char *kstate) {
    return 0;
}
bool VESSEL2::clbkLoadGenericCockpit() {
    return false;
}
bool VESSEL2::clbkLoadPanel(int id) {
    return false;
}
bool VESSEL2::clbkPanelMouseEvent(int id, int event, int mx, int my) {
    return false;
}
bool VESSEL2::clbkPanelRedrawEvent(int id, int event, SURFHANDLE surf) {
    return false;
}
bool VESSEL2::clbkLoadVC(int id) {
    return false;
}
bool VESSEL2::clbkVCMouseEvent(int id, int event, VECTOR3 &p) {
    return false;
}
bool VESSEL2::clbkVCRedrawEvent(int id, int event, SURFHANDLE surf) {
    return false;
}

VESSEL3::VESSEL3(OBJHANDLE hVessel, int fmodel) : VESSEL2(hVessel, fmodel) {
    version = 2;
}

bool VESSEL3::clbkPanelMouseEvent(int id, int event, int mx, int my, void *context) {
    return false;
}
bool VESSEL3::clbkPanelRedrawEvent(int id, int event, SURFHANDLE surf, void *context) {
    return false;
}
int VESSEL3::clbkGeneric(int msgid, int prm, void *context) {
    return 0;
}
bool VESSEL3::clbkLoadPanel2D(int id, PANELHANDLE hPanel, DWORD viewW, DWORD viewH) {
    return false;
}
bool VESSEL3::clbkDrawHUD(int mode, const HUDPAINTSPEC *hps, oapi::Sketchpad *skp) {
    return false;
}
void VESSEL3::clbkRenderHUD(int mode, const HUDPAINTSPEC *hps, SURFHANDLE hTex) {}
bool VESSEL3::clbkGetRadiationForce(const VECTOR3 &mflux, VECTOR3 &F, VECTOR3 &pos) {
    // A body of the vessel's size facing the light, the force acting at its centre. (The
    // host's motion leaves radiation out.)
    double size = 0.0;
    if (World *w = World::current())
        if (const VesselRecord *v = w->record(GetHandle()))
            size = v->caps.size;
    F = mflux * (size * size * 1.5);
    pos = vec(0, 0, 0);
    return true;
}
