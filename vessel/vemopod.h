// The vemopod capsule: a small crewed capsule with 22 attitude thrusters, a deployment that
// ends in a one-shot retro engine, and one seat.
#ifndef VEMO_VESSEL_VEMOPOD_H
#define VEMO_VESSEL_VEMOPOD_H

#include "CrewManager.h"
#include "KeptCrewLines.h"
#include "Orbitersdk.h"

// The host allocates nothing of ours: ovcInit makes one instance with the ordinary
// allocation, and ovcExit frees that very block, and with it the refused crew lines the
// instance kept. Every handle below belongs to the host.
class vemopod final : public VESSEL2 {
public:
    vemopod(OBJHANDLE hVessel, int fmodel);

    // In the order the host first calls them.
    void clbkSetClassCaps(FILEHANDLE cfg) override;
    void clbkLoadStateEx(FILEHANDLE scn, void *status) override;
    void clbkPostStep(double simt, double simdt, double mjd) override;
    int clbkConsumeBufferedKey(DWORD key, bool down, char *kstate) override;
    void clbkSaveState(FILEHANDLE scn) override;

private:
    // Parts of the class set-up, in the order clbkSetClassCaps calls them.
    void SetUpMeshes();
    void SetUpAnimations();
    void CreateAttitudeThrusters();
    void SetUpCrew();
    void CreateEngine();

    double deployState;                  // 0 stowed .. 1 fully deployed; drives deployAnim
    double cockpitAnimState;             // state of cockpitAnim; stays 0
    bool deploying;                      // deployment in progress (set by K)
    bool thrustLatched;                  // engine fired once: held at full level from then on
    bool engineCreated;                  // engine thruster, group and exhaust exist
    PROPELLANT_HANDLE rcsPropellant;     // 2 kg, attitude thrusters
    PROPELLANT_HANDLE enginePropellant;  // 6 kg, retro engine; the default tank
    THRUSTER_HANDLE engineThruster;      // also the one-element list the engine group is made of
    THGROUP_HANDLE engineGroup;          // retro group holding engineThruster alone
    MESHHANDLE podMesh;
    MESHHANDLE crewMesh;         // crew member seen from outside
    MESHHANDLE crewCockpitMesh;  // crew member seen from the cockpit
    UINT deployAnim;
    UINT cockpitAnim;
    SURFHANDLE exhaustTexture;
    SURFHANDLE reentryTexture;
    UINT crewMeshIndex;
    UINT crewCockpitMeshIndex;

    // Crew lines the roster refused: all of them while the crew manager could not be set up
    // (the companion module is missing), otherwise those beyond the seat or that it could
    // not read. The host's parser does not keep them, so they are written back on saving
    // as read: no member named in a scenario is lost by loading and saving it.
    KeptCrewLines keptCrewLines;

    int crewInitResult;  // InitCrewManager's code, kept for inspection
    CrewManager crew;    // last member: zeroed at construction, so not ready until set up
};

#endif  // VEMO_VESSEL_VEMOPOD_H
