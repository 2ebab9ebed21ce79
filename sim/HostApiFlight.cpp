// VESSEL, the host API of one vessel in flight: touchdown points with springs, airfoils and
// control surfaces, the flight data a module reads; and the drag formulas of the API.
#include <algorithm>
#include <cmath>
#include <string>

#include "HostApiContext.h"

using namespace sim;

namespace {

// Most touchdown points the host takes from one call.
constexpr DWORD kMostTouchdownPoints = 1024;

bool usable(const TOUCHDOWNVTX &p) {
    return isFinite(p.pos) && std::isfinite(p.stiffness) && std::isfinite(p.damping) &&
           std::isfinite(p.mu) && std::isfinite(p.mu_lng);
}

// The axis a control surface moves its lift about, when the module leaves it to the host.
int autoAxis(AIRCTRL_TYPE type, const VECTOR3 &ref) {
    switch (type) {
    case AIRCTRL_RUDDER:
    case AIRCTRL_RUDDERTRIM: return AIRCTRL_AXIS_YPOS;
    case AIRCTRL_AILERON: return ref.x > 0.0 ? AIRCTRL_AXIS_XPOS : AIRCTRL_AXIS_XNEG;
    default: return AIRCTRL_AXIS_XPOS;
    }
}

}  // namespace

void VESSEL::SetTouchdownPoints(const TOUCHDOWNVTX *tdvtx, DWORD ntdvtx) const {
    ApiContext c = vesselCall(vessel, "SetTouchdownPoints");
    if (!c)
        return;
    // Three points at least make the plane the vessel stands on.
    if (!tdvtx || ntdvtx < 3 || ntdvtx > kMostTouchdownPoints ||
        !std::all_of(tdvtx, tdvtx + ntdvtx, usable)) {
        c.w->log(c.v, ev::kError,
                 "SetTouchdownPoints with " + std::to_string(ntdvtx) +
                     " points refused: it takes 3 to " + std::to_string(kMostTouchdownPoints) +
                     " points of finite numbers");
        return;
    }
    c.v->touchdownPoints.assign(tdvtx, tdvtx + ntdvtx);
    for (int i = 0; i < 3; ++i)
        c.v->caps.touchdown[i] = tdvtx[i].pos;
}

AIRFOILHANDLE VESSEL::CreateAirfoil3(AIRFOIL_ORIENTATION align, const VECTOR3 &ref,
                                     AirfoilCoeffFuncEx cf, void *context, double c, double S,
                                     double A) const {
    ApiContext ctx = vesselCall(vessel, "CreateAirfoil3");
    if (!ctx)
        return nullptr;
    Airfoil &a = addPart(ctx, ctx.v->airfoils, World::kAirfoil);
    a.align = align;
    a.ref = isFinite(ref) ? ref : vec(0, 0, 0);
    a.coeff = cf;
    a.context = context;
    a.chord = std::isfinite(c) ? c : 0.0;
    a.area = std::isfinite(S) && S > 0.0 ? S : 0.0;
    a.aspect = A;
    return &a;
}

void VESSEL::CreateControlSurface(AIRCTRL_TYPE type, double area, double dCl, const VECTOR3 &ref,
                                  int axis, UINT anim) const {
    ApiContext c = vesselCall(vessel, "CreateControlSurface");
    if (!c || !std::isfinite(area) || !std::isfinite(dCl) || !isFinite(ref))
        return;
    ControlSurface s;
    s.type = type;
    s.area = area;
    s.dCl = dCl;
    s.ref = ref;
    s.axis = axis >= AIRCTRL_AXIS_YPOS && axis <= AIRCTRL_AXIS_XNEG ? axis : autoAxis(type, ref);
    s.anim = anim;
    c.v->controlSurfaces.push_back(s);
}

double VESSEL::GetAltitude() const {
    ApiContext c = vesselCall(vessel, "GetAltitude");
    return c ? c.w->altitude(*c.v) : 0.0;
}

double VESSEL::GetAtmPressure() const {
    ApiContext c = vesselCall(vessel, "GetAtmPressure");
    return c ? c.w->airDataOf(*c.v).air.p : 0.0;
}

double VESSEL::GetDynPressure() const {
    ApiContext c = vesselCall(vessel, "GetDynPressure");
    return c ? c.w->airDataOf(*c.v).q : 0.0;
}

bool VESSEL::GroundContact() const {
    ApiContext c = vesselCall(vessel, "GroundContact");
    return c && c.w->groundContact(*c.v);
}

double oapiGetInducedDrag(double cl, double A, double e) {
    globalCall("oapiGetInducedDrag");
    return cl * cl / (PI * A * e);
}

double oapiGetWaveDrag(double M, double M1, double M2, double M3, double cmax) {
    globalCall("oapiGetWaveDrag");
    if (M < M1)
        return 0.0;
    if (M < M2)
        return cmax * (M - M1) / (M2 - M1);
    if (M < M3 || M <= 1.0)  // the fall-off holds above Mach 1 only
        return cmax;
    return cmax * std::sqrt((M3 * M3 - 1.0) / (M * M - 1.0));
}
