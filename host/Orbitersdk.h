// The host simulator's vessel-module API, as the module sees it.
//
// On Windows the simulator ships these declarations in its own SDK; building vessel/ and
// crew/ there only swaps the include path (see VEMO_HOST_SDK_DIR in CMakeLists.txt). On
// this machine the headless host in sim/ implements every function and method declared
// here. Names, parameter types, const-ness and default arguments are the host's own, and so
// is the kind of each name: what the host's header makes a macro is a macro here too, so a
// module that declared an object of that name would fail here as it fails there. With
// _WIN32 the header takes the Windows types from windows.h, as the host's own does.
#ifndef VEMO_HOST_ORBITERSDK_H
#define VEMO_HOST_ORBITERSDK_H

#include <float.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <vector>

// ---------------------------------------------------------------------------------------
// Platform glue: the only place that knows how symbols cross the module boundary.
// ---------------------------------------------------------------------------------------
#if defined(_WIN32)
#include <windows.h>
// The simulator's side of the boundary (win/standin/) defines it as __declspec(dllexport).
#ifndef OAPIFUNC
#define OAPIFUNC __declspec(dllimport)
#endif
#define DLLCLBK extern "C" __declspec(dllexport)
#else
// The module is built with hidden visibility; the host's API stays visible so that the
// module's references bind to the host library, and the four entry points are exported.
#define OAPIFUNC __attribute__((visibility("default")))
#define DLLCLBK extern "C" __attribute__((visibility("default")))
#endif

// The host's names for the two directions a symbol crosses a module boundary.
#if !defined(DLLIMPORT)
#if defined(_WIN32)
#define DLLIMPORT __declspec(dllimport)
#define DLLEXPORT __declspec(dllexport)
#else
#define DLLIMPORT __attribute__((visibility("default")))
#define DLLEXPORT __attribute__((visibility("default")))
#endif
#endif

// The Windows C library's comparison of at most n characters without regard to letter case,
// which modules written for the host use as it is.
#if !defined(_WIN32)
#include <strings.h>
inline int _strnicmp(const char *a, const char *b, size_t n) {
    return strncasecmp(a, b, n);
}
#endif

// ---------------------------------------------------------------------------------------
// Scalar and handle types
// ---------------------------------------------------------------------------------------
#if !defined(_WIN32)
typedef std::uint32_t DWORD;
typedef unsigned int UINT;
typedef std::uint16_t WORD;
typedef struct HINSTANCE__ *HINSTANCE;
typedef struct HDC__ *HDC;
#endif

typedef void *OBJHANDLE;
typedef void *VISHANDLE;
typedef void *MESHHANDLE;
typedef void *SURFHANDLE;
typedef void *FILEHANDLE;
typedef void *THRUSTER_HANDLE;
typedef void *THGROUP_HANDLE;
typedef void *PROPELLANT_HANDLE;
typedef void *PSTREAM_HANDLE;
typedef void *DOCKHANDLE;
typedef void *ATTACHMENTHANDLE;
typedef void *ANIMATIONCOMPONENT_HANDLE;
typedef void *AIRFOILHANDLE;
typedef void *PANELHANDLE;

// The drawing surface of the simulator's HUD and panels; the headless host draws nothing.
namespace oapi {
class Sketchpad;
}

// What the host tells clbkDrawHUD about the HUD: its size in pixels, its centre, the pixels
// per degree and the size of its markers.
typedef struct {
    int W, H;
    int CX, CY;
    double Scale;
    int Markersize;
} HUDPAINTSPEC;

// ---------------------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------------------
const double PI = 3.14159265358979323846;
const double PI05 = PI * 0.5;   // pi/2
const double PI2 = PI * 2.0;    // 2 pi
const double RAD = PI / 180.0;  // radians per degree
const double DEG = 180.0 / PI;  // degrees per radian
const double G = 9.81;          // gravitational acceleration at the Earth's mean radius, m/s^2

// ---------------------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------------------
typedef union {
    double data[3];
    struct {
        double x, y, z;
    };
} VECTOR3;

inline VECTOR3 _V(double x, double y, double z) {
    VECTOR3 v = {{x, y, z}};
    return v;
}

typedef union {
    double data[9];  // row-major
    struct {
        double m11, m12, m13, m21, m22, m23, m31, m32, m33;
    };
} MATRIX3;

typedef struct {
    VECTOR3 rpos;      // position relative to the reference body, m
    VECTOR3 rvel;      // velocity relative to the reference body, m/s
    VECTOR3 vrot;      // angular velocity, rad/s
    VECTOR3 arot;      // orientation as Euler angles, rad
    double fuel;       // 0..1
    double eng_main;   // -1..1
    double eng_hovr;   // 0..1
    OBJHANDLE rbody;   // reference body
    OBJHANDLE base;    // docking or landing target
    int port;
    int status;        // 0 free flight, 1 landed
    VECTOR3 vdata[10];
    double fdata[10];
    DWORD flag[10];
} VESSELSTATUS;

// A vessel's state as clbkLoadStateEx receives it (`version` is 2) and ParseScenarioLineEx
// fills it; the host applies it once clbkLoadStateEx returns. The lists and `flag` say which
// of the tank and thruster levels and docking entries it carries.
typedef struct {
    DWORD version;
    DWORD flag;       // VS_* bits
    OBJHANDLE rbody;  // reference body
    OBJHANDLE base;   // surface base the vessel stands on, or null
    int port;         // landing pad of that base, -1 for none
    int status;       // 0 free flight, 1 landed
    VECTOR3 rpos;     // position relative to rbody, m
    VECTOR3 rvel;     // velocity relative to rbody, m/s
    VECTOR3 vrot;     // angular velocity, rad/s
    VECTOR3 arot;     // orientation angles, rad
    double surf_lng;  // where a landed vessel stands, rad
    double surf_lat;
    double surf_hdg;
    DWORD nfuel;
    struct FUELSPEC {
        DWORD idx;
        double level;
    } *fuel;
    DWORD nthruster;
    struct THRUSTSPEC {
        DWORD idx;
        double level;
    } *thruster;
    DWORD ndockinfo;
    struct DOCKINFOSPEC {
        DWORD idx;
        DWORD ridx;
        OBJHANDLE rvessel;
    } *dockinfo;
    DWORD xpdr;  // transponder channel
} VESSELSTATUS2;

#define VS_FUELRESET 0x1
#define VS_FUELLIST 0x2
#define VS_THRUSTRESET 0x4
#define VS_THRUSTLIST 0x8
#define VS_DOCKINFOLIST 0x10

typedef struct {
    DWORD flags;
    double srcsize;
    double srcrate;
    double v0;
    double srcspread;
    double lifetime;
    double growthrate;
    double atmslowdown;
    enum LTYPE { EMISSIVE, DIFFUSE } ltype;
    enum LEVELMAP { LVL_FLAT, LVL_LIN, LVL_SQRT, LVL_PLIN, LVL_PSQRT } levelmap;
    double lmin, lmax;
    enum ATMSMAP { ATM_FLAT, ATM_PLIN, ATM_PLOG } atmsmap;
    double amin, amax;
    SURFHANDLE tex;
} PARTICLESTREAMSPEC;

// Animation transforms. The host keeps the addresses it is given, so a module keeps these
// objects alive (and in place) for as long as any vessel uses them.
class MGROUP_TRANSFORM {
public:
    MGROUP_TRANSFORM() : mesh(0), grp(0), ngrp(0) {}
    MGROUP_TRANSFORM(UINT _mesh, UINT *_grp, UINT _ngrp) : mesh(_mesh), grp(_grp), ngrp(_ngrp) {}
    enum TYPE { NULLTRANSFORM, ROTATE, TRANSLATE, SCALE };
    virtual TYPE Type() const { return NULLTRANSFORM; }

    UINT mesh;
    UINT *grp;
    UINT ngrp;
};

class MGROUP_ROTATE : public MGROUP_TRANSFORM {
public:
    MGROUP_ROTATE(UINT _mesh, UINT *_grp, UINT _ngrp, const VECTOR3 &_ref, const VECTOR3 &_axis,
                  float _angle)
        : MGROUP_TRANSFORM(_mesh, _grp, _ngrp), ref(_ref), axis(_axis), angle(_angle) {}
    TYPE Type() const { return ROTATE; }

    VECTOR3 ref;
    VECTOR3 axis;
    float angle;
};

class MGROUP_SCALE : public MGROUP_TRANSFORM {
public:
    MGROUP_SCALE(UINT _mesh, UINT *_grp, UINT _ngrp, const VECTOR3 &_ref, const VECTOR3 &_scale)
        : MGROUP_TRANSFORM(_mesh, _grp, _ngrp), ref(_ref), scale(_scale) {}
    TYPE Type() const { return SCALE; }

    VECTOR3 ref;
    VECTOR3 scale;
};

enum THGROUP_TYPE {
    THGROUP_MAIN,
    THGROUP_RETRO,
    THGROUP_HOVER,
    THGROUP_ATT_PITCHUP,
    THGROUP_ATT_PITCHDOWN,
    THGROUP_ATT_YAWLEFT,
    THGROUP_ATT_YAWRIGHT,
    THGROUP_ATT_BANKLEFT,
    THGROUP_ATT_BANKRIGHT,
    THGROUP_ATT_RIGHT,
    THGROUP_ATT_LEFT,
    THGROUP_ATT_UP,
    THGROUP_ATT_DOWN,
    THGROUP_ATT_FORWARD,
    THGROUP_ATT_BACK,
    THGROUP_USER = 0x40,
    THGROUP_USER_LAST = 0xFF
};

// Mesh visibility modes (SetMeshVisibilityMode).
#define MESHVIS_NEVER 0x00
#define MESHVIS_EXTERNAL 0x01
#define MESHVIS_COCKPIT 0x02
#define MESHVIS_ALWAYS (MESHVIS_EXTERNAL | MESHVIS_COCKPIT)
#define MESHVIS_VC 0x04

// A touchdown point: where it is in the vessel frame, how hard the ground pushes back when it
// sinks in (N/m) and against its sinking speed (N s/m), and its friction coefficients across
// and along the vessel's long axis.
typedef struct {
    VECTOR3 pos;
    double stiffness, damping;
    double mu, mu_lng;
} TOUCHDOWNVTX;

// Airfoils: the lift of a vertical one lies in the vessel's y-z plane (wings), of a horizontal
// one in its x-z plane (fins).
enum AIRFOIL_ORIENTATION { LIFT_VERTICAL, LIFT_HORIZONTAL, FORCE_AND_MOMENT };
class VESSEL;
// An airfoil's coefficients at angle of attack aoa (rad), Mach number M and Reynolds number
// Re: lift cl, moment cm and drag cd.
typedef void (*AirfoilCoeffFuncEx)(VESSEL *v, double aoa, double M, double Re, void *context,
                                   double *cl, double *cm, double *cd);
// The older single lift coefficient of a vessel, by angle of attack.
typedef double (*LiftCoeffFunc)(double aoa);

// Control surfaces, and the axis about which each moves its lift.
enum AIRCTRL_TYPE {
    AIRCTRL_ELEVATOR,
    AIRCTRL_RUDDER,
    AIRCTRL_AILERON,
    AIRCTRL_FLAP,
    AIRCTRL_ELEVATORTRIM,
    AIRCTRL_RUDDERTRIM
};
#define AIRCTRL_AXIS_AUTO 0
#define AIRCTRL_AXIS_YPOS 1
#define AIRCTRL_AXIS_YNEG 2
#define AIRCTRL_AXIS_XPOS 3
#define AIRCTRL_AXIS_XNEG 4

// ---------------------------------------------------------------------------------------
// Keyboard
// ---------------------------------------------------------------------------------------
#define OAPI_KEY_LCONTROL 0x1D
#define OAPI_KEY_LSHIFT 0x2A
#define OAPI_KEY_RSHIFT 0x36
#define OAPI_KEY_LALT 0x38
#define OAPI_KEY_RCONTROL 0x9D
#define OAPI_KEY_RALT 0xB8
#define OAPI_KEY_1 0x02
#define OAPI_KEY_2 0x03
#define OAPI_KEY_3 0x04
#define OAPI_KEY_E 0x12
#define OAPI_KEY_K 0x25

// A key is held while the high bit of its byte in the keyboard state is set; a modifier is
// held when either of its keys is.
#define KEYDOWN(buf, key) ((buf)[key] & 0x80)
#define KEYMOD_LSHIFT(buf) KEYDOWN(buf, OAPI_KEY_LSHIFT)
#define KEYMOD_RSHIFT(buf) KEYDOWN(buf, OAPI_KEY_RSHIFT)
#define KEYMOD_LCONTROL(buf) KEYDOWN(buf, OAPI_KEY_LCONTROL)
#define KEYMOD_RCONTROL(buf) KEYDOWN(buf, OAPI_KEY_RCONTROL)
#define KEYMOD_LALT(buf) KEYDOWN(buf, OAPI_KEY_LALT)
#define KEYMOD_RALT(buf) KEYDOWN(buf, OAPI_KEY_RALT)
#define KEYMOD_SHIFT(buf) (KEYMOD_LSHIFT(buf) || KEYMOD_RSHIFT(buf))
#define KEYMOD_CONTROL(buf) (KEYMOD_LCONTROL(buf) || KEYMOD_RCONTROL(buf))
#define KEYMOD_ALT(buf) (KEYMOD_LALT(buf) || KEYMOD_RALT(buf))

// ---------------------------------------------------------------------------------------
// Global functions
// ---------------------------------------------------------------------------------------
// The host's signatures return some handles const-qualified by value; keep them exact.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-qualifiers"
#endif
OAPIFUNC const MESHHANDLE oapiLoadMeshGlobal(const char *fname);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
OAPIFUNC SURFHANDLE oapiRegisterExhaustTexture(char *name);
OAPIFUNC SURFHANDLE oapiRegisterReentryTexture(char *name);
OAPIFUNC bool oapiReadScenario_nextline(FILEHANDLE scn, char *&line);
OAPIFUNC void oapiWriteScenario_string(FILEHANDLE scn, char *item, char *string);
OAPIFUNC double oapiGetSimTime();
OAPIFUNC double oapiGetSimStep();
OAPIFUNC bool oapiAcceptDelayedKey(char key, double interval);
OAPIFUNC double oapiRand();

class VESSEL;
class Vessel;  // the host's own object behind a VESSEL
OAPIFUNC VESSEL *oapiGetVesselInterface(OBJHANDLE hVessel);
OAPIFUNC DWORD oapiGetVesselCount();
OAPIFUNC OBJHANDLE oapiGetVesselByIndex(int index);
OAPIFUNC OBJHANDLE oapiGetObjectByName(char *name);
OAPIFUNC void oapiGetObjectName(OBJHANDLE hObj, char *name, int n);
OAPIFUNC OBJHANDLE oapiCreateVessel(const char *name, const char *classname,
                                    const VESSELSTATUS &status);
OAPIFUNC bool oapiDeleteVessel(OBJHANDLE hVessel, OBJHANDLE hAlternativeCameraTarget = 0);
OAPIFUNC OBJHANDLE oapiSetFocusObject(OBJHANDLE hVessel);
OAPIFUNC double oapiGetEmptyMass(OBJHANDLE hVessel);
OAPIFUNC void oapiSetEmptyMass(OBJHANDLE hVessel, double mass);
OAPIFUNC void oapiGetGlobalPos(OBJHANDLE hObj, VECTOR3 *pos);
OAPIFUNC void oapiWriteLog(char *line);
// Induced drag coefficient of a wing of aspect ratio A and efficiency e at lift cl, and
// the wave drag coefficient at Mach M: 0 below M1, rising to cmax at M2, cmax up to M3,
// falling off beyond.
OAPIFUNC double oapiGetInducedDrag(double cl, double A, double e);
OAPIFUNC double oapiGetWaveDrag(double M, double M1, double M2, double M3, double cmax);

// ---------------------------------------------------------------------------------------
// VESSEL: the host's interface to one vessel. No virtual functions, no virtual destructor.
// ---------------------------------------------------------------------------------------
class OAPIFUNC VESSEL {
public:
    VESSEL(OBJHANDLE hVessel, int fmodel = 1);

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-qualifiers"
#endif
    const OBJHANDLE GetHandle() const;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    char *GetName() const;
    // Without UNICODE, windows.h turns this name into GetClassNameA, on the module's side and
    // in the host's import library alike.
    char *GetClassName() const;

    void SetEmptyMass(double m) const;
    void SetSize(double size) const;
    void SetTouchdownPoints(const VECTOR3 &pt1, const VECTOR3 &pt2, const VECTOR3 &pt3) const;
    void SetTouchdownPoints(const TOUCHDOWNVTX *tdvtx, DWORD ntdvtx) const;
    void SetCOG_elev(double h) const;
    void SetPMI(const VECTOR3 &pmi) const;
    void SetCrossSections(const VECTOR3 &cs) const;
    void SetCW(double cw_z_pos, double cw_z_neg, double cw_x, double cw_y) const;
    void SetRotDrag(const VECTOR3 &rd) const;
    void SetPitchMomentScale(double scale) const;
    void SetBankMomentScale(double scale) const;
    void SetYawMomentScale(double scale) const;
    void SetLiftCoeffFunc(LiftCoeffFunc lcf) const;
    AIRFOILHANDLE CreateAirfoil3(AIRFOIL_ORIENTATION align, const VECTOR3 &ref,
                                 AirfoilCoeffFuncEx cf, void *context, double c, double S,
                                 double A) const;
    void CreateControlSurface(AIRCTRL_TYPE type, double area, double dCl, const VECTOR3 &ref,
                              int axis = AIRCTRL_AXIS_AUTO, UINT anim = (UINT)-1) const;
    void SetCameraOffset(const VECTOR3 &co) const;

    UINT InsertMesh(MESHHANDLE hMesh, UINT idx, const VECTOR3 *ofs = 0) const;
    UINT AddMesh(MESHHANDLE hMesh, const VECTOR3 *ofs = 0) const;
    UINT AddMesh(const char *meshname, const VECTOR3 *ofs = 0) const;
    void ClearMeshes() const;
    void SetMeshVisibilityMode(UINT idx, WORD mode) const;

    UINT CreateAnimation(double initial_state) const;
    ANIMATIONCOMPONENT_HANDLE AddAnimationComponent(UINT anim, double state0, double state1,
                                                    MGROUP_TRANSFORM *trans,
                                                    ANIMATIONCOMPONENT_HANDLE parent = NULL) const;
    bool SetAnimation(UINT anim, double state) const;

    PSTREAM_HANDLE AddReentryStream(PARTICLESTREAMSPEC *pss) const;
    void SetReentryTexture(SURFHANDLE tex, double plimit = 6e7, double lscale = 1.0,
                           double wscale = 1.0) const;

    PROPELLANT_HANDLE CreatePropellantResource(double maxmass, double mass = -1.0,
                                               double efficiency = 1.0) const;
    void SetDefaultPropellantResource(PROPELLANT_HANDLE ph) const;
    void ClearPropellantResources() const;
    THRUSTER_HANDLE CreateThruster(const VECTOR3 &pos, const VECTOR3 &dir, double maxth0,
                                   PROPELLANT_HANDLE hp = NULL, double isp0 = 0.0,
                                   double isp_ref = 0.0, double p_ref = 101.4e3) const;
    THGROUP_HANDLE CreateThrusterGroup(THRUSTER_HANDLE *th, int nth, THGROUP_TYPE thgt) const;
    UINT AddExhaust(THRUSTER_HANDLE th, double lscale, double wscale, const VECTOR3 &pos,
                    const VECTOR3 &dir, SURFHANDLE tex = 0) const;
    UINT AddExhaust(THRUSTER_HANDLE th, double lscale, double wscale, SURFHANDLE tex = 0) const;
    void ClearThrusterDefinitions() const;
    void ClearExhaustRefs() const;
    void ClearAttExhaustRefs() const;
    PSTREAM_HANDLE AddExhaustStream(THRUSTER_HANDLE th, const VECTOR3 &pos,
                                    PARTICLESTREAMSPEC *pss = 0) const;
    double GetThrusterGroupLevel(THGROUP_HANDLE thg) const;
    void SetThrusterGroupLevel(THGROUP_HANDLE thg, double level) const;

    void ParseScenarioLineEx(char *line, void *status) const;
    void SaveDefaultState(FILEHANDLE scn) const;

    void GetStatus(VESSELSTATUS &status) const;
    void GetRotationMatrix(MATRIX3 &R) const;
    void SetRotationMatrix(const MATRIX3 &R) const;
    void GetAngularVel(VECTOR3 &avel) const;
    void Local2Rel(const VECTOR3 &local, VECTOR3 &rel) const;
    void GlobalRot(const VECTOR3 &rloc, VECTOR3 &rglob) const;
    void Global2Local(const VECTOR3 &global, VECTOR3 &local) const;

    // Flight data: altitude above the body's mean radius (m), the air's pressure (Pa) and the
    // dynamic pressure of the air flowing past (Pa), and whether the vessel touches the ground.
    double GetAltitude() const;
    double GetAtmPressure() const;
    double GetDynPressure() const;
    bool GroundContact() const;

    UINT DockCount() const;
    DOCKHANDLE GetDockHandle(UINT n) const;
    OBJHANDLE GetDockStatus(DOCKHANDLE hDock) const;
    // Makes a docking port in the vessel frame.
    DOCKHANDLE CreateDock(const VECTOR3 &pos, const VECTOR3 &dir, const VECTOR3 &rot) const;
    // Defines docking port 0 (made if the vessel has no port yet).
    void SetDockParams(const VECTOR3 &pos, const VECTOR3 &dir, const VECTOR3 &rot) const;

    ATTACHMENTHANDLE CreateAttachment(bool toparent, const VECTOR3 &pos, const VECTOR3 &dir,
                                      const VECTOR3 &rot, const char *id,
                                      bool loose = false) const;
    void SetAttachmentParams(ATTACHMENTHANDLE attachment, const VECTOR3 &pos, const VECTOR3 &dir,
                             const VECTOR3 &rot) const;
    void GetAttachmentParams(ATTACHMENTHANDLE attachment, VECTOR3 &pos, VECTOR3 &dir,
                             VECTOR3 &rot) const;
    DWORD AttachmentCount(bool toparent) const;
    ATTACHMENTHANDLE GetAttachmentHandle(bool toparent, DWORD i) const;
    const char *GetAttachmentId(ATTACHMENTHANDLE attachment) const;

    // Which interface this is: 0 for the plain VESSEL the host makes itself when no module
    // runs a vessel, 1 for a VESSEL2, 2 for a VESSEL3, 3 for a VESSEL4.
    int Version() const { return version; }

protected:
    Vessel *vessel;  // the host's own reference to this vessel; the module never looks inside
    short flightmodel;
    short version;
};

// ---------------------------------------------------------------------------------------
// VESSEL2: adds the callbacks the host makes, in slot order. Each default does what the
// host does for a vessel that does not override it.
// ---------------------------------------------------------------------------------------
class OAPIFUNC VESSEL2 : public VESSEL {
public:
    VESSEL2(OBJHANDLE hVessel, int fmodel = 1);

    virtual void clbkSetClassCaps(FILEHANDLE cfg);
    virtual void clbkSaveState(FILEHANDLE scn);
    virtual void clbkLoadStateEx(FILEHANDLE scn, void *status);
    virtual void clbkSetStateEx(const void *status);
    virtual void clbkPostCreation();
    virtual void clbkFocusChanged(bool getfocus, OBJHANDLE hNewVessel, OBJHANDLE hOldVessel);
    virtual void clbkPreStep(double simt, double simdt, double mjd);
    virtual void clbkPostStep(double simt, double simdt, double mjd);
    virtual bool clbkPlaybackEvent(double simt, double event_t, const char *event_type,
                                   const char *event);
    virtual void clbkVisualCreated(VISHANDLE vis, int refcount);
    virtual void clbkVisualDestroyed(VISHANDLE vis, int refcount);
    virtual void clbkDrawHUD(int mode, const HUDPAINTSPEC *hps, HDC hDC);
    virtual void clbkRCSMode(int mode);
    virtual void clbkADCtrlMode(DWORD mode);
    virtual void clbkHUDMode(int mode);
    virtual void clbkMFDMode(int mfd, int mode);
    virtual void clbkNavMode(int mode, bool active);
    virtual void clbkDockEvent(int dock, OBJHANDLE mate);
    virtual void clbkAnimate(double simt);
    virtual int clbkConsumeDirectKey(char *kstate);
    virtual int clbkConsumeBufferedKey(DWORD key, bool down, char *kstate);
    virtual bool clbkLoadGenericCockpit();
    virtual bool clbkLoadPanel(int id);
    virtual bool clbkPanelMouseEvent(int id, int event, int mx, int my);
    virtual bool clbkPanelRedrawEvent(int id, int event, SURFHANDLE surf);
    virtual bool clbkLoadVC(int id);
    virtual bool clbkVCMouseEvent(int id, int event, VECTOR3 &p);
    virtual bool clbkVCRedrawEvent(int id, int event, SURFHANDLE surf);
};

// ---------------------------------------------------------------------------------------
// VESSEL3: VESSEL2 with further callbacks, after VESSEL2's in slot order. The host never calls
// the panel and HUD ones.
// ---------------------------------------------------------------------------------------
class OAPIFUNC VESSEL3 : public VESSEL2 {
public:
    VESSEL3(OBJHANDLE hVessel, int fmodel = 1);
    // VESSEL2's callbacks of these names stay callable beside the new ones.
    using VESSEL2::clbkDrawHUD;
    using VESSEL2::clbkPanelMouseEvent;
    using VESSEL2::clbkPanelRedrawEvent;

    virtual bool clbkPanelMouseEvent(int id, int event, int mx, int my, void *context);
    virtual bool clbkPanelRedrawEvent(int id, int event, SURFHANDLE surf, void *context);
    virtual int clbkGeneric(int msgid = 0, int prm = 0, void *context = NULL);
    virtual bool clbkLoadPanel2D(int id, PANELHANDLE hPanel, DWORD viewW, DWORD viewH);
    virtual bool clbkDrawHUD(int mode, const HUDPAINTSPEC *hps, oapi::Sketchpad *skp);
    virtual void clbkRenderHUD(int mode, const HUDPAINTSPEC *hps, SURFHANDLE hTex);
    // The force of the light falling on the vessel (mflux, the momentum flux), and where it
    // acts; by default a body of the vessel's size facing the light.
    virtual bool clbkGetRadiationForce(const VECTOR3 &mflux, VECTOR3 &F, VECTOR3 &pos);
};

#endif  // VEMO_HOST_ORBITERSDK_H
