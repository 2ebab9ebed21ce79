// Returning crew: a crew member on EVA who walks into the airlock box, or a member handed
// over by a docked vessel, is taken aboard.
//
// A crew-member vessel is recognised by its class ("Vemo..."), at least two to-parent points,
// the last of them "V-em" carrying (age, pulse, weight); its object name carries the member's
// mission id and name. A transfer vessel is named "VemoT" + the receiving vessel; the member's
// record waits in the transfer hand-over file. The module's one walk over the vessel list
// (CrewWalk.h) finds them, a slice each step; each vessel that has a seat free tests what the
// walk found against its own airlock, in list order, and takes the first that is its own.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "CrewFile.h"
#include "CrewManager.h"
#include "CrewText.h"
#include "CrewWalk.h"
#include "TransferRecord.h"

namespace {

// A transfer vessel's name is "VemoT" and the receiving vessel's name; names are compared up
// to RECEIVER_NAME_MAX_LENGTH characters, and a longer name addresses no vessel.

// A member's text comes after the prefix "Vemo_" of the name a member arrives with, and at
// most ARRIVING_TEXT_MAX_LENGTH characters of it count. The mission id is the part before
// its first "-", of which AddCrewMember keeps MISSION_ID_MAX_LENGTH characters.
constexpr std::size_t ARRIVING_PREFIX_LENGTH = EVA_PREFIX_LENGTH;
constexpr std::size_t MEMBER_TEXT_MAX_LENGTH = ARRIVING_TEXT_MAX_LENGTH;
constexpr int MISSION_ID_TAKEN_LENGTH = ARRIVING_MISSION_ID_LENGTH;

// Share of an airlock box's reach, and m^2, allowed for rounding in the distance test.
constexpr double REACH_ROUNDING = 1e-6;

// Name given to a member handed over without a readable record: the transfer vessel still
// carries the member's values, but the name travels only in the record.
constexpr char UNKNOWN_MEMBER_NAME[] = "Vemo_Unknown";

// What the walk's candidates held for this vessel: the member to take aboard and the vessel
// the member came in.
struct ReturningMember {
    ReturnResult found;        // CREW_BACK_FROM_EVA: inside the airlock box; CREW_HANDED_OVER:
                               // handed over; CREW_NOBODY_RETURNED: nobody
    CrewCandidate *candidate;  // the walk's entry for the vessel the member came in
    OBJHANDLE vessel;          // that vessel, deleted once the member is in
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

// The member values a crew-member vessel shows on its last to-parent point, when that point
// is "V-em".
bool ReadMemberPoint(const VESSEL &vessel, VECTOR3 &values) {
    ATTACHMENTHANDLE point = CrewMemberPoint(vessel, vessel.AttachmentCount(true));
    if (!point) {
        return false;
    }
    VECTOR3 dir = {{0.0, 0.0, 0.0}}, rot = {{0.0, 0.0, 0.0}};
    values = VECTOR3{{0.0, 0.0, 0.0}};
    vessel.GetAttachmentParams(point, values, dir, rot);
    return true;
}

// Whether a transfer vessel's name addresses the vessel of that name: the part after "VemoT"
// equals it, byte for byte, once the own name is cleaned as the sender cleaned it for the
// transfer vessel's name (a blank, ':' or ';' became '_'). Otherwise a vessel named "My Ship"
// would never take the member handed over to it as "VemoTMy_Ship".
bool AddressedTo(const char *transferName, const char *ownName) {
    if (!transferName || !ownName) {
        return false;
    }
    return NamesReceiver(transferName + TRANSFER_PREFIX_LENGTH, ownName, RECEIVER_NAME_MAX_LENGTH);
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
    FROM_AWAITED,  // a saved scenario's transfer line named the member (AwaitedMembers)
    FROM_POINT,    // only the transfer vessel's values: the member comes without a name
};

constexpr int NO_AWAITED_MEMBER = -1;

bool SameValues(int age, int pulse, int weight, const VECTOR3 &values) {
    return age == PointValueToInt(values.x) && pulse == PointValueToInt(values.y) &&
           weight == PointValueToInt(values.z);
}

// Whether the member taken from a record is the awaited one: the same text, read as a
// crew line reads it (name sanitised, ASCII case ignored), and the same values.
bool SameMember(const ReturningMember &member, const CrewMember &awaited) {
    char name[CREW_NAME_SIZE] = {};
    std::snprintf(name, sizeof name, "%.*s", CREW_NAME_MAX_LENGTH, member.name);
    CrewManager::SanitizeCrewName(name);
    char missionId[MISSION_ID_SIZE] = {};
    std::snprintf(missionId, sizeof missionId, "%.*s", MISSION_ID_MAX_LENGTH, member.missionId);
    crewtext::CleanMissionId(missionId, sizeof missionId);
    return crewtext::EqualNoCase(name, awaited.name, CREW_NAME_SIZE) &&
           std::strncmp(missionId, awaited.missionId, MISSION_ID_SIZE) == 0 &&
           member.age == awaited.age && member.pulse == awaited.pulse &&
           member.weight == static_cast<int>(awaited.weight);
}

// Who a transfer vessel addressed to this vessel brings, and which awaited member that is
// (*awaitedIndex, NO_AWAITED_MEMBER for none). The transfer vessel's own values are the
// member's; a record or an awaited member that disagrees with them belongs to no one here.
// A transfer line read from the scenario is what the user saved: a record that names someone
// else is a stale file and loses to it. Reads the hand-over file; changes nothing.
TransferSource IdentifyTransferredMember(const AwaitedMembers &list, bool hasValues,
                                         const VECTOR3 &values, ReturningMember &member,
                                         int *awaitedIndex) {
    *awaitedIndex = NO_AWAITED_MEMBER;
    const int awaitedCount = list.count > 0 && list.count <= MAX_AWAITED_MEMBERS ? list.count : 0;
    TransferRecord record;
    if (ReadTransferRecord(TRANSFER_RECORD_PATH, record) && IsCrewRecord(record) &&
        (!hasValues || SameValues(record.age, record.pulse, record.weight, values))) {
        ReturningMember fromRecord = member;
        SetMemberText(fromRecord, record.name, false);
        fromRecord.age = record.age;
        fromRecord.pulse = record.pulse;
        fromRecord.weight = record.weight;
        for (int i = 0; i < awaitedCount && *awaitedIndex == NO_AWAITED_MEMBER; ++i) {
            *awaitedIndex = SameMember(fromRecord, list.members[i]) ? i : NO_AWAITED_MEMBER;
        }
        if (awaitedCount == 0 || *awaitedIndex != NO_AWAITED_MEMBER) {
            member = fromRecord;
            return FROM_RECORD;
        }
    }
    // Without the transfer vessel's values (a vessel loaded from a scenario shows them from
    // its first step on) only a single awaited member can be the one it brings.
    for (int i = 0; i < awaitedCount && (hasValues || awaitedCount == 1); ++i) {
        const CrewMember &awaited = list.members[i];
        const int awaitedWeight = static_cast<int>(awaited.weight);
        if (awaited.age > 0 &&
            (!hasValues || SameValues(awaited.age, awaited.pulse, awaitedWeight, values))) {
            std::snprintf(member.missionId, sizeof member.missionId, "%.*s", MISSION_ID_MAX_LENGTH,
                          awaited.missionId);
            std::snprintf(member.name, sizeof member.name, "%.*s", CREW_NAME_MAX_LENGTH,
                          awaited.name);
            member.age = awaited.age;
            member.pulse = awaited.pulse;
            member.weight = awaitedWeight;
            *awaitedIndex = i;
            return FROM_AWAITED;
        }
    }
    if (!hasValues) {
        return FROM_NOWHERE;
    }
    SetMemberText(member, UNKNOWN_MEMBER_NAME, false);
    SetMemberValues(member, values);
    return FROM_POINT;
}

// A transfer vessel addressed to this vessel: the member is identified as above, and the
// hand-over file is consumed, and so is the transfer line that named him. False when there is
// nothing to board (nothing is consumed then).
bool TakeTransferredMember(AwaitedMembers &awaitedMembers, ReturningMember &member, bool hasValues,
                           const VECTOR3 &values) {
    int awaited = NO_AWAITED_MEMBER;
    const TransferSource source =
        IdentifyTransferredMember(awaitedMembers, hasValues, values, member, &awaited);
    if (source == FROM_NOWHERE) {
        return false;
    }
    // The file is consumed whoever it named: a record that did not name this member is stale.
    RemoveCrewFile(TRANSFER_RECORD_PATH);
    if (awaited != NO_AWAITED_MEMBER) {
        // The awaited members keep their order: the lines are saved again as they were read.
        for (int i = awaited; i + 1 < awaitedMembers.count; ++i) {
            awaitedMembers.members[i] = awaitedMembers.members[i + 1];
        }
        --awaitedMembers.count;
        std::memset(&awaitedMembers.members[awaitedMembers.count], 0, sizeof(CrewMember));
    }
    return true;
}

// The vessel's interface when it is a transfer vessel addressed to the vessel named
// ownName; null otherwise.
VESSEL *TransferVesselFor(OBJHANDLE handle, const char *ownName) {
    VESSEL *vessel = handle ? oapiGetVesselInterface(handle) : nullptr;
    const char *name = vessel ? vessel->GetName() : nullptr;
    return IsTransferVesselName(name) && HasCrewVesselClass(*vessel) &&
                   !IsTakenAboard(*vessel, vessel->AttachmentCount(true)) &&
                   AddressedTo(name, ownName)
               ? vessel
               : nullptr;
}

// The transfer vessel waiting for the vessel named ownName (the first in list order), and
// whether it carries the member's values (its last to-parent point "V-em"); null when none
// waits. The host finds it by its name. Only when the first vessel of that name, letter case
// aside, is not it (another class, or the name in other letters) is the list walked.
OBJHANDLE FindTransferVessel(const char *ownName, bool &hasValues, VECTOR3 &values) {
    char wanted[TRANSFER_PREFIX_LENGTH + RECEIVER_NAME_MAX_LENGTH + 1];
    const std::size_t length = crewtext::BoundedLength(ownName, RECEIVER_NAME_MAX_LENGTH + 1);
    if (length > RECEIVER_NAME_MAX_LENGTH) {
        return nullptr;  // no transfer vessel's name can address it
    }
    std::snprintf(wanted, sizeof wanted, "%s%s", TRANSFER_VESSEL_PREFIX, ownName);
    CleanObjectName(wanted + TRANSFER_PREFIX_LENGTH);  // as the sender named it
    OBJHANDLE handle = oapiGetObjectByName(wanted);
    if (!handle) {
        return nullptr;
    }
    VESSEL *vessel = TransferVesselFor(handle, ownName);
    for (DWORD i = 0; !vessel && i < oapiGetVesselCount(); ++i) {
        handle = oapiGetVesselByIndex(static_cast<int>(i));
        vessel = TransferVesselFor(handle, ownName);
    }
    if (!vessel) {
        return nullptr;
    }
    hasValues = ReadMemberPoint(*vessel, values);
    return handle;
}

// A global position in a vessel's frame, relative to its origin, given the vessel's rotation
// matrix (its frame's axes in global coordinates, by column) and its global position: the
// transpose of the rotation applied to the difference, as the host's Global2Local does.
VECTOR3 ToOwnFrame(const MATRIX3 &r, const VECTOR3 &origin, const VECTOR3 &global) {
    const double x = global.x - origin.x, y = global.y - origin.y, z = global.z - origin.z;
    return VECTOR3{{r.m11 * x + r.m21 * y + r.m31 * z, r.m12 * x + r.m22 * y + r.m32 * z,
                    r.m13 * x + r.m23 * y + r.m33 * z}};
}

// The square of the distance from the origin of a box's frame to its farthest corner, m^2,
// with room for rounding: a member standing on a corner is still tested against the box.
double FarthestCornerSquared(const AirlockPoint &box) {
    const double x = std::fmax(box.minX * box.minX, box.maxX * box.maxX);
    const double y = std::fmax(box.minY * box.minY, box.maxY * box.maxY);
    const double z = std::fmax(box.minZ * box.minZ, box.maxZ * box.maxZ);
    return (x + y + z) * (1.0 + REACH_ROUNDING) + REACH_ROUNDING;
}

double DistanceSquared(const VECTOR3 &a, const VECTOR3 &b) {
    const double x = a.x - b.x, y = a.y - b.y, z = a.z - b.z;
    return x * x + y * y + z * z;
}

// The interface of a candidate's vessel while it is still in the host's list. Some hosts
// remove a deleted vessel at once, and a vessel of this or another module may have taken it.
VESSEL *Listed(CrewCandidate &candidate) {
    return CrewCandidateListed(candidate) ? oapiGetVesselInterface(candidate.vessel) : nullptr;
}

// Whether the vessel a transfer vessel is addressed to has left: no object of the simulator
// bears that name exactly. The host finds the first object of a name whatever its letter
// case; one that differs in case is taken as another vessel, so the receiver is gone.
bool ReceiverGone(const char *transferName) {
    char receiver[RECEIVER_NAME_MAX_LENGTH + 1];
    std::snprintf(receiver, sizeof receiver, "%s", transferName + TRANSFER_PREFIX_LENGTH);
    const OBJHANDLE found = oapiGetObjectByName(receiver);
    if (!found) {
        return true;
    }
    char name[RECEIVER_NAME_MAX_LENGTH + 2] = {};
    oapiGetObjectName(found, name, sizeof name);
    return std::strcmp(name, receiver) != 0;
}

// The member of a transfer vessel whose receiving vessel has left, taken in by another as a
// member outside would be: from the hand-over file when it holds his values, else with his
// values alone. False when nothing tells who he is.
bool TakeStrandedMember(ReturningMember &member, bool hasValues, const VECTOR3 &values) {
    TransferRecord record;
    if (ReadTransferRecord(TRANSFER_RECORD_PATH, record) && IsCrewRecord(record) &&
        (!hasValues || SameValues(record.age, record.pulse, record.weight, values))) {
        SetMemberText(member, record.name, false);
        member.age = record.age;
        member.pulse = record.pulse;
        member.weight = record.weight;
        RemoveCrewFile(TRANSFER_RECORD_PATH);
        return true;
    }
    if (!hasValues) {
        return false;
    }
    SetMemberText(member, UNKNOWN_MEMBER_NAME, false);
    SetMemberValues(member, values);
    return true;
}

// This vessel's airlock box, as candidates are tested against it. A member farther from the
// own origin than the box's farthest corner is outside: most candidates of every vessel stop
// at this test, the cheapest. The own rotation is asked for once, when the first candidate
// within reach needs it: nothing moves while the vessels of a frame make their post-steps.
struct OwnAirlock {
    explicit OwnAirlock(const AirlockSlot &slot)
        : box(slot.Airlock()), reachSquared(FarthestCornerSquared(box)), own(slot.ownVessel) {
        oapiGetGlobalPos(slot.ownVesselHandle, &global);
    }

    // Whether the candidate stood in the box where the walk saw it: no host call for a
    // member out of reach.
    bool Holds(const CrewCandidate &candidate) {
        if (!(DistanceSquared(global, candidate.global) <= reachSquared)) {
            return false;
        }
        if (!rotationKnown) {
            own->GetRotationMatrix(rotation);
            rotationKnown = true;
        }
        return box.Contains(ToOwnFrame(rotation, global, candidate.global));
    }

    const AirlockPoint box;
    const double reachSquared;  // m^2
    VESSEL *const own;
    VECTOR3 global = {{0.0, 0.0, 0.0}};  // the own origin, m
    bool rotationKnown = false;
    MATRIX3 rotation = {};
};

// Whether this vessel takes in the member of a transfer candidate: one addressed to it, or
// one inside its box whose receiving vessel has left. A transfer vessel for another vessel
// waits for that one; the others go on, so that it cannot hide members further down the list
// from this vessel. One a crew library of another module took aboard this frame is nobody's.
bool TakesTransferCandidate(AwaitedMembers &awaited, CrewCandidate &candidate, OwnAirlock &airlock,
                            ReturningMember &member) {
    VESSEL *vessel = Listed(candidate);
    if (!vessel || IsTakenAboard(*vessel, vessel->AttachmentCount(true))) {
        return false;
    }
    VECTOR3 values;
    const bool hasValues = ReadMemberPoint(*vessel, values);
    const char *name = vessel->GetName();
    if (AddressedTo(name, airlock.own->GetName())) {
        return TakeTransferredMember(awaited, member, hasValues, values);
    }
    return name && airlock.Holds(candidate) && ReceiverGone(name) &&
           TakeStrandedMember(member, hasValues, values);
}

// The first of this frame's candidates, in list order, that this vessel takes in: a
// crew-member vessel inside the airlock box, a transfer vessel addressed to this vessel, or a
// transfer vessel inside the box whose receiving vessel has left (its member would otherwise
// wait for ever). Only a member who stands inside has his name copied.
ReturningMember FindReturningMember(AwaitedMembers &awaited, const AirlockSlot &slot) {
    ReturningMember member = {};
    member.found = CREW_NOBODY_RETURNED;
    const OBJHANDLE ownHandle = slot.ownVesselHandle;
    if (slot.doorValue != AIRLOCK_DOOR_OPEN || !slot.ownVessel || !ownHandle) {
        return member;
    }
    int count = 0;
    CrewCandidate *candidates = CrewCandidatesOfThisFrame(count);
    if (count == 0) {
        return member;
    }
    OwnAirlock airlock(slot);
    // When the frame found many, only those near the own origin are tested.
    int nearby[MAX_NEAR_CANDIDATES];
    const int nearCount = CrewCandidatesNear(airlock.global, std::sqrt(airlock.reachSquared),
                                             nearby, MAX_NEAR_CANDIDATES);
    const int tested = nearCount >= 0 ? nearCount : count;

    // The walk gives the candidates in decreasing list order.
    for (int t = tested - 1; t >= 0; --t) {
        CrewCandidate &candidate = candidates[nearCount >= 0 ? nearby[t] : t];
        if (!candidate.vessel || candidate.vessel == ownHandle) {
            continue;  // taken aboard already, or this very vessel
        }
        if (candidate.transfer) {
            if (!TakesTransferCandidate(awaited, candidate, airlock, member)) {
                continue;
            }
            member.found = CREW_HANDED_OVER;
        } else {
            // Inside, and still showing the member: a vessel of another module may have taken
            // him aboard since the walk.
            VECTOR3 values;
            VESSEL *vessel = airlock.Holds(candidate) ? Listed(candidate) : nullptr;
            if (!vessel || !ReadMemberPoint(*vessel, values)) {
                continue;
            }
            const char *name = vessel->GetName();
            SetMemberText(member, name ? name : "", true);
            SetMemberValues(member, values);
            member.found = CREW_BACK_FROM_EVA;
        }
        member.candidate = &candidate;
        member.vessel = candidate.vessel;
        return member;
    }
    return member;
}

// A vessel whose member is aboard stays in the simulator's list until the frame ends: its
// last point stops being "V-em", so no vessel of any module takes the member again.
void MarkTakenAboard(OBJHANDLE vessel) {
    VESSEL *v = oapiGetVesselInterface(vessel);
    if (v) {
        const VECTOR3 zero = {{0.0, 0.0, 0.0}};
        v->CreateAttachment(true, zero, zero, zero, TAKEN_ABOARD_POINT_ID, false);
    }
}

}  // namespace

ReturnResult CrewManager::ProcessReturningCrew() {
    if (!IsReady()) {
        return CREW_NOT_READY;
    }
    // Every member this frame's walk found in the airlock comes in now, while seats are free:
    // one who waited for the next would wait a whole pass of the walk. Without a free seat
    // nobody is taken in: a member on EVA stays outside, and a transfer vessel keeps its
    // record until a seat is free. Deleting either first would lose the member.
    ReturnResult result = CREW_NOBODY_RETURNED;
    while (airlock.doorValue != AIRLOCK_DOOR_CLOSED && roster.count < roster.maxSeats &&
           roster.count < ROSTER_SIZE) {
        const ReturningMember member = FindReturningMember(awaited, airlock);
        if (member.found == CREW_NOBODY_RETURNED) {
            break;
        }
        MarkTakenAboard(member.vessel);
        TakeCrewCandidate(*member.candidate);
        // Back from EVA, the pilot follows the member in; a hand-over leaves the focus alone.
        if (member.found == CREW_BACK_FROM_EVA) {
            oapiSetFocusObject(vesselHandle);
            result = CREW_BACK_FROM_EVA;
        } else if (result == CREW_NOBODY_RETURNED) {
            result = CREW_HANDED_OVER;
        }
        oapiDeleteVessel(member.vessel, nullptr);
        AddCrewMember(member.name, member.age, member.pulse, member.weight, member.missionId);
    }
    return result;
}

bool CrewManager::FindAwaitedMember(CrewMember &member) const {
    const char *ownName = IsReady() && airlock.ownVessel ? airlock.ownVessel->GetName() : nullptr;
    if (!ownName) {
        return false;
    }
    bool hasValues = false;
    VECTOR3 values = {{0.0, 0.0, 0.0}};
    if (!FindTransferVessel(ownName, hasValues, values)) {
        return false;
    }
    ReturningMember found = {};
    int index = NO_AWAITED_MEMBER;
    const TransferSource source =
        IdentifyTransferredMember(awaited, hasValues, values, found, &index);
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
