// The crew manager: its set-up, the airlock record it shows its airlock through, and its
// roster (seat limit, members coming and going, and the vessel's empty mass kept in step
// with the crew aboard).
#include "CrewManager.h"

#include <cstdio>
#include <cstring>

#include "CrewFile.h"
#include "CrewText.h"

namespace {

// Values after set-up.
constexpr int DEFAULT_SEAT_COUNT = 8;
constexpr int DEFAULT_EVA_PARAMETER = 100;
constexpr char DEFAULT_CREW_MESH[] = "Vemo\\VEMo";  // the companion's mesh name, as it spells it
constexpr double DEFAULT_EVA_EXIT_Z = 3.0;          // m ahead of the vessel origin

// Seat limit window.
constexpr int MIN_SEAT_COUNT = 1;
constexpr int MAX_SEAT_COUNT = ROSTER_SIZE;

// Longest name RemoveCrewMember looks for; longer ones cannot be on any roster.
constexpr std::size_t MAX_SEARCH_NAME_LENGTH = CREW_NAME_SIZE - 1;

int Clamp(int value, int low, int high) {
    return value < low ? low : (value > high ? high : value);
}

// First values of an airlock record.
constexpr int INITIAL_DOCK_PORT = 0;
constexpr int INITIAL_STATUS_VALUE = 1000;  // published until the first roster change
constexpr int INITIAL_FREE_SEATS = 1000;    // published until the manager sets its seats
// Status value published after every roster or seat-limit change.
constexpr int STATUS_AFTER_ROSTER_CHANGE = 0;

}  // namespace

// ---------------------------------------------------------------------------------------
// Set-up
// ---------------------------------------------------------------------------------------
int CrewManager::InitCrewManager(OBJHANDLE vessel) {
    if (!vessel) {
        return CREW_ERROR;
    }
    // Set up on the side first: on a failure the manager keeps whatever it had, its airlock
    // included, and one that was never set up stays not ready.
    AirlockSlot fresh = airlock;
    const int result = fresh.InitAirlockSlot(vessel);
    if (result != CREW_OK) {
        return result;
    }

    std::memset(this, 0, sizeof *this);
    airlock = fresh;
    maxSeatCount = DEFAULT_SEAT_COUNT;
    loadedCrewLines = CREW_LINES_NOT_STARTED;
    massAccounting = MASS_ACCOUNTING_ON;
    airlockDoorOpen = AIRLOCK_DOOR_OPEN;
    evaParameter = DEFAULT_EVA_PARAMETER;
    std::snprintf(crewMeshName, sizeof crewMeshName, "%s", DEFAULT_CREW_MESH);
    evaPosition.z = DEFAULT_EVA_EXIT_Z;
    vesselHandle = vessel;
    state = CREW_STATE_SET_UP;
    return CREW_OK;
}

int CrewManager::DefineAirlockShape(int door, float minX, float maxX, float minY, float maxY,
                                    float minZ, float maxZ) {
    AirlockSlot *slot = OwnAirlock();
    if (!slot || slot->DefineAirlockShape(door, minX, maxX, minY, maxY, minZ, maxZ) != CREW_OK) {
        return CREW_REFUSED;
    }
    state = static_cast<CrewManagerState>(state | CREW_STATE_AIRLOCK);
    airlockDoorOpen = door;
    // The seats actually free: a docked vessel trusts this figure when it sends a member over,
    // and a member who arrives to a full roster is lost.
    slot->PublishFreeSeats(maxSeatCount - crewCount);
    return CREW_OK;
}

int CrewManager::SetMaxSeatCount(int n) {
    if (!IsReady()) {
        return CREW_REFUSED;
    }
    if (n < MIN_SEAT_COUNT || n > MAX_SEAT_COUNT) {
        return CREW_REFUSED;
    }
    // A limit below the crew aboard would publish a negative number of free seats.
    if (n < crewCount) {
        return CREW_REFUSED;
    }
    maxSeatCount = n;
    PublishSeats();
    return CREW_OK;
}

int CrewManager::SetEvaPositionRotation(VECTOR3 position, VECTOR3 rotation) {
    if (!IsReady()) {
        return CREW_REFUSED;
    }
    evaPosition = position;
    evaRotation = rotation;
    return CREW_OK;
}

// ---------------------------------------------------------------------------------------
// The airlock: set up with the manager, published on every roster change
// ---------------------------------------------------------------------------------------
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
    dockPort = INITIAL_DOCK_PORT;
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

AirlockSlot *CrewManager::OwnAirlock() {
    return (state & CREW_STATE_SET_UP) ? &airlock : nullptr;
}

void CrewManager::PublishSeats() {
    AirlockSlot *slot = OwnAirlock();
    if (!slot) {
        return;
    }
    slot->PublishFreeSeats(maxSeatCount - crewCount);
    slot->PublishAirlockStatus(STATUS_AFTER_ROSTER_CHANGE);
}

// ---------------------------------------------------------------------------------------
// Roster
// ---------------------------------------------------------------------------------------
int CrewManager::GetCrewCount() const {
    return IsReady() ? crewCount : 0;
}

const char *CrewManager::GetCrewNameBySlot(int index) const {
    if (!IsReady() || index < 0 || index >= crewCount || index >= ROSTER_SIZE) {
        return emptyName;
    }
    return roster[index].name;
}

int CrewManager::AddCrewMember(const char *name, int age, int pulse, int weight,
                               const char *missionId) {
    if (!IsReady() || !name || crewCount >= maxSeatCount || crewCount >= ROSTER_SIZE ||
        crewCount < 0) {
        return CREW_REFUSED;
    }
    CrewMember &member = roster[crewCount];
    std::memset(&member, 0, sizeof member);
    // The precision bounds what is read: the texts need not be terminated within a field.
    std::snprintf(member.name, sizeof member.name, "%.*s", CREW_NAME_MAX_LENGTH, name);
    SanitizeCrewName(member.name);
    std::snprintf(member.missionId, sizeof member.missionId, "%.*s", MISSION_ID_MAX_LENGTH,
                  missionId ? missionId : "");
    crewtext::CleanMissionId(member.missionId, sizeof member.missionId);
    member.age = Clamp(age, MIN_CREW_AGE, MAX_CREW_AGE);
    member.pulse = Clamp(pulse, MIN_CREW_PULSE, MAX_CREW_PULSE);
    member.weight = Clamp(weight, MIN_CREW_WEIGHT, MAX_CREW_WEIGHT);
    ++crewCount;

    crewMass += member.weight;
    if (massAccounting == MASS_ACCOUNTING_ON) {
        oapiSetEmptyMass(vesselHandle, oapiGetEmptyMass(vesselHandle) + member.weight);
    }
    PublishSeats();
    return CREW_OK;
}

int CrewManager::RemoveCrewMember(const char *name) {
    if (!name || !IsReady() ||
        crewtext::BoundedLength(name, MAX_SEARCH_NAME_LENGTH + 1) > MAX_SEARCH_NAME_LENGTH) {
        return CREW_REFUSED;
    }
    if (crewCount < 1 || crewCount > ROSTER_SIZE) {
        return CREW_REFUSED;
    }
    int found = -1;
    for (int i = 0; i < crewCount; ++i) {
        if (crewtext::EqualNoCase(roster[i].name, name, CREW_NAME_SIZE)) {
            found = i;
            break;
        }
    }
    if (found < 0) {
        return CREW_REFUSED;
    }

    const double weight = roster[found].weight;
    crewMass -= weight;
    if (massAccounting == MASS_ACCOUNTING_ON) {
        oapiSetEmptyMass(vesselHandle, oapiGetEmptyMass(vesselHandle) - weight);
    }
    // Constant-time removal: the last member fills the hole.
    const int last = crewCount - 1;
    if (found != last) {
        roster[found] = roster[last];
    }
    --crewCount;
    PublishSeats();
    return CREW_OK;
}

void CrewManager::SanitizeCrewName(char *name) {
    if (!name) {
        return;
    }
    for (char *p = name; *p; ++p) {
        const char c = *p;  // bytes above 127 are negative here and never pass
        const bool keep =
            (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!keep) {
            *p = ' ';
        }
    }
}
