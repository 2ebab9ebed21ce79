// The airlock record: set up with its vessel's crew manager, published on the vessel's point
// "Vemo" on every change, and the docked vessel's airlock read from its point.
#include "AirlockSlot.h"

#include <cstdio>
#include <cstring>

#include "CrewFile.h"

namespace {

// First values of an airlock record.
constexpr int INITIAL_STATUS_VALUE = 1000;  // published until the first roster change
constexpr int INITIAL_FREE_SEATS = 1000;    // published until the manager sets its seats

// GetDockedFreeSeats when there is no count to read.
constexpr int NO_SEAT_COUNT = -1;

}  // namespace

int AirlockSlot::CheckCompanionModule() {
    static const char *const COMPANION_PATHS[] = {COMPANION_MODULE_PATH,
                                                  COMPANION_CLASS_CONFIG_PATH};
    for (const char *path : COMPANION_PATHS) {
        std::FILE *file = OpenCrewFile(path, CREW_FILE_READ);
        if (!file) {
            return CREW_NO_COMPANION;
        }
        std::fclose(file);
    }
    return CREW_OK;
}

int AirlockSlot::InitAirlockSlot(OBJHANDLE vesselHandle) {
    // Everything that can fail is checked before the record is touched.
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

    // The point this record made on this very vessel stays: a second one would keep showing
    // the values it last had, and a docked vessel reads the first it finds.
    const ATTACHMENTHANDLE ownPoint = ownVesselHandle == vesselHandle ? airlockAttachment : nullptr;
    std::memset(this, 0, sizeof *this);
    ownVessel = vessel;
    ownVesselHandle = vesselHandle;
    airlockAttachment = ownPoint;
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
    return PublishValue(statusValue, value);
}

int AirlockSlot::PublishFreeSeats(int value) {
    return PublishValue(freeSeats, value);
}

int AirlockSlot::PublishValue(std::int32_t &field, int value) {
    if (!airlockAttachment || !ownVessel) {
        return CREW_ERROR;
    }
    field = value;
    WriteAirlockPoint();
    return CREW_OK;
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

OBJHANDLE AirlockSlot::DockedVessel() const {
    DOCKHANDLE dock = ownVessel ? ownVessel->GetDockHandle(AIRLOCK_DOCK_PORT) : nullptr;
    return dock ? ownVessel->GetDockStatus(dock) : nullptr;
}

int AirlockSlot::GetDockedFreeSeats() const {
    if (!airlockAttachment) {
        return NO_SEAT_COUNT;
    }
    OBJHANDLE mate = DockedVessel();
    VESSEL *docked = mate ? oapiGetVesselInterface(mate) : nullptr;
    if (!docked) {
        return NO_SEAT_COUNT;
    }
    // Only the first airlock point counts, whatever its door.
    const DWORD count = docked->AttachmentCount(false);
    for (DWORD i = 0; i < count; ++i) {
        AirlockPoint airlock;
        if (ReadAirlockPoint(*docked, docked->GetAttachmentHandle(false, i), airlock)) {
            return airlock.FreeSeatCount();
        }
    }
    return NO_SEAT_COUNT;
}
