// crewhab: a small crew-capable vessel, written as a sample for module authors who want crew
// aboard their own vessels.
//
// Everything crew-related comes from the crew library's CrewManager, which the vessel holds
// by value. The vessel only wires it to the host's callbacks:
//   clbkSetClassCaps        set the manager up, define the airlock, choose the seat count
//   clbkLoadStateEx         offer every scenario line to the roster first ("VEMOCREW" lines),
//                           and keep the crew lines it refuses (more members than seats)
//   clbkSaveState           the host's lines, one crew line per member, the kept lines
//   clbkPostStep            take in members who walk into the airlock, or are handed over
//   clbkConsumeBufferedKey  E sends the first member out: on EVA, or, when a vessel with an
//                           open crew airlock is docked at port 0, straight over to it
// The manager reports by the result codes of CrewResult.h; the vessel acts on the two that
// matter to it and ignores the rest.
#include <Orbitersdk.h>

#include <new>

#include "CrewManager.h"
#include "KeptCrewLines.h"

namespace {

// Physical parameters.
constexpr double HAB_EMPTY_MASS = 2000.0;  // kg, without crew
constexpr double HAB_SIZE = 4.0;           // m, mean radius

// Crew.
constexpr int SEAT_COUNT = 4;
constexpr float AIRLOCK_HALF_WIDTH = 2.0f;  // m: the airlock box spans +-2 m on each axis
constexpr double KEY_REPEAT_DELAY = 1.0;    // s of simulation time between two accepted E

// The one docking port, at the back; its index is the port the crew library looks at.
constexpr VECTOR3 DOCK_POSITION = {{0.0, 0.0, -3.0}};  // m
constexpr VECTOR3 DOCK_DIRECTION = {{0.0, 0.0, -1.0}};
constexpr VECTOR3 DOCK_ROTATION = {{0.0, 1.0, 0.0}};

}  // namespace

class crewhab final : public VESSEL2 {
public:
    crewhab(OBJHANDLE hVessel, int fmodel) : VESSEL2(hVessel, fmodel), crew(), keptCrewLines() {}

    void clbkSetClassCaps(FILEHANDLE cfg) override {
        SetEmptyMass(HAB_EMPTY_MASS);
        SetSize(HAB_SIZE);
        CreateDock(DOCK_POSITION, DOCK_DIRECTION, DOCK_ROTATION);

        // The crew comes last, in this order: the airlock makes the manager ready, and only a
        // ready manager accepts the seat count. Members leave at the library's default exit
        // point, 3 m ahead on +z, just outside the airlock box.
        crew.InitCrewManager(GetHandle());
        crew.DefineAirlockShape(AIRLOCK_DOOR_OPEN, -AIRLOCK_HALF_WIDTH, AIRLOCK_HALF_WIDTH,
                                -AIRLOCK_HALF_WIDTH, AIRLOCK_HALF_WIDTH, -AIRLOCK_HALF_WIDTH,
                                AIRLOCK_HALF_WIDTH);
        crew.SetMaxSeatCount(SEAT_COUNT);
    }

    void clbkLoadStateEx(FILEHANDLE scn, void *status) override {
        keptCrewLines.Clear();
        char *line = nullptr;
        while (oapiReadScenario_nextline(scn, line)) {
            // Every line the roster does not take goes to the host's parser. The host does
            // not keep lines it does not know, so a crew line the roster refuses (more members
            // than seats, or no companion module to run the crew) is kept here, or the member
            // it names would be gone after the next save.
            if (crew.LoadCrewLine(line) != CREW_OK) {
                keptCrewLines.Keep(line);
                ParseScenarioLineEx(line, status);
            }
        }
    }

    void clbkSaveState(FILEHANDLE scn) override {
        SaveDefaultState(scn);
        crew.SaveCrewLines(scn);
        keptCrewLines.Write(scn);
    }

    void clbkPostStep(double simt, double simdt, double mjd) override {
        // Cheap: the crew-capable vessels of this module share one walk over the vessel list,
        // a slice each step, and each tests only what the walk found against its airlock.
        crew.ProcessReturningCrew();
    }

    int clbkConsumeBufferedKey(DWORD key, bool down, char *kstate) override {
        if (!down || key != OAPI_KEY_E) {
            return 0;
        }
        if (!oapiAcceptDelayedKey(static_cast<char>(OAPI_KEY_E), KEY_REPEAT_DELAY) ||
            crew.GetCrewCount() == 0) {
            return 1;
        }
        if (crew.EvaCrewMember(crew.GetCrewNameBySlot(0)) == CREW_EVA) {
            // The pilot follows the member outside.
            if (OBJHANDLE member = crew.GetLastEvaVessel()) {
                oapiSetFocusObject(member);
            }
        }
        return 1;
    }

private:
    CrewManager crew;
    KeptCrewLines keptCrewLines;  // freed with the vessel in ovcExit
};

DLLCLBK void InitModule(HINSTANCE) {}
DLLCLBK void ExitModule(HINSTANCE) {}

DLLCLBK VESSEL *ovcInit(OBJHANDLE hvessel, int flightmodel) {
    return new (std::nothrow) crewhab(hvessel, flightmodel);
}

// The airlock is part of the crew manager, so it goes with the instance. A plain VESSEL the
// host made itself, when ovcInit made nothing, is the host's to delete.
DLLCLBK void ovcExit(VESSEL *vessel) {
    if (vessel && vessel->Version() != PLAIN_VESSEL_VERSION) {
        delete static_cast<crewhab *>(vessel);
    }
}
