// Returning crew: a crew member on EVA who walks into the airlock box, or a member handed
// over by a docked vessel, is taken aboard.
//
// Every 0.25 s of simulation time the vessel walks the host's vessel list once. A crew-member
// vessel is recognised by its class ("Vemo..."), at least two to-parent points, the last of
// them "V-em" carrying (age, pulse, weight); its object name carries the member's mission id
// and name. A transfer vessel is named "VemoT" + the receiving vessel; the member's record
// waits in the transfer hand-over file. The walk returns what it found, and the member is
// taken aboard from that.
#include <cstdio>
#include <cstring>

#include "CrewFile.h"
#include "CrewManager.h"
#include "CrewText.h"
#include "TransferRecord.h"

namespace {

// Object names are read with this limit into a zeroed buffer of OBJECT_NAME_BUFFER_SIZE.
constexpr int OBJECT_NAME_READ_LIMIT = 95;
constexpr int OBJECT_NAME_BUFFER_SIZE = 110;
constexpr std::size_t TRANSFER_PREFIX_LENGTH = sizeof TRANSFER_VESSEL_PREFIX - 1;

// A member's text comes after the first five characters of the name a member arrives with
// (the prefix "Vemo_"), and at most 32 characters of it count. The mission id is the part
// before its first "-": at most 5 characters are taken, of which AddCrewMember keeps 4.
constexpr std::size_t ARRIVING_PREFIX_LENGTH = 5;
constexpr std::size_t MEMBER_TEXT_MAX_LENGTH = 32;
constexpr int MISSION_ID_TAKEN_LENGTH = 5;

// Name given to a member handed over without a readable record: the transfer vessel still
// carries the member's values, but the name travels only in the record.
constexpr char UNKNOWN_MEMBER_NAME[] = "Vemo_Unknown";

// What a walk found: the member to take aboard and the vessel the member came in.
struct ReturningMember {
    int found;         // CREW_EVA: inside the airlock box; CREW_TRANSFER: handed over;
                       // CREW_NONE: nobody
    OBJHANDLE vessel;  // the crew-member or transfer vessel, deleted once the member is in
    char missionId[MISSION_ID_TAKEN_LENGTH + 1];
    char name[CREW_NAME_MAX_LENGTH + 1];
    int age;     // years
    int pulse;   // beats per minute
    int weight;  // kg
};

// Takes the mission id and name from the name a member arrives with (see above). A
// crew-member vessel's name has its blanks as underscores; a record's name keeps them.
void SetMemberText(ReturningMember &member, const char *arrivingName, bool underscoresAreBlanks) {
    const std::size_t length =
        crewtext::BoundedLength(arrivingName, ARRIVING_PREFIX_LENGTH + MEMBER_TEXT_MAX_LENGTH);
    char text[MEMBER_TEXT_MAX_LENGTH + 1] = {};
    if (length > ARRIVING_PREFIX_LENGTH) {
        std::memcpy(text, arrivingName + ARRIVING_PREFIX_LENGTH, length - ARRIVING_PREFIX_LENGTH);
    }
    for (char *p = text; underscoresAreBlanks && *p; ++p) {
        if (*p == '_') {
            *p = ' ';
        }
    }
    const char *dash = std::strchr(text, '-');
    if (dash) {
        std::snprintf(member.missionId, sizeof member.missionId, "%.*s",
                      static_cast<int>(dash - text), text);
        std::snprintf(member.name, sizeof member.name, "%s", dash + 1);
    } else {
        member.missionId[0] = '\0';
        std::snprintf(member.name, sizeof member.name, "%s", text);
    }
}

// The member values a crew-member vessel publishes on its last to-parent point, when that
// point is "V-em".
bool ReadMemberPoint(const VESSEL &vessel, DWORD parentCount, VECTOR3 &values) {
    if (parentCount == 0) {
        return false;
    }
    ATTACHMENTHANDLE point = vessel.GetAttachmentHandle(true, parentCount - 1);
    if (!point) {
        return false;
    }
    const char *id = vessel.GetAttachmentId(point);
    if (!id || std::strcmp(id, CREW_ATTACHMENT_ID) != 0) {
        return false;
    }
    VECTOR3 dir = {{0.0, 0.0, 0.0}}, rot = {{0.0, 0.0, 0.0}};
    values = VECTOR3{{0.0, 0.0, 0.0}};
    vessel.GetAttachmentParams(point, values, dir, rot);
    return true;
}

void SetMemberValues(ReturningMember &member, const VECTOR3 &values) {
    member.age = PointValueToInt(values.x);
    member.pulse = PointValueToInt(values.y);
    member.weight = PointValueToInt(values.z);
}

// Where the member of a transfer vessel is known from.
enum TransferSource {
    FROM_NOWHERE,  // nothing to board: no record that fits, no values, no awaited member
    FROM_RECORD,   // the hand-over file holds this member's record
    FROM_AWAITED,  // a saved scenario's transfer line named the member (awaitedMember)
    FROM_POINT,    // only the transfer vessel's values: the member comes without a name
};

bool SameValues(int age, int pulse, int weight, const VECTOR3 &values) {
    return age == PointValueToInt(values.x) && pulse == PointValueToInt(values.y) &&
           weight == PointValueToInt(values.z);
}

// Who a transfer vessel addressed to this vessel brings. The transfer vessel's own values are
// the member's; a record or an awaited member that disagrees with them belongs to no one
// here. Reads the hand-over file; changes nothing.
TransferSource IdentifyTransferredMember(const CrewManager &crew, bool hasValues,
                                         const VECTOR3 &values, ReturningMember &member) {
    TransferRecord record;
    const bool recordRead =
        ReadTransferRecord(TRANSFER_RECORD_PATH, record) && IsCrewRecord(record);
    if (recordRead && (!hasValues || SameValues(record.age, record.pulse, record.weight, values))) {
        SetMemberText(member, record.name, false);
        member.age = record.age;
        member.pulse = record.pulse;
        member.weight = record.weight;
        return FROM_RECORD;
    }
    const CrewMember &awaited = crew.awaitedMember;
    const int awaitedWeight = static_cast<int>(awaited.weight);
    if (awaited.age > 0 &&
        (!hasValues || SameValues(awaited.age, awaited.pulse, awaitedWeight, values))) {
        std::snprintf(member.missionId, sizeof member.missionId, "%.*s", MISSION_ID_MAX_LENGTH,
                      awaited.missionId);
        std::snprintf(member.name, sizeof member.name, "%.*s", CREW_NAME_MAX_LENGTH, awaited.name);
        member.age = awaited.age;
        member.pulse = awaited.pulse;
        member.weight = awaitedWeight;
        return FROM_AWAITED;
    }
    if (!hasValues) {
        return FROM_NOWHERE;
    }
    SetMemberText(member, UNKNOWN_MEMBER_NAME, false);
    SetMemberValues(member, values);
    return FROM_POINT;
}

// A transfer vessel addressed to this vessel: the member is identified as above and the
// hand-over file consumed. False when there is nothing to board (the file is then left
// alone).
bool TakeTransferredMember(CrewManager &crew, ReturningMember &member, bool hasValues,
                           const VECTOR3 &values) {
    if (IdentifyTransferredMember(crew, hasValues, values, member) == FROM_NOWHERE) {
        return false;
    }
    RemoveCrewFile(TRANSFER_RECORD_PATH);
    // The member it named is the one coming aboard now, or no longer on the way.
    std::memset(&crew.awaitedMember, 0, sizeof crew.awaitedMember);
    return true;
}

// The transfer vessel waiting for the vessel named ownName, and whether it carries the
// member's values (its last to-parent point "V-em"); null when none waits.
OBJHANDLE FindTransferVessel(const char *ownName, bool &hasValues, VECTOR3 &values) {
    for (DWORD i = 0; i < oapiGetVesselCount(); ++i) {
        OBJHANDLE handle = oapiGetVesselByIndex(static_cast<int>(i));
        VESSEL *vessel = handle ? oapiGetVesselInterface(handle) : nullptr;
        if (!vessel || !HasCrewVesselClass(*vessel)) {
            continue;
        }
        char objectName[OBJECT_NAME_BUFFER_SIZE] = {};
        oapiGetObjectName(handle, objectName, OBJECT_NAME_READ_LIMIT);
        if (std::strncmp(objectName, TRANSFER_VESSEL_PREFIX, TRANSFER_PREFIX_LENGTH) == 0 &&
            std::strcmp(objectName + TRANSFER_PREFIX_LENGTH, ownName) == 0) {
            hasValues = ReadMemberPoint(*vessel, vessel->AttachmentCount(true), values);
            return handle;
        }
    }
    return nullptr;
}

// One walk over the host's vessel list for the first member to take in: a crew-member vessel
// inside the airlock box, or a transfer vessel addressed to this vessel.
ReturningMember FindReturningMember(CrewManager &crew, const AirlockSlot &slot) {
    ReturningMember member = {};
    member.found = CREW_NONE;
    VESSEL *const own = slot.ownVessel;
    const OBJHANDLE ownHandle = slot.ownVesselHandle;
    if (slot.doorValue != AIRLOCK_DOOR_OPEN || !own || !ownHandle) {
        return member;
    }
    const AirlockPoint airlock = slot.Airlock();
    // The own position is asked for once per walk, when the first crew-member vessel needs
    // it: nothing moves while the walk runs.
    bool ownPositionKnown = false;
    VECTOR3 ownLocal = {{0.0, 0.0, 0.0}};

    for (DWORD i = 0; i < oapiGetVesselCount(); ++i) {
        OBJHANDLE handle = oapiGetVesselByIndex(static_cast<int>(i));
        if (!handle || handle == ownHandle) {
            continue;
        }
        VESSEL *vessel = oapiGetVesselInterface(handle);
        if (!vessel || !HasCrewVesselClass(*vessel)) {
            continue;
        }
        const DWORD parentCount = vessel->AttachmentCount(true);
        if (parentCount < 2) {
            continue;
        }
        char objectName[OBJECT_NAME_BUFFER_SIZE] = {};
        oapiGetObjectName(handle, objectName, OBJECT_NAME_READ_LIMIT);
        VECTOR3 values;
        const bool hasValues = ReadMemberPoint(*vessel, parentCount, values);

        if (std::strncmp(objectName, TRANSFER_VESSEL_PREFIX, TRANSFER_PREFIX_LENGTH) == 0) {
            // A transfer vessel for another vessel waits for that one; the walk goes on, so
            // that it cannot hide members further down the list from this vessel.
            const char *ownName = own->GetName();
            if (!ownName || std::strcmp(objectName + TRANSFER_PREFIX_LENGTH, ownName) != 0 ||
                !TakeTransferredMember(crew, member, hasValues, values)) {
                continue;
            }
            member.found = CREW_TRANSFER;
            member.vessel = handle;
            return member;
        }

        if (!hasValues) {
            continue;
        }
        if (!ownPositionKnown) {
            VECTOR3 ownGlobal;
            oapiGetGlobalPos(ownHandle, &ownGlobal);
            own->Global2Local(ownGlobal, ownLocal);
            ownPositionKnown = true;
        }
        VECTOR3 global, local;
        oapiGetGlobalPos(handle, &global);
        own->Global2Local(global, local);
        const VECTOR3 offset = {{local.x - ownLocal.x, local.y - ownLocal.y, local.z - ownLocal.z}};
        if (airlock.Contains(offset)) {
            const char *name = vessel->GetName();
            SetMemberText(member, name ? name : "", true);
            SetMemberValues(member, values);
            member.found = CREW_EVA;
            member.vessel = handle;
            return member;
        }
    }
    return member;
}

}  // namespace

int CrewManager::ProcessReturningCrew() {
    if (!IsReady()) {
        return CREW_NOT_READY;
    }
    // Without a free seat nobody is taken in: a member on EVA stays outside, and a transfer
    // vessel keeps its record until a seat is free. Deleting either first would lose the
    // member. The scan timer stands still meanwhile, as it does while the door is closed.
    if (airlockDoorOpen == AIRLOCK_DOOR_CLOSED || crewCount >= maxSeatCount ||
        crewCount >= ROSTER_SIZE) {
        return CREW_NONE;
    }
    AirlockSlot *slot = OwnedSlot();
    if (!slot) {
        return CREW_NOT_READY;
    }
    slot->scanTimer += oapiGetSimStep();
    if (!(slot->scanTimer > RETURNING_CREW_SCAN_PERIOD)) {
        return CREW_NONE;
    }
    slot->scanTimer = 0.0;  // the excess is dropped

    const ReturningMember member = FindReturningMember(*this, *slot);
    if (member.found == CREW_NONE) {
        return CREW_NONE;
    }
    // Back from EVA, the pilot follows the member in; a hand-over leaves the focus alone.
    if (member.found == CREW_EVA) {
        oapiSetFocusObject(vesselHandle);
    }
    oapiDeleteVessel(member.vessel, nullptr);
    std::snprintf(lastReturnedName, sizeof lastReturnedName, "%s", member.name);
    AddCrewMember(member.name, member.age, member.pulse, member.weight, member.missionId);
    return member.found;
}

bool CrewManager::FindAwaitedMember(CrewMember &member) const {
    const AirlockSlot *slot = IsReady() ? OwnedSlot() : nullptr;
    const char *ownName = slot && slot->ownVessel ? slot->ownVessel->GetName() : nullptr;
    if (!ownName) {
        return false;
    }
    bool hasValues = false;
    VECTOR3 values = {{0.0, 0.0, 0.0}};
    if (!FindTransferVessel(ownName, hasValues, values)) {
        return false;
    }
    ReturningMember found = {};
    const TransferSource source = IdentifyTransferredMember(*this, hasValues, values, found);
    if (source != FROM_RECORD && source != FROM_AWAITED) {
        return false;
    }
    std::memset(&member, 0, sizeof member);
    std::snprintf(member.missionId, sizeof member.missionId, "%.*s", MISSION_ID_MAX_LENGTH,
                  found.missionId);
    crewtext::CleanMissionId(member.missionId, sizeof member.missionId);
    std::snprintf(member.name, sizeof member.name, "%.*s", CREW_NAME_MAX_LENGTH, found.name);
    SanitizeCrewName(member.name);
    member.age = found.age;
    member.pulse = found.pulse;
    member.weight = found.weight;
    return true;
}
