// EVA and transfer: a crew member leaves the vessel by becoming a vessel of class "Vemo".
//
// Not docked, the member steps out at the EVA exit point with the vessel's velocity plus a
// push (free EVA); the companion module's vessel takes the member's record from the EVA
// hand-over file. Docked to a vessel with an open crew airlock, the member is handed over: a
// short-lived transfer vessel named after the receiving vessel appears in the middle of its
// airlock box, carrying the member's values on its "V-em" point, and the record goes to the
// transfer hand-over file, which the receiving vessel reads and removes (ReturningCrew.cpp).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "AirlockPoint.h"
#include "CrewFile.h"
#include "CrewManager.h"
#include "CrewText.h"
#include "TransferRecord.h"

namespace {

// Push given to a member on free EVA, along the vessel's +z axis: m/s per rad/s of the
// vessel's rates about x and y (the rate about z does not count).
constexpr double PUSH_PER_RATE = 5.0;

// What every crew-member vessel made is handed in its record: the companion's mesh for a
// member (as it spells it) and its parameter.
constexpr char CREW_MESH_NAME[] = "Vemo\\VEMo";
constexpr int EVA_PARAMETER = 100;
static_assert(EVA_PARAMETER >= 0 && EVA_PARAMETER <= MAX_EVA_PARAMETER, "in the record's window");

constexpr int OBJECT_NAME_SIZE = OBJECT_NAME_MAX_LENGTH + 1;

// Longest crew name EvaCrewMember accepts; no roster name can be longer.
constexpr std::size_t MAX_EVA_NAME_LENGTH = CREW_NAME_SIZE - 1;
constexpr int CREW_TEXT_SIZE = CREW_TEXT_MAX_LENGTH + 1;

// Fresh state of a vessel made for a crew member.
constexpr double FULL_FUEL = 1.0;
constexpr int FREE_FLIGHT = 0;
// Status word of a vessel standing on the surface.
constexpr int LANDED = 1;

// VESSELSTATUS::flag[0] bits that make the host apply fuel (2) and engine levels (1).
constexpr DWORD STATUS_SETS_FUEL_AND_ENGINES = 0x3;
// Below this cosine of the latitude a spot is taken as a pole, where east has no direction.
constexpr double MIN_COS_LATITUDE = 1e-9;

int InWindowOr(int value, int low, int high, int fallback) {
    return (value < low || value > high) ? fallback : value;
}

// Whether a vessel whose name, cleaned as an object name, is `receiver` exists. Asked only
// when a member is about to be handed over, never in a step.
bool ReceiverExists(const char *receiver) {
    if (oapiGetObjectByName(const_cast<char *>(receiver)) != nullptr) {
        return true;
    }
    for (DWORD i = 0; i < oapiGetVesselCount(); ++i) {
        OBJHANDLE handle = oapiGetVesselByIndex(static_cast<int>(i));
        VESSEL *vessel = handle ? oapiGetVesselInterface(handle) : nullptr;
        const char *name = vessel ? vessel->GetName() : nullptr;
        if (name && NamesReceiver(receiver, name, OBJECT_NAME_MAX_LENGTH)) {
            return true;
        }
    }
    return false;
}

// True while a transfer vessel of any vessel waits to be taken: its record is still in the
// one transfer hand-over file, and a second transfer would overwrite it. A transfer vessel
// whose receiver no longer exists waits for nobody and blocks nothing: its member stays
// outside as a crew-member vessel, with its values on its own point. Nor does one whose
// member a crew library has taken aboard this frame.
bool TransferPending() {
    for (DWORD i = 0; i < oapiGetVesselCount(); ++i) {
        OBJHANDLE handle = oapiGetVesselByIndex(static_cast<int>(i));
        VESSEL *vessel = handle ? oapiGetVesselInterface(handle) : nullptr;
        if (!vessel || !HasCrewVesselClass(*vessel) ||
            IsTakenAboard(*vessel, vessel->AttachmentCount(true))) {
            continue;
        }
        char name[OBJECT_NAME_SIZE + 1] = {};
        oapiGetObjectName(handle, name, OBJECT_NAME_SIZE);
        if (IsTransferVesselName(name) && ReceiverExists(name + TRANSFER_PREFIX_LENGTH)) {
            return true;
        }
    }
    return false;
}

}  // namespace

MATRIX3 &MultiplyMatrix3(MATRIX3 &result, const MATRIX3 &left, const MATRIX3 &right) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 3; ++k) {
                sum += left.data[i * 3 + k] * right.data[k * 3 + j];
            }
            result.data[i * 3 + j] = sum;
        }
    }
    return result;
}

void OrientCrewVessel(const VECTOR3 &rotation, OBJHANDLE vessel) {
    VESSEL *target = vessel ? oapiGetVesselInterface(vessel) : nullptr;
    if (!target) {
        return;
    }
    MATRIX3 r;
    target->GetRotationMatrix(r);

    const double ca = std::cos(rotation.x), sa = std::sin(rotation.x);
    const double cb = std::cos(rotation.y), sb = std::sin(rotation.y);
    const double cc = std::cos(rotation.z), sc = std::sin(rotation.z);
    const MATRIX3 x = {{1, 0, 0, 0, ca, sa, 0, -sa, ca}};
    const MATRIX3 y = {{cb, 0, sb, 0, 1, 0, -sb, 0, cb}};
    const MATRIX3 z = {{cc, sc, 0, -sc, cc, 0, 0, 0, 1}};

    MATRIX3 t1, t2, t3;
    MultiplyMatrix3(t1, r, x);
    MultiplyMatrix3(t2, t1, y);
    MultiplyMatrix3(t3, t2, z);
    target->SetRotationMatrix(t3);
}

namespace {

// A status the host reported for a vessel that is not in free flight, made into the free
// flight the member's vessel starts in. The host reports a landed vessel in surface terms:
// the altitude in vrot.x and the orientation relative to the local horizon in arot. Copied
// as they are, the member would start spinning at "altitude" radians per second and turned
// the wrong way. Instead it starts turned as the vessel stands (the angles of its rotation
// matrix, which are what free flight means by arot) and, off a landed vessel, at rest with
// the surface; position and velocity are relative to the body in every status.
void MakeFreeFlight(const VESSEL &source, VESSELSTATUS &status) {
    if (status.status == FREE_FLIGHT) {
        return;
    }
    MATRIX3 r;
    source.GetRotationMatrix(r);
    const double sinY = r.m13 > 1.0 ? 1.0 : (r.m13 < -1.0 ? -1.0 : r.m13);
    status.arot.x = std::atan2(r.m23, r.m33);
    status.arot.y = -std::asin(sinY);
    status.arot.z = std::atan2(r.m12, r.m11);
    if (status.status == LANDED) {
        status.vrot.x = status.vrot.y = status.vrot.z = 0.0;
    } else {
        source.GetAngularVel(status.vrot);
    }
}

// Where the vessel of a member who leaves starts, what it is called, and where its record
// goes.
struct CrewVesselPlan {
    VESSELSTATUS status;
    char objectName[OBJECT_NAME_SIZE];
    const char *recordPath;
};

// The surface spot (longitude, latitude, heading; radians) below the own vessel's local point
// `offset`, for a vessel standing landed. GetStatus gives where it stands, and its
// orientation relative to the local horizon as the angles a, b, c of X(a) Y(b) Z(c); that
// matrix turns the offset into the horizon's axes (east, up, north). The spot lies that far
// east and north along the surface, at the vessel's own distance from the centre, and the
// member faces the way the vessel does.
VECTOR3 LandedSpotAt(const VESSELSTATUS &landed, const VECTOR3 &offset) {
    const double sa = std::sin(landed.arot.x), ca = std::cos(landed.arot.x);
    const double sb = std::sin(landed.arot.y), cb = std::cos(landed.arot.y);
    const double sc = std::sin(landed.arot.z), cc = std::cos(landed.arot.z);
    const double east = cb * cc * offset.x + cb * sc * offset.y - sb * offset.z;
    const double north = (ca * sb * cc + sa * sc) * offset.x + (ca * sb * sc - sa * cc) * offset.y +
                         ca * cb * offset.z;
    const VECTOR3 &r = landed.rpos;
    const double radius = std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z);
    const VECTOR3 &spot = landed.vdata[0];
    const double cosLat = std::cos(spot.y);
    if (!(radius > 0.0) || !(std::fabs(cosLat) > MIN_COS_LATITUDE)) {
        return spot;  // at a pole, or nowhere: the member stands where the vessel does
    }
    return VECTOR3{{spot.x + east / (radius * cosLat), spot.y + north / radius, spot.z}};
}

// Free EVA: at the exit point, with the own vessel's velocity and a push along its +z axis
// that grows with its pitch and yaw rates. Off a landed vessel the member stands landed
// beside it, at the exit point's longitude and latitude and with its heading: started in
// free flight he would be put where the simulator puts a vessel made below the mean radius
// (far off, where the terrain lies below it), or fall from wherever he started.
void PlanFreeEva(VESSEL &own, const char *crewText, const VECTOR3 &exitOffset,
                 CrewVesselPlan &plan) {
    own.GetStatus(plan.status);
    std::snprintf(plan.objectName, sizeof plan.objectName, "%s%s", EVA_VESSEL_PREFIX, crewText);
    plan.recordPath = EVA_RECORD_PATH;
    if (plan.status.status == LANDED) {
        plan.status.vdata[0] = LandedSpotAt(plan.status, exitOffset);
        return;
    }
    VECTOR3 rates = {{0.0, 0.0, 0.0}};
    own.GetAngularVel(rates);
    const double push = (std::fabs(rates.y) + std::fabs(rates.x)) * PUSH_PER_RATE;
    MakeFreeFlight(own, plan.status);
    VECTOR3 pushGlobal = {{0.0, 0.0, 0.0}};
    own.GlobalRot(VECTOR3{{0.0, 0.0, push}}, pushGlobal);
    plan.status.rvel.x += pushGlobal.x;
    plan.status.rvel.y += pushGlobal.y;
    plan.status.rvel.z += pushGlobal.z;
    VECTOR3 rel = {{0.0, 0.0, 0.0}};
    own.Local2Rel(exitOffset, rel);
    plan.status.rpos = rel;
    plan.status.status = FREE_FLIGHT;
}

// Transfer: in the middle of the first open airlock of the docked vessel, named after that
// vessel, so that its returning-crew scan takes the member in. CREW_TRANSFER, or why not:
// CREW_CANNOT_LEAVE, CREW_DOCKED_NO_AIRLOCK, CREW_DOCKED_DOOR_CLOSED,
// CREW_RECEIVER_NAME_LONG, CREW_TRANSFER_PENDING. Nothing is written or made on a refusal.
EvaResult PlanTransfer(OBJHANDLE docked, CrewVesselPlan &plan) {
    VESSEL *receiver = oapiGetVesselInterface(docked);
    if (!receiver) {
        return CREW_CANNOT_LEAVE;
    }
    const DWORD count = receiver->AttachmentCount(false);
    if (count == 0) {
        return CREW_DOCKED_NO_AIRLOCK;
    }
    // The first open airlock takes the member; a closed one is only noted.
    bool closedSeen = false;
    bool taken = false;
    AirlockPoint airlock = {};
    for (DWORD i = 0; i < count && !taken; ++i) {
        if (!ReadAirlockPoint(*receiver, receiver->GetAttachmentHandle(false, i), airlock)) {
            continue;
        }
        taken = airlock.IsOpen();
        closedSeen = closedSeen || !taken;
    }
    if (!taken) {
        return closedSeen ? CREW_DOCKED_DOOR_CLOSED : CREW_DOCKED_NO_AIRLOCK;
    }
    // A cut name would address the member to no vessel at all.
    const char *receiverName = receiver->GetName();
    if (!receiverName || crewtext::BoundedLength(receiverName, RECEIVER_NAME_MAX_LENGTH + 1) >
                             RECEIVER_NAME_MAX_LENGTH) {
        return CREW_RECEIVER_NAME_LONG;
    }
    if (TransferPending()) {
        return CREW_TRANSFER_PENDING;
    }

    receiver->GetStatus(plan.status);
    MakeFreeFlight(*receiver, plan.status);
    VECTOR3 rel = {{0.0, 0.0, 0.0}};
    receiver->Local2Rel(airlock.Middle(), rel);
    plan.status.rpos = rel;
    plan.status.status = FREE_FLIGHT;
    std::snprintf(plan.objectName, sizeof plan.objectName, "%s%s", TRANSFER_VESSEL_PREFIX,
                  receiverName);
    plan.recordPath = TRANSFER_RECORD_PATH;
    return CREW_TRANSFER;
}

// The member's text: the mission id, "-" and the name; the name alone without a mission id.
void FormatCrewText(const CrewMember &member, char (&crewText)[CREW_TEXT_SIZE]) {
    if (member.missionId[0] != '\0') {
        std::snprintf(crewText, sizeof crewText, "%.*s-%.*s", MISSION_ID_MAX_LENGTH,
                      member.missionId, CREW_NAME_MAX_LENGTH, member.name);
    } else {
        std::snprintf(crewText, sizeof crewText, "%.*s", CREW_NAME_MAX_LENGTH, member.name);
    }
}

// Makes the planned vessel, its record already on disk, and turns it by rotation. A transfer
// vessel (docked) shows the member's values on its "V-em" point. CREW_EVA or CREW_TRANSFER
// when made; CREW_NO_CREW_MODULE when no module runs the vessel the host made, or
// CREW_CANNOT_LEAVE when the host makes none or a transfer vessel cannot be reached: the
// vessel is deleted again then, and so is the transfer record.
EvaResult LaunchCrewVessel(CrewVesselPlan &plan, bool docked, const VECTOR3 &values,
                           const VECTOR3 &rotation) {
    CleanObjectName(plan.objectName);
    OBJHANDLE created = oapiCreateVessel(plan.objectName, CREW_VESSEL_CLASS, plan.status);
    VESSEL *carrier = created ? oapiGetVesselInterface(created) : nullptr;
    if (carrier && carrier->Version() == PLAIN_VESSEL_VERSION) {
        // The simulator made the vessel without the companion module (it could not load it):
        // nothing would ever show the member's "V-em" point, so he could never come back.
        // He stays aboard, and nothing of this hand-over remains.
        oapiDeleteVessel(created, nullptr);
        if (docked) {
            RemoveCrewFile(TRANSFER_RECORD_PATH);
        }
        return CREW_NO_CREW_MODULE;
    }
    if (created) {
        OrientCrewVessel(rotation, created);
    }
    if (!docked) {
        // A member whose vessel the host refused stays aboard.
        return created ? CREW_EVA : CREW_CANNOT_LEAVE;
    }
    if (!carrier) {
        // The member stays aboard, so nothing of this hand-over may remain to be taken.
        if (created) {
            oapiDeleteVessel(created, nullptr);
        }
        RemoveCrewFile(TRANSFER_RECORD_PATH);
        return CREW_CANNOT_LEAVE;
    }
    const VECTOR3 zero = {{0.0, 0.0, 0.0}};
    carrier->CreateAttachment(true, values, zero, zero, CREW_ATTACHMENT_ID, false);
    return CREW_TRANSFER;
}

// Makes the vessel of a member who leaves the slot's vessel: on free EVA, or handed over
// when a vessel is docked at the slot's dock port. The record is on disk before the vessel
// exists, and the new vessel is turned by rotation (radians). Age and pulse outside the
// record's windows travel as their fallbacks.
// The results of LaunchCrewVessel, the refusals of PlanTransfer, or CREW_CANNOT_LEAVE when
// the slot has no vessel or the record cannot be written whole (nothing is made).
EvaResult CreateCrewVessel(const AirlockSlot &slot, const char *crewText, int age, int pulse,
                           int weight, const VECTOR3 &exitOffset, const VECTOR3 &rotation) {
    age = InWindowOr(age, 0, MAX_RECORD_AGE, FALLBACK_RECORD_AGE);
    pulse = InWindowOr(pulse, 0, MAX_RECORD_PULSE, FALLBACK_RECORD_PULSE);
    VESSEL *own = slot.ownVessel;
    if (!own) {
        return CREW_CANNOT_LEAVE;
    }

    CrewVesselPlan plan;
    std::memset(&plan, 0, sizeof plan);
    const OBJHANDLE docked = own->DockCount() > 0 ? slot.DockedVessel() : nullptr;
    if (docked) {
        const EvaResult planned = PlanTransfer(docked, plan);
        if (planned != CREW_TRANSFER) {
            return planned;
        }
    } else {
        PlanFreeEva(*own, crewText, exitOffset, plan);
    }
    plan.status.fuel = FULL_FUEL;
    plan.status.eng_main = 0.0;
    plan.status.eng_hovr = 0.0;
    plan.status.flag[0] = STATUS_SETS_FUEL_AND_ENGINES;

    // Without the record the member would arrive with default values or without a name; the
    // member stays aboard instead.
    const TransferRecord record =
        MakeTransferRecord(crewText, CREW_MESH_NAME, age, pulse, EVA_PARAMETER, weight);
    if (!WriteTransferRecord(record, plan.recordPath)) {
        return CREW_CANNOT_LEAVE;
    }

    const VECTOR3 values = {{double(age), double(pulse), double(weight)}};
    return LaunchCrewVessel(plan, docked != nullptr, values, rotation);
}

}  // namespace

EvaResult CrewManager::EvaCrewMember(const char *name) {
    AirlockSlot *slot = IsReady() ? OwnAirlock() : nullptr;
    if (!slot) {
        return CREW_CANNOT_LEAVE;
    }
    if (!name || crewtext::BoundedLength(name, MAX_EVA_NAME_LENGTH + 1) > MAX_EVA_NAME_LENGTH) {
        return CREW_NO_SUCH_MEMBER;
    }
    if (roster.count < 1) {
        return CREW_NOBODY_ABOARD;
    }
    if (slot->doorValue == AIRLOCK_DOOR_CLOSED) {
        return CREW_DOOR_CLOSED;
    }

    // Docked: the other vessel must have a seat for the member. Asked before the roster, so
    // that a full vessel refuses whoever is named.
    if (slot->DockedVessel()) {
        const int freeSeats = slot->GetDockedFreeSeats();
        if (freeSeats == 0) {
            return CREW_DOCKED_FULL;
        }
        if (freeSeats < 0) {
            return CREW_DOCKED_NO_AIRLOCK;
        }
    }

    const int index = FindCrewMember(name);
    if (index < 0) {
        return CREW_NO_SUCH_MEMBER;
    }
    const CrewMember &member = roster.members[index];
    char crewText[CREW_TEXT_SIZE];
    FormatCrewText(member, crewText);

    // The name the crew-member vessel will bear, for GetLastEvaVessel.
    std::snprintf(eva.lastVesselName, sizeof eva.lastVesselName, "%s%s", EVA_VESSEL_PREFIX,
                  crewText);
    CleanObjectName(eva.lastVesselName);

    const EvaResult result =
        CreateCrewVessel(*slot, crewText, member.age, member.pulse, static_cast<int>(member.weight),
                         eva.position, eva.rotation);
    if (result == CREW_EVA || result == CREW_TRANSFER) {
        // Copied before the removal, which may move another member into this record.
        char leaving[CREW_NAME_SIZE];
        std::snprintf(leaving, sizeof leaving, "%s", member.name);
        RemoveCrewMember(leaving);
    }
    return result;
}

OBJHANDLE CrewManager::GetLastEvaVessel() const {
    if (!IsReady() || eva.lastVesselName[0] == '\0') {
        return nullptr;
    }
    // The host's call takes the name as char *; it does not change it.
    char name[sizeof eva.lastVesselName];
    std::snprintf(name, sizeof name, "%s", eva.lastVesselName);
    return oapiGetObjectByName(name);
}
