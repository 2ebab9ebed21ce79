// Returning crew: a crew member on EVA who walks into the airlock box, or a member handed
// over by a docked vessel, is taken aboard.
//
// Every 0.25 s of simulation time the airlock slot walks the host's vessel list once. A
// crew-member vessel is recognised by its class ("Vemo..."), at least two to-parent points,
// the last of them "V-em" carrying (age, pulse, weight); its object name carries the
// member's mission id and name. A transfer vessel is named "VemoT" + the receiving vessel;
// its record waits in the transfer hand-over file.
#include <cstdio>
#include <cstring>

#include "CrewManager.h"
#include "CrewText.h"
#include "NoInline.h"
#include "TransferRecord.h"

namespace {

// Object names are read with this limit into a zeroed buffer of OBJECT_NAME_BUFFER_SIZE.
constexpr int OBJECT_NAME_READ_LIMIT = 95;
constexpr int OBJECT_NAME_BUFFER_SIZE = 110;
constexpr std::size_t CREW_CLASS_PREFIX_LENGTH = sizeof CREW_VESSEL_CLASS - 1;
constexpr std::size_t TRANSFER_PREFIX_LENGTH = sizeof TRANSFER_VESSEL_PREFIX - 1;

// Name given to a member handed over without a readable record: the transfer vessel still
// carries the member's values, but the name travels only in the record.
constexpr char UNKNOWN_MEMBER_NAME[] = "Vemo_Unknown";

// What ProcessReturningCrew takes from the returning-crew name: at most 32 characters after
// the prefix; a mission id of at most 5 characters (AddCrewMember keeps 4) and a name of at
// most 25.
constexpr int RETURNING_TEXT_SIZE = 48;
constexpr int RETURNING_TEXT_LIMIT = RETURNING_NAME_SIZE;
constexpr int MISSION_ID_COPY_LENGTH = 5;

// The member values a crew-member vessel publishes on its last to-parent point, when that
// point is "V-em".
bool ReadMemberPoint(const VESSEL *vessel, DWORD parentCount, VECTOR3 &values) {
    if (parentCount == 0) {
        return false;
    }
    ATTACHMENTHANDLE point = vessel->GetAttachmentHandle(true, parentCount - 1);
    if (!point) {
        return false;
    }
    const char *id = vessel->GetAttachmentId(point);
    if (!id || std::strcmp(id, CREW_ATTACHMENT_ID) != 0) {
        return false;
    }
    VECTOR3 dir, rot;
    values.x = values.y = values.z = 0.0;
    dir.x = dir.y = dir.z = 0.0;
    rot.x = rot.y = rot.z = 0.0;
    vessel->GetAttachmentParams(point, values, dir, rot);
    return true;
}

// Copies src into a field of `size` bytes: cut to size - 1 characters, always terminated.
void CopyBounded(char *dest, std::size_t size, const char *src) {
    std::size_t length = 0;
    while (length + 1 < size && src[length] != '\0') {
        ++length;
    }
    std::memcpy(dest, src, length);
    dest[length] = '\0';
}

// The own vessel's position and the other's, both in the own vessel's frame. The own one is
// asked for once per walk, when the first crew-member vessel needs it: nothing moves while
// the walk runs.
struct OwnPosition {
    bool known = false;
    VECTOR3 local;
};

VEMO_NOINLINE int WalkVesselList(AirlockSlot &slot);

}  // namespace

int AirlockSlot::ScanForReturningCrew() {
    scanTimer += oapiGetSimStep();
    if (!(scanTimer > RETURNING_CREW_SCAN_PERIOD)) {
        return 0;
    }
    return WalkVesselList(*this);
}

namespace {

int WalkVesselList(AirlockSlot &slot) {
    slot.scanTimer = 0.0;
    if (slot.doorValue != 1) {
        return 0;
    }
    VESSEL *const ownVessel = slot.ownVessel;
    const OBJHANDLE ownVesselHandle = slot.ownVesselHandle;
    if (!ownVessel || !ownVesselHandle) {
        return -3;
    }
    OwnPosition own;

    for (DWORD i = 0; i < oapiGetVesselCount(); ++i) {
        OBJHANDLE handle = oapiGetVesselByIndex(static_cast<int>(i));
        if (!handle || handle == ownVesselHandle) {
            continue;
        }
        VESSEL *vessel = oapiGetVesselInterface(handle);
        if (!vessel) {
            continue;
        }
        const char *className = vessel->GetClassNameA();
        if (!className ||
            std::strncmp(className, CREW_VESSEL_CLASS, CREW_CLASS_PREFIX_LENGTH) != 0) {
            continue;
        }
        const DWORD parentCount = vessel->AttachmentCount(true);
        if (parentCount < 2) {
            continue;
        }
        char objectName[OBJECT_NAME_BUFFER_SIZE] = {};
        oapiGetObjectName(handle, objectName, OBJECT_NAME_READ_LIMIT);

        VECTOR3 values;
        const bool hasValues = ReadMemberPoint(vessel, parentCount, values);

        if (std::strncmp(objectName, TRANSFER_VESSEL_PREFIX, TRANSFER_PREFIX_LENGTH) == 0) {
            // A transfer vessel for another vessel waits for that one; the walk goes on, so
            // that it cannot hide members further down the list from this vessel.
            const char *ownName = ownVessel->GetName();
            if (!ownName || std::strcmp(objectName + TRANSFER_PREFIX_LENGTH, ownName) != 0) {
                continue;
            }
            TransferRecord record;
            const bool recordRead =
                ReadTransferRecord(TRANSFER_RECORD_PATH, record) && IsCrewRecord(record);
            // The transfer vessel's own values are the member's; a record that disagrees with
            // them belongs to another hand-over.
            const bool recordFits =
                recordRead && (!hasValues || (record.age == PointValueToInt(values.x) &&
                                              record.pulse == PointValueToInt(values.y) &&
                                              record.weight == PointValueToInt(values.z)));
            if (!recordFits && !hasValues) {
                continue;  // nothing to board: no record and no member values
            }
            std::remove(TRANSFER_RECORD_PATH);

            if (recordFits) {
                CopyBounded(slot.returningCrewName, sizeof slot.returningCrewName, record.name);
                slot.returningCrewAge = record.age;
                slot.returningCrewPulse = record.pulse;
                slot.returningCrewWeight = record.weight;
            } else {
                CopyBounded(slot.returningCrewName, sizeof slot.returningCrewName,
                            UNKNOWN_MEMBER_NAME);
                slot.returningCrewAge = PointValueToInt(values.x);
                slot.returningCrewPulse = PointValueToInt(values.y);
                slot.returningCrewWeight = PointValueToInt(values.z);
            }
            slot.returningCrewVessel = handle;
            return 2;
        }

        if (!hasValues) {
            continue;
        }
        // Cut to the field; a longer name is never written past it.
        const char *name = vessel->GetName();
        CopyBounded(slot.returningCrewName, sizeof slot.returningCrewName, name ? name : "");
        for (char *p = slot.returningCrewName; *p; ++p) {
            if (*p == '_') {
                *p = ' ';
            }
        }
        slot.returningCrewAge = PointValueToInt(values.x);
        slot.returningCrewPulse = PointValueToInt(values.y);
        slot.returningCrewWeight = PointValueToInt(values.z);

        if (!own.known) {
            VECTOR3 ownGlobal;
            oapiGetGlobalPos(ownVesselHandle, &ownGlobal);
            ownVessel->Global2Local(ownGlobal, own.local);
            own.known = true;
        }
        VECTOR3 otherGlobal, otherLocal;
        oapiGetGlobalPos(handle, &otherGlobal);
        ownVessel->Global2Local(otherGlobal, otherLocal);
        const double dx = otherLocal.x - own.local.x;
        const double dy = otherLocal.y - own.local.y;
        const double dz = otherLocal.z - own.local.z;
        if (slot.boxMinZ <= dz && dz <= slot.boxMaxZ && slot.boxMinY <= dy && dy <= slot.boxMaxY &&
            slot.boxMinX <= dx && dx <= slot.boxMaxX) {
            slot.returningCrewVessel = handle;
            return 1;
        }
    }
    return 0;
}

}  // namespace

namespace {

// Takes the member the scan found (result `found`, 1 or 2) aboard: the rest of
// ProcessReturningCrew, out of line because it runs only when someone comes back.
VEMO_NOINLINE int BoardReturningMember(CrewManager &crew, AirlockSlot &slot, int found) {
    char text[RETURNING_TEXT_SIZE] = {};
    slot.GetReturningCrewName(text, RETURNING_TEXT_LIMIT);
    char missionId[MISSION_ID_COPY_LENGTH + 1] = {};
    char name[CREW_NAME_MAX_LENGTH + 1] = {};
    const char *dash = std::strchr(text, '-');
    if (dash) {
        const int idLength = static_cast<int>(dash - text);
        std::snprintf(missionId, sizeof missionId, "%.*s", idLength, text);
        std::snprintf(name, sizeof name, "%s", dash + 1);
    } else {
        std::snprintf(name, sizeof name, "%s", text);
    }

    OBJHANDLE vessel = slot.GetReturningCrewVessel();
    if (!vessel) {
        return 0;
    }
    if (found != 2) {
        oapiSetFocusObject(crew.vesselHandle);
    }
    oapiDeleteVessel(vessel, nullptr);
    std::snprintf(crew.lastReturnedName, sizeof crew.lastReturnedName, "%s", name);
    crew.AddCrewMember(name, slot.GetReturningCrewAge(), slot.GetReturningCrewPulse(),
                       slot.GetReturningCrewWeight(), missionId);
    return found == 2 ? 2 : 1;
}

}  // namespace

int CrewManager::ScanAndTakeInReturningCrew(AirlockSlot &slot) {
    const int found = WalkVesselList(slot);
    if (found <= 0) {
        return 0;
    }
    return BoardReturningMember(*this, slot, found);
}
