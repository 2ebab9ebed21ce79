// glider: a small powered glider, a sample for module authors. It shows a winged vessel: a
// wing and a fin with their coefficient functions, elevator, rudder and ailerons, a main
// engine with its exhaust, sprung touchdown points for its wheels and tail skid, and a nose
// docking port.
//
// Keys: 1 main engine full, 2 main engine off, 3 writes the flight data to the log.
#include <new>

#include "Orbitersdk.h"

namespace {

// Mass and shape.
const double kEmptyMass = 400.0;            // kg
const double kFuelMass = 100.0;             // kg, the tank starts full
const double kSize = 6.0;                   // m, mean radius
const VECTOR3 kPmi = {{4.0, 5.0, 1.5}};     // m^2, principal moments of inertia per unit mass
const VECTOR3 kCrossSections = {{2.0, 12.0, 1.0}};  // m^2
const VECTOR3 kRotDrag = {{0.1, 0.1, 0.05}};        // -, damping of the turning in air
const double kCogElevation = 1.2;           // m, height of the centre of gravity when standing

// Main engine: thrust in vacuum (N), and its exhaust velocity in vacuum and at sea level.
const double kMainThrust = 2000.0;
const double kIspVacuum = 3000.0;  // m/s
const double kIspSeaLevel = 2400.0;  // m/s at 101.4 kPa

// Wing: a thin airfoil with stall beyond kStall, on a wing of aspect ratio kAspect.
const double kWingChord = 1.2;   // m
const double kWingArea = 12.0;   // m^2
const double kAspect = 10.0;     // -
const double kOswald = 0.8;      // span efficiency
const double kClSlope = 5.0;     // per radian
const double kStall = 15.0 * RAD;  // rad
const double kCd0 = 0.02;        // drag at zero lift
const double kCm0 = 0.05;        // pitching moment at zero lift: it trims at about 2 degrees
const double kCmSlope = -0.5;    // per radian: stable in pitch
// Wave drag: it begins at Mach 0.75, peaks at 0.05 from Mach 1.0 to 1.1.
const double kWaveM1 = 0.75, kWaveM2 = 1.0, kWaveM3 = 1.1, kWaveMax = 0.05;

// Fin: symmetric, area and chord.
const double kFinChord = 1.0;  // m
const double kFinArea = 1.5;   // m^2
const double kFinAspect = 1.5;
const double kFinClSlope = 3.0;  // per radian
const double kFinCd0 = 0.01;

// Control surfaces: area (m^2) and lift coefficient per unit of deflection.
const double kElevatorArea = 1.2, kRudderArea = 0.5, kAileronArea = 0.6;
const double kControlDCl = 1.5;

// Touchdown points: nose wheel, main wheels and tail skid. The three wheels share the weight
// alike (their centre lies under the centre of gravity), each sinking kSink under it.
const double kWheelDrop = 1.2;  // m below the centre of gravity
const double kSink = 0.04;      // m
const double kWheelStiffness = (kEmptyMass + kFuelMass) * G / (3.0 * kSink);  // N/m
const double kWheelDamping = 3000.0;  // N s/m
const double kWheelFriction = 0.6, kRollingFriction = 0.05, kSkidFriction = 0.8;
const TOUCHDOWNVTX kTouchdown[] = {
    {{{0.0, -kWheelDrop, 2.5}}, kWheelStiffness, kWheelDamping, kWheelFriction, kRollingFriction},
    {{{-1.5, -kWheelDrop, -1.25}}, kWheelStiffness, kWheelDamping, kWheelFriction,
     kRollingFriction},
    {{{1.5, -kWheelDrop, -1.25}}, kWheelStiffness, kWheelDamping, kWheelFriction,
     kRollingFriction},
    {{{0.0, -0.5, -4.5}}, kWheelStiffness, kWheelDamping, kSkidFriction, kSkidFriction},
};
const DWORD kTouchdownCount = sizeof kTouchdown / sizeof kTouchdown[0];

// Room for one line of flight data in the log.
const int kLogLine = 160;

// Wing coefficients: linear lift up to the stall, falling beyond it; drag at zero lift, the
// wing's induced drag, and wave drag near the speed of sound.
void WingCoeff(VESSEL *v, double aoa, double M, double Re, void *context, double *cl, double *cm,
               double *cd) {
    double a = aoa;
    if (a > kStall)
        a = kStall - (a - kStall);
    else if (a < -kStall)
        a = -kStall - (a + kStall);
    if (a > kStall || a < -kStall)
        a = 0.0;  // far beyond the stall the wing carries nothing
    *cl = kClSlope * a;
    *cm = kCm0 + kCmSlope * aoa;
    *cd = kCd0 + oapiGetInducedDrag(*cl, kAspect, kOswald) +
          oapiGetWaveDrag(M, kWaveM1, kWaveM2, kWaveM3, kWaveMax);
}

// Fin coefficients by sideslip angle: symmetric, stable in yaw.
void FinCoeff(VESSEL *v, double beta, double M, double Re, void *context, double *cl, double *cm,
              double *cd) {
    *cl = kFinClSlope * (beta > kStall ? kStall : (beta < -kStall ? -kStall : beta));
    *cm = 0.0;
    *cd = kFinCd0 + oapiGetInducedDrag(*cl, kFinAspect, kOswald);
}

class Glider final : public VESSEL3 {
public:
    Glider(OBJHANDLE hVessel, int fmodel) : VESSEL3(hVessel, fmodel), main_(0) {}

    void clbkSetClassCaps(FILEHANDLE cfg) override;
    int clbkConsumeBufferedKey(DWORD key, bool down, char *kstate) override;

private:
    void LogFlightData();

    THGROUP_HANDLE main_;
};

void Glider::clbkSetClassCaps(FILEHANDLE cfg) {
    // Start from nothing: the class set-up may run on a vessel that had another's.
    ClearMeshes();
    ClearExhaustRefs();
    ClearAttExhaustRefs();
    ClearThrusterDefinitions();
    ClearPropellantResources();

    SetSize(kSize);
    SetEmptyMass(kEmptyMass);
    SetCOG_elev(kCogElevation);
    SetPMI(kPmi);
    SetCrossSections(kCrossSections);
    SetRotDrag(kRotDrag);
    SetPitchMomentScale(0.0);
    SetYawMomentScale(0.0);
    SetBankMomentScale(0.0);
    SetLiftCoeffFunc(0);  // the airfoils below carry all the lift
    SetTouchdownPoints(kTouchdown, kTouchdownCount);
    SetDockParams(_V(0, 0, 5.0), _V(0, 0, 1), _V(0, 1, 0));

    PROPELLANT_HANDLE tank = CreatePropellantResource(kFuelMass);
    THRUSTER_HANDLE engine = CreateThruster(_V(0, 0, -5.0), _V(0, 0, 1), kMainThrust, tank,
                                            kIspVacuum, kIspSeaLevel);
    main_ = CreateThrusterGroup(&engine, 1, THGROUP_MAIN);
    AddExhaust(engine, 2.0, 0.3);

    CreateAirfoil3(LIFT_VERTICAL, _V(0, 0, -0.2), WingCoeff, 0, kWingChord, kWingArea, kAspect);
    CreateAirfoil3(LIFT_HORIZONTAL, _V(0, 0.5, -4.0), FinCoeff, 0, kFinChord, kFinArea,
                   kFinAspect);
    CreateControlSurface(AIRCTRL_ELEVATOR, kElevatorArea, kControlDCl, _V(0, 0, -4.5));
    CreateControlSurface(AIRCTRL_RUDDER, kRudderArea, kControlDCl, _V(0, 0.8, -4.5));
    CreateControlSurface(AIRCTRL_AILERON, kAileronArea, kControlDCl, _V(4.0, 0, -0.3));
    CreateControlSurface(AIRCTRL_AILERON, kAileronArea, kControlDCl, _V(-4.0, 0, -0.3));

    AddMesh("glider");
}

int Glider::clbkConsumeBufferedKey(DWORD key, bool down, char *kstate) {
    if (!down)
        return 0;
    switch (key) {
    case OAPI_KEY_1:
        SetThrusterGroupLevel(main_, 1.0);
        return 1;
    case OAPI_KEY_2:
        SetThrusterGroupLevel(main_, 0.0);
        return 1;
    case OAPI_KEY_3:
        LogFlightData();
        return 1;
    }
    return 0;
}

void Glider::LogFlightData() {
    char line[kLogLine];
    snprintf(line, sizeof line,
             "glider: altitude %.1f m, air pressure %.1f Pa, dynamic pressure %.1f Pa, %s",
             GetAltitude(), GetAtmPressure(), GetDynPressure(),
             GroundContact() ? "on the ground" : "in flight");
    oapiWriteLog(line);
}

}  // namespace

DLLCLBK void InitModule(HINSTANCE hModule) {}
DLLCLBK void ExitModule(HINSTANCE hModule) {}

// Null when the instance cannot be allocated: the host then runs the vessel as a plain VESSEL
// of its own (Version() 0), hands that to ovcExit at the end, and deletes it itself.
DLLCLBK VESSEL *ovcInit(OBJHANDLE hvessel, int flightmodel) {
    return new (std::nothrow) Glider(hvessel, flightmodel);
}

DLLCLBK void ovcExit(VESSEL *vessel) {
    if (vessel != nullptr && vessel->Version() != 0) {
        delete static_cast<Glider *>(vessel);
    }
}
