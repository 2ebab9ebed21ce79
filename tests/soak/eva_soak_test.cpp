// The soak: one capsule (the real vemopod module) and its member, who goes out on EVA, steps
// away, walks back into the airlock and comes aboard, 10,000 times (VEMO_SOAK_TRIPS sets
// another count). Every round trip makes a crew-member vessel of the companion stand-in and
// deletes it again, so whatever the capsule, the crew library, the companion or the host keep
// of a vessel that is gone shows here as memory that grows with the trips.
//
// Memory is the process's resident size: measured after a warm-up tenth of the trips and at
// the end, and its peak (getrusage); the capsule module's own allocations are counted over
// the same trips. The host's event log is emptied after every trip: it is
// the record of a run that a tool prints, and grows by design.
//
// Not part of the default test run: ctest --test-dir build -C soak -L soak. It prints its
// figures.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "ScenarioText.h"
#include "allocation_counter.h"
#include "test_support.h"

namespace {

constexpr int kDefaultTrips = 10000;
constexpr double kStep = 0.05;                // s
constexpr double kKeyDelay = 1.05;            // s: the E key is taken once a second
constexpr double kStepOut = 0.2;              // s outside before walking back
constexpr double kBoardingTime = 0.5;         // s: two scan periods
constexpr long kAllowedGrowth = 1024 * 1024;  // bytes of resident size, warm-up to end
constexpr char kMember[] = "Vemo_A01-John_Doe";

const char kScenario[] =
    "BEGIN_SHIPS\n"
    "Pod:vemopod\n"
    "  STATUS Orbiting Earth\n"
    "  RPOS 0 0 0\n"
    "  RVEL 0 0 0\n"
    "  VEMOCREW A01-John_Doe-35-72-80\n"
    "END\n"
    "END_SHIPS\n";

int Trips() {
    const char *text = std::getenv("VEMO_SOAK_TRIPS");
    const int trips = text ? std::atoi(text) : kDefaultTrips;
    return trips > 0 ? trips : kDefaultTrips;
}

// Resident size now, bytes.
long ResidentBytes() {
    long pages = 0;
    long resident = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// Peak resident size so far, bytes.
long PeakBytes() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss * 1024;
}

class EvaSoak : public testsupport::WorldTest {};

}  // namespace

TEST_F(EvaSoak, RoundTripsKeepMemoryFlatAndTheCrewWhole) {
    sim::WorldOptions options;
    options.step = kStep;
    makeWorld(options);
    sim::ParsedScenario parsed;
    sim::InputError error;
    ASSERT_TRUE(sim::parseScenarioText(kScenario, "soak.scn", parsed, error)) << error.text();
    std::string why;
    ASSERT_TRUE(world->load(parsed.scenario, &why)) << why;
    const OBJHANDLE pod = world->find("Pod");

    const int trips = Trips();
    const int warmUp = trips / 10;
    long afterWarmUp = 0;
    int completed = 0;
    double lastKey = -kKeyDelay;
    for (int trip = 0; trip < trips; ++trip) {
        world->runUntil(lastKey + kKeyDelay);
        lastKey = world->time();
        world->setFocus(pod);
        world->keyEvent(OAPI_KEY_E);
        const OBJHANDLE member = world->find(kMember);
        if (member == nullptr) {
            ADD_FAILURE() << "trip " << trip << ": nobody left the capsule";
            break;
        }
        world->placeNear(member, pod, sim::vec(0, 0, 6));
        world->runUntil(world->time() + kStepOut);
        world->placeNear(member, pod, sim::vec(0, 0, 1.5));
        world->runUntil(world->time() + kBoardingTime);
        if (world->find(kMember) != nullptr) {
            ADD_FAILURE() << "trip " << trip << ": the member did not come back aboard";
            break;
        }
        world->clearEvents();
        ++completed;
        if (completed == warmUp) {
            afterWarmUp = ResidentBytes();
            alloccount::arm("vemopod.dll");
        }
    }
    const long capsuleAllocations = alloccount::counts().fromModule;
    alloccount::disarm();
    const long atEnd = ResidentBytes();
    const long growth = atEnd - afterWarmUp;
    // The kernel updates its high-water mark lazily: the size just read may lie above it.
    const long peak = std::max(PeakBytes(), atEnd);
    std::printf(
        "soak: %d EVA round trips in %.0f s of simulation; resident size %.1f MB after "
        "%d trips, %.1f MB at the end (%+.1f KB, %+.2f KB per trip); peak %.1f MB; "
        "allocations by the capsule module meanwhile: %ld\n",
        completed, world->time(), afterWarmUp / 1048576.0, warmUp, atEnd / 1048576.0,
        growth / 1024.0, growth / 1024.0 / (completed - warmUp), peak / 1048576.0,
        capsuleAllocations);
    RecordProperty("trips", completed);
    RecordProperty("growth_bytes", std::to_string(growth));
    RecordProperty("peak_bytes", std::to_string(peak));

    // The member is aboard, and nobody else is anywhere.
    const sim::ScenarioFile saved = world->save();
    ASSERT_EQ(saved.ships.size(), 1u);
    EXPECT_NE(std::find(saved.ships[0].lines.begin(), saved.ships[0].lines.end(),
                        "VEMOCREW A01-John_Doe-35-72-80"),
              saved.ships[0].lines.end());
    EXPECT_EQ(completed, trips);
    EXPECT_EQ(capsuleAllocations, 0) << "the capsule allocates during round trips";
    EXPECT_LT(growth, kAllowedGrowth) << "memory grows with the round trips";
}
