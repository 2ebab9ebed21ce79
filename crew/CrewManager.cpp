// The crew manager: its set-up and its roster (seat limit, members coming and going, and the
// vessel's empty mass kept in step with the crew aboard).
#include "CrewManager.h"

#include <cstdio>
#include <cstring>

#include "CrewText.h"

namespace {

// Values after set-up.
constexpr int DEFAULT_SEAT_COUNT = 8;
constexpr double DEFAULT_EVA_EXIT_Z = 3.0;  // m ahead of the vessel origin

// Seat limit window.
constexpr int MIN_SEAT_COUNT = 1;
constexpr int MAX_SEAT_COUNT = ROSTER_SIZE;

// Longest name RemoveCrewMember looks for; longer ones cannot be on any roster.
constexpr std::size_t MAX_SEARCH_NAME_LENGTH = CREW_NAME_SIZE - 1;

// Status value published after every roster or seat-limit change.
constexpr int STATUS_AFTER_ROSTER_CHANGE = 0;

int Clamp(int value, int low, int high) {
    return value < low ? low : (value > high ? high : value);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Set-up
// ---------------------------------------------------------------------------------------
CrewResult CrewManager::InitCrewManager(OBJHANDLE vessel) {
    if (!vessel) {
        return CREW_ERROR;
    }
    // Set up on the side first: on a failure the manager keeps whatever it had, its airlock
    // included, and one that was never set up stays not ready.
    AirlockSlot fresh = airlock;
    const int result = fresh.InitAirlockSlot(vessel);
    if (result != CREW_OK) {
        return static_cast<CrewResult>(result);
    }

    std::memset(this, 0, sizeof *this);
    airlock = fresh;
    roster.maxSeats = DEFAULT_SEAT_COUNT;
    roster.loadedLines = CREW_LINES_NOT_STARTED;
    eva.position.z = DEFAULT_EVA_EXIT_Z;
    vesselHandle = vessel;
    state = CREW_STATE_SET_UP;
    return CREW_OK;
}

CrewResult CrewManager::DefineAirlockShape(int door, float minX, float maxX, float minY, float maxY,
                                           float minZ, float maxZ) {
    AirlockSlot *slot = OwnAirlock();
    if (!slot || slot->DefineAirlockShape(door, minX, maxX, minY, maxY, minZ, maxZ) != CREW_OK) {
        return CREW_REFUSED;
    }
    state = static_cast<CrewManagerState>(state | CREW_STATE_AIRLOCK);
    // The seats actually free: a docked vessel trusts this figure when it sends a member over,
    // and a member who arrives to a full roster is lost.
    slot->PublishFreeSeats(roster.maxSeats - roster.count);
    return CREW_OK;
}

CrewResult CrewManager::SetMaxSeatCount(int n) {
    if (!IsReady()) {
        return CREW_REFUSED;
    }
    if (n < MIN_SEAT_COUNT || n > MAX_SEAT_COUNT) {
        return CREW_REFUSED;
    }
    // A limit below the crew aboard would publish a negative number of free seats.
    if (n < roster.count) {
        return CREW_REFUSED;
    }
    roster.maxSeats = n;
    PublishSeats();
    return CREW_OK;
}

CrewResult CrewManager::SetEvaPositionRotation(VECTOR3 position, VECTOR3 rotation) {
    if (!IsReady()) {
        return CREW_REFUSED;
    }
    eva.position = position;
    eva.rotation = rotation;
    return CREW_OK;
}

AirlockSlot *CrewManager::OwnAirlock() {
    return (state & CREW_STATE_SET_UP) ? &airlock : nullptr;
}

void CrewManager::PublishSeats() {
    AirlockSlot *slot = OwnAirlock();
    if (!slot) {
        return;
    }
    slot->PublishFreeSeats(roster.maxSeats - roster.count);
    slot->PublishAirlockStatus(STATUS_AFTER_ROSTER_CHANGE);
}

void CrewManager::CountCrewMass(double weight) {
    roster.mass += weight;
    oapiSetEmptyMass(vesselHandle, oapiGetEmptyMass(vesselHandle) + weight);
}

// ---------------------------------------------------------------------------------------
// Roster
// ---------------------------------------------------------------------------------------
int CrewManager::GetCrewCount() const {
    return IsReady() ? roster.count : 0;
}

const CrewMember *CrewManager::GetCrewMember(int index) const {
    if (!IsReady() || index < 0 || index >= roster.count || index >= ROSTER_SIZE) {
        return nullptr;
    }
    return &roster.members[index];
}

const char *CrewManager::GetCrewNameBySlot(int index) const {
    const CrewMember *member = GetCrewMember(index);
    return member ? member->name : "";
}

CrewResult CrewManager::AddCrewMember(const char *name, int age, int pulse, int weight,
                                      const char *missionId) {
    if (!IsReady() || !name || roster.count >= roster.maxSeats || roster.count >= ROSTER_SIZE ||
        roster.count < 0) {
        return CREW_REFUSED;
    }
    CrewMember &member = roster.members[roster.count];
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
    ++roster.count;

    CountCrewMass(member.weight);
    PublishSeats();
    return CREW_OK;
}

CrewResult CrewManager::RemoveCrewMember(const char *name) {
    if (!name || !IsReady() ||
        crewtext::BoundedLength(name, MAX_SEARCH_NAME_LENGTH + 1) > MAX_SEARCH_NAME_LENGTH) {
        return CREW_REFUSED;
    }
    if (roster.count < 1 || roster.count > ROSTER_SIZE) {
        return CREW_REFUSED;
    }
    const int found = FindCrewMember(name);
    if (found < 0) {
        return CREW_REFUSED;
    }

    CountCrewMass(-roster.members[found].weight);
    // Constant-time removal: the last member fills the hole.
    const int last = roster.count - 1;
    if (found != last) {
        roster.members[found] = roster.members[last];
    }
    --roster.count;
    PublishSeats();
    return CREW_OK;
}

int CrewManager::FindCrewMember(const char *name) const {
    for (int i = 0; i < roster.count && i < ROSTER_SIZE; ++i) {
        if (crewtext::EqualNoCase(roster.members[i].name, name, CREW_NAME_SIZE)) {
            return i;
        }
    }
    return -1;
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
