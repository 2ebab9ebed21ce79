// Airlock slots: claiming, defining and publishing a vessel's airlock, and the module-wide
// slot table every vessel of this module shares.
#include "AirlockSlot.h"

#include <cstdio>
#include <cstring>

#include "CrewText.h"

namespace {

// First values of a freshly claimed slot.
constexpr int INITIAL_DOCK_PORT = 0;
constexpr int INITIAL_RETURNING_WEIGHT = 60;  // kg
constexpr int INITIAL_STATUS_VALUE = 1000;    // published until the first roster change
constexpr int INITIAL_FREE_SEATS = 1000;      // published until the manager sets its seats

}  // namespace

// Each module links its own copy of the crew library (modules hide their symbols), so each
// module has its own table. It is zero at load time.
AirlockSlotTable crewstate::airlockSlotTable;

void ResetCrewModuleStateForTesting() {
    std::memset(&crewstate::airlockSlotTable, 0, sizeof crewstate::airlockSlotTable);
}

int AirlockSlot::CheckCompanionModule() {
    std::FILE *file = std::fopen(COMPANION_MODULE_PATH, "rb");
    if (!file) {
        return -999;
    }
    std::fclose(file);
    return 1;
}

int AirlockSlot::InitAirlockSlot(OBJHANDLE vesselHandle) {
    // Everything that can fail is checked before the slot is touched. Once the table is
    // exhausted the slot at the counter belongs to a live vessel, and a set-up that fails
    // (companion missing, bad handle) must not take that slot away from it.
    if (CheckCompanionModule() < 1) {
        return -999;
    }
    if (!vesselHandle) {
        return -1;
    }
    VESSEL *vessel = oapiGetVesselInterface(vesselHandle);
    if (!vessel) {
        return -1;
    }

    std::memset(this, 0, sizeof *this);
    dockPort = INITIAL_DOCK_PORT;
    ownVessel = vessel;
    scanTimer = oapiRand();  // spreads the scans of many vessels over the period
    ownVesselHandle = vesselHandle;
    returningCrewWeight = INITIAL_RETURNING_WEIGHT;
    statusValue = INITIAL_STATUS_VALUE;
    freeSeats = INITIAL_FREE_SEATS;
    return 1;
}

int AirlockSlot::DefineAirlockShape(int door, float minX, float maxX, float minY, float maxY,
                                    float minZ, float maxZ) {
    // Written as "not at least" so that a bound that is not a number is refused as well: the
    // box test of the returning-crew scan could never succeed with one.
    if (!(maxX >= minX) || !(maxY >= minY) || !(maxZ >= minZ)) {
        return -1;
    }
    if (door != 0 && door != 1) {
        return -1;
    }
    if (!ownVessel) {
        return -1;
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
    return 1;
}

int AirlockSlot::PublishAirlockStatus(int value) {
    if (!airlockAttachment || !ownVessel) {
        return -1;
    }
    statusValue = value;
    WriteAirlockPoint();
    return 1;
}

int AirlockSlot::PublishFreeSeats(int value) {
    if (!airlockAttachment || !ownVessel) {
        return -1;
    }
    freeSeats = value;
    WriteAirlockPoint();
    return 1;
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

char *AirlockSlot::GetReturningCrewName(char *dest, int maxLength) const {
    if (!dest || maxLength <= 0) {
        return dest;
    }
    // Leave room for the terminator inside the caller's count, so the copy is always a
    // complete text whatever count the caller gives.
    const std::size_t limit = static_cast<std::size_t>(
        maxLength - 1 < RETURNING_NAME_MAX_COPY ? maxLength - 1 : RETURNING_NAME_MAX_COPY);
    // The field may have been filled to the last byte; never read past it.
    const std::size_t nameLength =
        crewtext::BoundedLength(returningCrewName, sizeof returningCrewName);
    const std::size_t prefix = RETURNING_NAME_PREFIX_LENGTH;
    const std::size_t available = nameLength > prefix ? nameLength - prefix : 0;
    const std::size_t count = available < limit ? available : limit;
    if (count > 0) {
        std::memcpy(dest, returningCrewName + prefix, count);
    }
    std::memset(dest + count, 0, limit + 1 - count);
    return dest;
}

int AirlockSlot::GetReturningCrewAge() const {
    return returningCrewAge;
}

int AirlockSlot::GetReturningCrewPulse() const {
    return returningCrewPulse;
}

int AirlockSlot::GetReturningCrewWeight() const {
    return returningCrewWeight;
}

OBJHANDLE AirlockSlot::GetReturningCrewVessel() const {
    return returningCrewVessel;
}
