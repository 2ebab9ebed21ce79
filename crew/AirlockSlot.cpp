// Airlock slots: claiming, defining and publishing a vessel's airlock, and the module-wide
// slot table every vessel of this module shares.
#include "AirlockSlot.h"

#include <cstdio>
#include <cstring>

#include "CrewText.h"

namespace {

// First values of a freshly claimed slot.
constexpr int INITIAL_DOCK_PORT = 0;
constexpr int INITIAL_STATUS_VALUE = 1000;  // published until the first roster change
constexpr int INITIAL_FREE_SEATS = 1000;    // published until the manager sets its seats

AirlockSlotTable g_airlockSlotTable;  // zero at load time

}  // namespace

AirlockSlotTable &GetAirlockSlotTable() {
    return g_airlockSlotTable;
}

void ResetCrewModuleStateForTesting() {
    std::memset(&g_airlockSlotTable, 0, sizeof g_airlockSlotTable);
}

int AirlockSlot::CheckCompanionModule() {
    std::FILE *file = std::fopen(COMPANION_MODULE_PATH, "rb");
    if (!file) {
        return CREW_NO_COMPANION;
    }
    std::fclose(file);
    return CREW_OK;
}

int AirlockSlot::InitAirlockSlot(OBJHANDLE vesselHandle) {
    // Everything that can fail is checked before the slot is touched. Once the table is
    // exhausted the slot at the counter belongs to a live vessel, and a set-up that fails
    // (companion missing, bad handle) must not take that slot away from it.
    if (CheckCompanionModule() != CREW_OK) {
        return CREW_NO_COMPANION;
    }
    if (!vesselHandle) {
        return CREW_ERROR;
    }
    VESSEL *vessel = oapiGetVesselInterface(vesselHandle);
    if (!vessel) {
        return CREW_ERROR;
    }

    std::memset(this, 0, sizeof *this);
    dockPort = INITIAL_DOCK_PORT;
    ownVessel = vessel;
    scanTimer = oapiRand();  // spreads the scans of many vessels over the period
    ownVesselHandle = vesselHandle;
    statusValue = INITIAL_STATUS_VALUE;
    freeSeats = INITIAL_FREE_SEATS;
    return CREW_OK;
}

int AirlockSlot::DefineAirlockShape(int door, float minX, float maxX, float minY, float maxY,
                                    float minZ, float maxZ) {
    // Written as "not at least" so that a bound that is not a number is refused as well: the
    // box test of the returning-crew scan could never succeed with one.
    if (!(maxX >= minX) || !(maxY >= minY) || !(maxZ >= minZ)) {
        return CREW_ERROR;
    }
    if (door != AIRLOCK_DOOR_CLOSED && door != AIRLOCK_DOOR_OPEN) {
        return CREW_ERROR;
    }
    if (!ownVessel) {
        return CREW_ERROR;
    }

    doorValue = door;
    boxMinX = minX;
    boxMaxX = maxX;
    boxMinY = minY;
    boxMaxY = maxY;
    boxMinZ = minZ;
    boxMaxZ = maxZ;

    // A null answer from the host leaves the point missing; the next call tries again.
    WriteAirlockPoint();
    return CREW_OK;
}

int AirlockSlot::PublishAirlockStatus(int value) {
    if (!airlockAttachment || !ownVessel) {
        return CREW_ERROR;
    }
    statusValue = value;
    WriteAirlockPoint();
    return CREW_OK;
}

int AirlockSlot::PublishFreeSeats(int value) {
    if (!airlockAttachment || !ownVessel) {
        return CREW_ERROR;
    }
    freeSeats = value;
    WriteAirlockPoint();
    return CREW_OK;
}

AirlockPoint AirlockSlot::Airlock() const {
    // The box widens exactly to double, and so do the three integers.
    AirlockPoint airlock = {boxMinX, boxMaxX, boxMinY, boxMaxY, boxMinZ, boxMaxZ, 0.0, 0.0, 0.0};
    airlock.door = doorValue;
    airlock.status = statusValue;
    airlock.freeSeats = freeSeats;
    return airlock;
}

void AirlockSlot::WriteAirlockPoint() {
    VECTOR3 pos, dir, rot;
    EncodeAirlockPoint(Airlock(), pos, dir, rot);
    if (!airlockAttachment) {
        airlockAttachment =
            ownVessel->CreateAttachment(false, pos, dir, rot, AIRLOCK_POINT_ID, false);
    } else {
        ownVessel->SetAttachmentParams(airlockAttachment, pos, dir, rot);
    }
}
