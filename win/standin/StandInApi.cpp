// The host API of Orbitersdk.h as the stand-in exports it: each call is recorded, and does
// the least that lets the module see its effect (names, attachment points, new vessels).
#include <cstdio>
#include <cstring>
#include <new>

#include "StandInWorld.h"

namespace {

char placeholder[4];  // what mesh, texture, thruster and group handles point at
void *const SOME_HANDLE = placeholder;

Ship &ShipOf(const void *hostVessel) {
    return *static_cast<Ship *>(const_cast<void *>(hostVessel));
}

Attachment *PointOf(ATTACHMENTHANDLE handle) {
    return static_cast<Attachment *>(handle);
}

}  // namespace

// ---- the module's start ----------------------------------------------------------------
void InitLib(HINSTANCE hModule) {
    Record("InitLib");
    typedef void (*EntryPoint)(HINSTANCE);
    EntryPoint init = reinterpret_cast<EntryPoint>(GetProcAddress(hModule, "InitModule"));
    if (init != nullptr) {
        Record("InitModule");
        init(hModule);
    }
}

int Date2Int(char *date) {
    static const char MONTHS[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    char month[4] = {};
    int day = 0, year = 0;
    if (date == nullptr || std::sscanf(date, "%3s %d %d", month, &day, &year) != 3) {
        return 0;
    }
    const char *found = std::strstr(MONTHS, month);
    const int monthNumber = found ? static_cast<int>(found - MONTHS) / 3 + 1 : 0;
    Record("Date2Int %s", date);
    return year * 10000 + monthNumber * 100 + day;
}

// ---- global functions ------------------------------------------------------------------
const MESHHANDLE oapiLoadMeshGlobal(const char *fname) {
    Record("oapiLoadMeshGlobal %s", fname);
    return SOME_HANDLE;
}
SURFHANDLE oapiRegisterExhaustTexture(char *name) {
    Record("oapiRegisterExhaustTexture %s", name);
    return SOME_HANDLE;
}
SURFHANDLE oapiRegisterReentryTexture(char *name) {
    Record("oapiRegisterReentryTexture %s", name);
    return SOME_HANDLE;
}
bool oapiReadScenario_nextline(FILEHANDLE scn, char *&line) {
    Scenario &scenario = *static_cast<Scenario *>(scn);
    if (scenario.next == scenario.count) {
        return false;
    }
    line = const_cast<char *>(scenario.lines[scenario.next++]);
    return true;
}
void oapiWriteScenario_string(FILEHANDLE scn, char *item, char *string) {
    Record("save %s %s", item, string);
}
double oapiGetSimTime() {
    return TheWorld().simTime;
}
double oapiGetSimStep() {
    return STEP_LENGTH;
}
bool oapiAcceptDelayedKey(char key, double interval) {
    Record("oapiAcceptDelayedKey %d", key);
    return true;
}
double oapiRand() {
    return 0.5;
}
VESSEL *oapiGetVesselInterface(OBJHANDLE hVessel) {
    Ship *ship = FindShip(hVessel);
    return ship ? ship->vessel : nullptr;
}
DWORD oapiGetVesselCount() {
    return static_cast<DWORD>(TheWorld().shipCount);
}
OBJHANDLE oapiGetVesselByIndex(int index) {
    World &world = TheWorld();
    return index >= 0 && index < world.shipCount ? &world.ships[index] : nullptr;
}
OBJHANDLE oapiGetObjectByName(char *name) {
    World &world = TheWorld();
    for (int i = 0; name != nullptr && i < world.shipCount; ++i) {
        if (!world.ships[i].deleted && std::strcmp(world.ships[i].name, name) == 0) {
            return &world.ships[i];
        }
    }
    return nullptr;
}
void oapiGetObjectName(OBJHANDLE hObj, char *name, int n) {
    Ship *ship = FindShip(hObj);
    if (name != nullptr && n > 0) {
        std::snprintf(name, static_cast<size_t>(n), "%s", ship ? ship->name : "");
    }
}
OBJHANDLE oapiCreateVessel(const char *name, const char *classname, const VESSELSTATUS &status) {
    Record("oapiCreateVessel %s %s", name, classname);
    return AddShip(name, classname);
}
bool oapiDeleteVessel(OBJHANDLE hVessel, OBJHANDLE hAlternativeCameraTarget) {
    Ship *ship = FindShip(hVessel);
    Record("oapiDeleteVessel %s", ship ? ship->name : "?");
    if (ship != nullptr) {
        ship->deleted = true;
    }
    return ship != nullptr;
}
OBJHANDLE oapiSetFocusObject(OBJHANDLE hVessel) {
    Ship *ship = FindShip(hVessel);
    Record("oapiSetFocusObject %s", ship ? ship->name : "?");
    OBJHANDLE previous = TheWorld().focus;
    TheWorld().focus = hVessel;
    return previous;
}
double oapiGetEmptyMass(OBJHANDLE hVessel) {
    Ship *ship = FindShip(hVessel);
    return ship ? ship->emptyMass : 0.0;
}
void oapiSetEmptyMass(OBJHANDLE hVessel, double mass) {
    Record("oapiSetEmptyMass %g", mass);
    if (Ship *ship = FindShip(hVessel)) {
        ship->emptyMass = mass;
    }
}
void oapiGetGlobalPos(OBJHANDLE hObj, VECTOR3 *pos) {
    Ship *ship = FindShip(hObj);
    *pos = ship ? ship->pos : _V(0, 0, 0);
}
void oapiWriteLog(char *line) {
    Record("log %s", line);
}

// ---- VESSEL ----------------------------------------------------------------------------
VESSEL::VESSEL(OBJHANDLE hVessel, int fmodel)
    : vessel(static_cast<Vessel *>(hVessel)), flightmodel(static_cast<short>(fmodel)), version(0) {}
const OBJHANDLE VESSEL::GetHandle() const {
    return vessel;
}
char *VESSEL::GetName() const {
    return ShipOf(vessel).name;
}
char *VESSEL::GetClassName() const {
    return ShipOf(vessel).className;
}
void VESSEL::SetEmptyMass(double m) const {
    Record("SetEmptyMass %g", m);
    ShipOf(vessel).emptyMass = m;
}
void VESSEL::SetSize(double size) const {
    Record("SetSize %g", size);
}
void VESSEL::SetTouchdownPoints(const VECTOR3 &, const VECTOR3 &, const VECTOR3 &) const {
    Record("SetTouchdownPoints");
}
void VESSEL::SetPMI(const VECTOR3 &pmi) const {
    Record("SetPMI %g %g %g", pmi.x, pmi.y, pmi.z);
}
void VESSEL::SetCrossSections(const VECTOR3 &cs) const {
    Record("SetCrossSections %g %g %g", cs.x, cs.y, cs.z);
}
void VESSEL::SetCW(double cw_z_pos, double cw_z_neg, double cw_x, double cw_y) const {
    Record("SetCW %g %g %g %g", cw_z_pos, cw_z_neg, cw_x, cw_y);
}
void VESSEL::SetRotDrag(const VECTOR3 &rd) const {
    Record("SetRotDrag %g %g %g", rd.x, rd.y, rd.z);
}
void VESSEL::SetPitchMomentScale(double scale) const {
    Record("SetPitchMomentScale %g", scale);
}
void VESSEL::SetBankMomentScale(double scale) const {
    Record("SetBankMomentScale %g", scale);
}
void VESSEL::SetCameraOffset(const VECTOR3 &co) const {
    Record("SetCameraOffset %g %g %g", co.x, co.y, co.z);
}
UINT VESSEL::InsertMesh(MESHHANDLE hMesh, UINT idx, const VECTOR3 *ofs) const {
    Record("InsertMesh %u", idx);
    return idx;
}
UINT VESSEL::AddMesh(MESHHANDLE hMesh, const VECTOR3 *ofs) const {
    static UINT meshes = 0;
    Record("AddMesh %u", meshes);
    return meshes++;
}
void VESSEL::SetMeshVisibilityMode(UINT idx, WORD mode) const {
    Record("SetMeshVisibilityMode %u %u", idx, mode);
}
UINT VESSEL::CreateAnimation(double initial_state) const {
    static UINT animations = 0;
    Record("CreateAnimation %g", initial_state);
    return animations++;
}
ANIMATIONCOMPONENT_HANDLE VESSEL::AddAnimationComponent(UINT anim, double state0, double state1,
                                                        MGROUP_TRANSFORM *trans,
                                                        ANIMATIONCOMPONENT_HANDLE parent) const {
    Record("AddAnimationComponent %u type %d", anim, trans ? static_cast<int>(trans->Type()) : -1);
    return SOME_HANDLE;
}
bool VESSEL::SetAnimation(UINT anim, double state) const {
    return true;  // every step: not recorded
}
PSTREAM_HANDLE VESSEL::AddReentryStream(PARTICLESTREAMSPEC *pss) const {
    Record("AddReentryStream");
    return SOME_HANDLE;
}
void VESSEL::SetReentryTexture(SURFHANDLE tex, double plimit, double lscale, double wscale) const {
    Record("SetReentryTexture %g", plimit);
}
PROPELLANT_HANDLE VESSEL::CreatePropellantResource(double maxmass, double mass,
                                                   double efficiency) const {
    Record("CreatePropellantResource %g", maxmass);
    return SOME_HANDLE;
}
void VESSEL::SetDefaultPropellantResource(PROPELLANT_HANDLE ph) const {
    Record("SetDefaultPropellantResource");
}
THRUSTER_HANDLE VESSEL::CreateThruster(const VECTOR3 &pos, const VECTOR3 &dir, double maxth0,
                                       PROPELLANT_HANDLE hp, double isp0, double isp_ref,
                                       double p_ref) const {
    Record("CreateThruster %g", maxth0);
    return SOME_HANDLE;
}
THGROUP_HANDLE VESSEL::CreateThrusterGroup(THRUSTER_HANDLE *th, int nth, THGROUP_TYPE thgt) const {
    Record("CreateThrusterGroup %d thrusters type %d", nth, static_cast<int>(thgt));
    return SOME_HANDLE;
}
UINT VESSEL::AddExhaust(THRUSTER_HANDLE th, double lscale, double wscale, const VECTOR3 &pos,
                        const VECTOR3 &dir, SURFHANDLE tex) const {
    Record("AddExhaust");
    return 0;
}
PSTREAM_HANDLE VESSEL::AddExhaustStream(THRUSTER_HANDLE th, const VECTOR3 &pos,
                                        PARTICLESTREAMSPEC *pss) const {
    Record("AddExhaustStream");
    return SOME_HANDLE;
}
double VESSEL::GetThrusterGroupLevel(THGROUP_HANDLE thg) const {
    return 0.0;
}
void VESSEL::SetThrusterGroupLevel(THGROUP_HANDLE thg, double level) const {
    Record("SetThrusterGroupLevel %g", level);
}
void VESSEL::ParseScenarioLineEx(char *line, void *status) const {
    Record("default line %s", line);
}
void VESSEL::SaveDefaultState(FILEHANDLE scn) const {
    Record("SaveDefaultState");
}
void VESSEL::GetStatus(VESSELSTATUS &status) const {
    status = VESSELSTATUS();
    status.rpos = ShipOf(vessel).pos;
}
void VESSEL::GetRotationMatrix(MATRIX3 &R) const {
    R = MATRIX3{{1, 0, 0, 0, 1, 0, 0, 0, 1}};
}
void VESSEL::SetRotationMatrix(const MATRIX3 &R) const {
    Record("SetRotationMatrix");
}
void VESSEL::GetAngularVel(VECTOR3 &avel) const {
    avel = _V(0, 0, 0);
}
void VESSEL::Local2Rel(const VECTOR3 &local, VECTOR3 &rel) const {
    const VECTOR3 &pos = ShipOf(vessel).pos;
    rel = _V(pos.x + local.x, pos.y + local.y, pos.z + local.z);
}
void VESSEL::GlobalRot(const VECTOR3 &rloc, VECTOR3 &rglob) const {
    rglob = rloc;
}
void VESSEL::Global2Local(const VECTOR3 &global, VECTOR3 &local) const {
    const VECTOR3 &pos = ShipOf(vessel).pos;
    local = _V(global.x - pos.x, global.y - pos.y, global.z - pos.z);
}
UINT VESSEL::DockCount() const {
    return 0;
}
DOCKHANDLE VESSEL::GetDockHandle(UINT n) const {
    return nullptr;
}
OBJHANDLE VESSEL::GetDockStatus(DOCKHANDLE hDock) const {
    return nullptr;
}
DOCKHANDLE VESSEL::CreateDock(const VECTOR3 &pos, const VECTOR3 &dir, const VECTOR3 &rot) const {
    Record("CreateDock");
    return SOME_HANDLE;
}
ATTACHMENTHANDLE VESSEL::CreateAttachment(bool toparent, const VECTOR3 &pos, const VECTOR3 &dir,
                                          const VECTOR3 &rot, const char *id, bool loose) const {
    Ship &ship = ShipOf(vessel);
    Record("CreateAttachment %s", id ? id : "");
    if (ship.pointCount == POINT_COUNT) {
        return nullptr;
    }
    Attachment &point = ship.points[ship.pointCount++];
    point = Attachment{toparent, pos, dir, rot, {}};
    std::snprintf(point.id, sizeof point.id, "%s", id ? id : "");
    return &point;
}
void VESSEL::SetAttachmentParams(ATTACHMENTHANDLE attachment, const VECTOR3 &pos,
                                 const VECTOR3 &dir, const VECTOR3 &rot) const {
    if (Attachment *point = PointOf(attachment)) {
        point->pos = pos, point->dir = dir, point->rot = rot;
    }
}
void VESSEL::GetAttachmentParams(ATTACHMENTHANDLE attachment, VECTOR3 &pos, VECTOR3 &dir,
                                 VECTOR3 &rot) const {
    if (Attachment *point = PointOf(attachment)) {
        pos = point->pos, dir = point->dir, rot = point->rot;
    }
}
DWORD VESSEL::AttachmentCount(bool toparent) const {
    const Ship &ship = ShipOf(vessel);
    DWORD count = 0;
    for (int i = 0; i < ship.pointCount; ++i) {
        count += ship.points[i].toParent == toparent ? 1 : 0;
    }
    return count;
}
ATTACHMENTHANDLE VESSEL::GetAttachmentHandle(bool toparent, DWORD i) const {
    Ship &ship = ShipOf(vessel);
    for (int k = 0; k < ship.pointCount; ++k) {
        if (ship.points[k].toParent == toparent && i-- == 0) {
            return &ship.points[k];
        }
    }
    return nullptr;
}
const char *VESSEL::GetAttachmentId(ATTACHMENTHANDLE attachment) const {
    return attachment ? PointOf(attachment)->id : nullptr;
}

// ---- VESSEL2: the simulator's defaults -------------------------------------------------
VESSEL2::VESSEL2(OBJHANDLE hVessel, int fmodel) : VESSEL(hVessel, fmodel) {
    version = 1;
}
void VESSEL2::clbkSetClassCaps(FILEHANDLE cfg) {}
void VESSEL2::clbkSaveState(FILEHANDLE scn) {
    SaveDefaultState(scn);
}
void VESSEL2::clbkLoadStateEx(FILEHANDLE scn, void *status) {
    char *line = nullptr;
    while (oapiReadScenario_nextline(scn, line)) {
        ParseScenarioLineEx(line, status);
    }
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
