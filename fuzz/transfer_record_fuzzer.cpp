// The transfer hand-over file as another module, another version of this one, or a write cut
// short may leave it: arbitrary bytes of any length in config/VemotmpT.cfg while a receiving
// vessel finds a transfer vessel addressed to it.
//
// Two transfer vessels are taken in turn: one that carries the member's values on its "V-em"
// point, as the sending crew library makes it, and one without (its values then come only from
// the file). Whatever the file holds, the member is either boarded or left waiting outside,
// never lost or doubled; a member already aboard keeps its own data; and the roster keeps its
// invariants.
#include <string>

#include "TransferRecord.h"
#include "fuzz_support.h"

namespace {

constexpr std::size_t kRecordSize = sizeof(TransferRecord);
constexpr int kAge = 35, kPulse = 72, kWeight = 80;  // what the first transfer vessel carries

std::int32_t le32(const std::uint8_t *p) {
    return static_cast<std::int32_t>(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                     std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24);
}

// The record is taken only when the file holds a whole one whose name field is a terminated
// crew-vessel name.
bool soundRecord(const std::uint8_t *data, std::size_t size) {
    return size >= kRecordSize && std::memchr(data, '\0', 40) != nullptr &&
           std::memcmp(data, "Vemo_", 5) == 0;
}

OBJHANDLE makeCarrier(sim::World &world, OBJHANDLE receiver, bool withValues) {
    VESSELSTATUS status = sim::makeStatus();
    OBJHANDLE carrier = world.createVessel("VemoTAlpha", "Vemo", status);
    FUZZ_CHECK(carrier != nullptr);
    world.placeNear(carrier, receiver, sim::vec(40, 0, 0));  // well outside the airlock box
    VESSEL *v = oapiGetVesselInterface(carrier);
    const VECTOR3 zero = {{0.0, 0.0, 0.0}};
    if (withValues) {
        const VECTOR3 values = {{double(kAge), double(kPulse), double(kWeight)}};
        v->CreateAttachment(true, values, zero, zero, CREW_ATTACHMENT_ID);
    } else {
        v->CreateAttachment(true, zero, zero, zero, "HOOK");
    }
    return carrier;
}

// Steps the world and lets the receiver look for crew after each step, until it takes a
// member in or the module's walk has been over the whole list once: its result. A step ends
// the frame of a scan that took someone aboard, so the vessel it deleted is gone.
int scan(sim::World &world, OBJHANDLE receiver) {
    CrewManager &crew = fuzzsupport::hab(receiver).crew;
    for (double looked = 0.0; looked < RETURNING_CREW_SCAN_PERIOD; looked += world.options().step) {
        world.step();
        if (const int result = crew.ProcessReturningCrew()) {
            world.step();
            return result;
        }
    }
    return 0;
}

bool destroyed(const sim::World &world, OBJHANDLE vessel) {
    return world.handleState(vessel) == sim::VesselTable::State::kDestroyed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::unique_ptr<sim::World> fresh = fuzzsupport::newCrewWorld();
    sim::World &world = *fresh;
    OBJHANDLE alpha = world.createVessel("Alpha", "FuzzHab", sim::makeStatus());
    FUZZ_CHECK(alpha != nullptr);
    CrewManager &crew = fuzzsupport::hab(alpha).crew;
    FUZZ_CHECK(crew.AddCrewMember("Resident", 50, 60, 70, "R1") == 1);
    const CrewMember resident = *crew.GetCrewMember(0);

    // A transfer vessel with the member's values: always boarded, with those values. The
    // name comes from the file only when the file holds a record of this very member.
    OBJHANDLE carrier = makeCarrier(world, alpha, true);
    fuzzsupport::writeFile(fuzzsupport::kTransferFile, data, size);
    int result = scan(world, alpha);
    FUZZ_CHECK(result == 2, "first scan gave %d", result);
    FUZZ_CHECK(destroyed(world, carrier), "the transfer vessel is still there");
    FUZZ_CHECK(!fuzzsupport::fileExists(fuzzsupport::kTransferFile), "hand-over file left behind");
    FUZZ_CHECK(crew.GetCrewCount() == 2);
    FUZZ_CHECK(std::memcmp(&*crew.GetCrewMember(0), &resident, sizeof resident) == 0,
               "the member aboard changed");
    const CrewMember &arrived = *crew.GetCrewMember(1);
    FUZZ_CHECK(arrived.age == kAge && arrived.pulse == kPulse && arrived.weight == kWeight,
               "boarded with %d/%d/%g", arrived.age, arrived.pulse, arrived.weight);
    const bool recordUsed = soundRecord(data, size) && le32(data + 80) == kAge &&
                            le32(data + 84) == kPulse && le32(data + 92) == kWeight;
    if (!recordUsed) {
        FUZZ_CHECK(std::strcmp(arrived.name, "Unknown") == 0 && arrived.missionId[0] == '\0',
                   "a record that is not this member's gave the name '%s'", arrived.name);
    }
    fuzzsupport::checkRoster(crew);

    // A transfer vessel without values of its own: boarded from a sound record, otherwise it
    // waits outside with the file left for it.
    carrier = makeCarrier(world, alpha, false);
    fuzzsupport::writeFile(fuzzsupport::kTransferFile, data, size);
    const int countBefore = crew.GetCrewCount();
    result = scan(world, alpha);
    if (soundRecord(data, size)) {
        FUZZ_CHECK(result == 2, "second scan gave %d", result);
        FUZZ_CHECK(destroyed(world, carrier));
        FUZZ_CHECK(crew.GetCrewCount() == countBefore + 1);
        FUZZ_CHECK(!fuzzsupport::fileExists(fuzzsupport::kTransferFile));
    } else {
        FUZZ_CHECK(result == 0, "second scan gave %d", result);
        FUZZ_CHECK(world.record(carrier) != nullptr, "member lost with its vessel");
        FUZZ_CHECK(crew.GetCrewCount() == countBefore);
    }
    FUZZ_CHECK(std::memcmp(&*crew.GetCrewMember(0), &resident, sizeof resident) == 0,
               "the member aboard changed");
    fuzzsupport::checkRoster(crew);
    FUZZ_CHECK(world.destroyedHandleUses() == 0, "a destroyed vessel's handle was used");
    return 0;
}
