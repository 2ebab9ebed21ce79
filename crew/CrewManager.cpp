// Crew manager set-up and roster: seat limit, members coming and going, and the vessel's
// empty mass kept in step with the crew aboard.
#include "CrewManager.h"

#include <cstdio>
#include <cstring>

#include "CrewText.h"

namespace {

// Values after set-up.
constexpr int kDefaultSeatCount = 8;
constexpr int kDefaultEvaParameter = 100;
constexpr char kDefaultCrewMesh[] = "Vemo\\VEMo";  // the companion's mesh name, as it spells it
constexpr double kDefaultEvaExitZ = 3.0;           // m ahead of the vessel origin

// Seat limit window.
constexpr int kMinSeatCount = 1;
constexpr int kMaxSeatCount = kRosterSize;

// Longest name RemoveCrewMember looks for; longer ones cannot be on any roster.
constexpr std::size_t kMaxSearchNameLength = kCrewNameSize - 1;

int Clamp(int value, int low, int high) {
    return value < low ? low : (value > high ? high : value);
}

}  // namespace

void CrewManager::PublishSeats() const {
    AirlockSlot *slot = OwnedSlot();
    if (!slot) {
        return;
    }
    slot->PublishFreeSeats(maxSeatCount - crewCount);
    slot->PublishAirlockStatus(0);
}

int CrewManager::InitCrewManager(OBJHANDLE vessel) {
    if (!vessel) {
        return -1;
    }
    AirlockSlotTable &table = GetAirlockSlotTable();
    const int index = Clamp(table.nextSlot, 0, kAirlockSlotCount - 1);
    const int result = table.slots[index].InitAirlockSlot(vessel);
    if (result != 1) {
        // The manager keeps whatever it had, its slot included: a manager that was never set
        // up stays not ready.
        return result;
    }

    std::memset(this, 0, sizeof *this);
    maxSeatCount = kDefaultSeatCount;
    loadedCrewLines = -1;
    massAccounting = 1;
    airlockDoorOpen = 1;
    evaParameter = kDefaultEvaParameter;
    std::snprintf(crewMeshName, sizeof crewMeshName, "%s", kDefaultCrewMesh);
    evaPosition.z = kDefaultEvaExitZ;
    vesselHandle = vessel;
    slotIndex = index;
    state = kCrewSetUp;

    if (table.nextSlot < kAirlockSlotCount - 1) {
        table.nextSlot = index + 1;
    }
    return 1;
}

int CrewManager::DefineAirlockShape(int door, float minX, float maxX, float minY, float maxY,
                                    float minZ, float maxZ) {
    AirlockSlot *slot = OwnedSlot();
    if (!slot || slot->DefineAirlockShape(door, minX, maxX, minY, maxY, minZ, maxZ) != 1) {
        return 0;
    }
    state = static_cast<CrewManagerState>(state | kCrewAirlockDefined);
    airlockDoorOpen = door;
    // The seats actually free: a docked vessel trusts this figure when it sends a member over,
    // and a member who arrives to a full roster is lost.
    slot->PublishFreeSeats(maxSeatCount - crewCount);
    return 1;
}

int CrewManager::SetMaxSeatCount(int n) {
    if (!IsReady()) {
        return 0;
    }
    if (n < kMinSeatCount || n > kMaxSeatCount) {
        return 0;
    }
    // A limit below the crew aboard would publish a negative number of free seats.
    if (n < crewCount) {
        return 0;
    }
    maxSeatCount = n;
    PublishSeats();
    return 1;
}

int CrewManager::SetEvaPositionRotation(VECTOR3 position, VECTOR3 rotation) {
    if (!IsReady()) {
        return 0;
    }
    evaPosition = position;
    evaRotation = rotation;
    return 1;
}

int CrewManager::GetCrewCount() const {
    return IsReady() ? crewCount : 0;
}

const char *CrewManager::GetCrewNameBySlot(int index) const {
    if (!IsReady() || index < 0 || index >= crewCount || index >= kRosterSize) {
        return emptyName;
    }
    return roster[index].name;
}

int CrewManager::AddCrewMember(const char *name, int age, int pulse, int weight,
                               const char *missionId) {
    if (!IsReady() || !name || crewCount >= maxSeatCount || crewCount >= kRosterSize ||
        crewCount < 0) {
        return 0;
    }
    CrewMember &member = roster[crewCount];
    std::memset(&member, 0, sizeof member);
    // The precision bounds what is read: the texts need not be terminated within a field.
    std::snprintf(member.name, sizeof member.name, "%.*s", kCrewNameMaxLength, name);
    SanitizeCrewName(member.name);
    std::snprintf(member.missionId, sizeof member.missionId, "%.*s", kMissionIdMaxLength,
                  missionId ? missionId : "");
    crewtext::CleanMissionId(member.missionId, sizeof member.missionId);
    member.age = Clamp(age, kMinCrewAge, kMaxCrewAge);
    member.pulse = Clamp(pulse, kMinCrewPulse, kMaxCrewPulse);
    member.weight = Clamp(weight, kMinCrewWeight, kMaxCrewWeight);
    ++crewCount;

    crewMass += member.weight;
    if (massAccounting == 1) {
        oapiSetEmptyMass(vesselHandle, oapiGetEmptyMass(vesselHandle) + member.weight);
    }
    PublishSeats();
    return 1;
}

int CrewManager::RemoveCrewMember(const char *name) {
    if (!name || !IsReady() ||
        crewtext::BoundedLength(name, kMaxSearchNameLength + 1) > kMaxSearchNameLength) {
        return 0;
    }
    if (crewCount < 1 || crewCount > kRosterSize) {
        return 0;
    }
    int found = -1;
    for (int i = 0; i < crewCount; ++i) {
        if (crewtext::EqualNoCase(roster[i].name, name, kCrewNameSize)) {
            found = i;
            break;
        }
    }
    if (found < 0) {
        return 0;
    }

    const double weight = roster[found].weight;
    crewMass -= weight;
    if (massAccounting == 1) {
        oapiSetEmptyMass(vesselHandle, oapiGetEmptyMass(vesselHandle) - weight);
    }
    // Constant-time removal: the last member fills the hole.
    const int last = crewCount - 1;
    if (found != last) {
        roster[found] = roster[last];
    }
    --crewCount;
    PublishSeats();
    return 1;
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
