// A big world: 10,000 vessels, among them 100 capsules (the real vemopod module) and 1,000 crew
// members outside (the companion stand-in), with members leaving capsules on EVA and walking
// into the airlocks of empty ones for a few simulated minutes. Nothing may crash, the crew
// is conserved with every member's own data, and every capsule keeps its 0.25 s pacing.
//
// Run time: every capsule with a free seat walks the whole vessel list every 0.25 s plus at
// most one step: with 0.1 s steps, once every 3 steps. Those walks are nearly all of the cost
// (about a millisecond each over 10,000 vessels; stepping the world itself is cheap), so the
// load is set by how many capsules have a free seat: a tenth of them at the start, and as
// many members leave as come back, one every 2 s each way. 120 simulated seconds then take a
// few thousand walks, well under a minute in the normal build and the sanitizer build alike
// (the test prints its figures). VEMO_BIGWORLD_SECONDS runs a longer soak.
//
// Pacing probe: the test stands in front of two host calls, oapiGetSimStep and
// oapiGetVesselByIndex (the executable exports its own definitions, and the modules bind to
// them), and forwards them to the host. A pair of marker vessels around each capsule in the
// vessel list says whose post-step is running. A capsule that asks for the step length
// advanced its scan timer (it does so only while a seat is free); one that asks for vessel 0
// started a walk over the list.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

// World make-up.
constexpr int kCapsules = 100;
constexpr int kMembersOutside = 1000;
constexpr int kVessels = 10000;
constexpr int kMarkers = 2 * kCapsules;
constexpr int kFillers = kVessels - kCapsules - kMembersOutside - kMarkers;
constexpr double kStep = 0.1;              // s
constexpr double kDuration = 120.0;        // simulated s
constexpr double kScanPeriod = 0.25;       // s between a capsule's looks around, at least
constexpr double kCapsuleSpacing = 200.0;  // m
constexpr double kEvaInterval = 2.0;       // s between EVAs (the E key repeats once a second)
constexpr double kWalkInInterval = 2.0;    // s between members sent into an empty capsule
constexpr int kEmptyEvery = 10;            // every tenth capsule starts without crew
constexpr double kCensusInterval = 30.0;   // s

// ---------------------------------------------------------------------------------------
// The probe.
// ---------------------------------------------------------------------------------------
struct StepTally {
    int simStepCalls = 0;  // oapiGetSimStep during the capsule's post-step
    int walks = 0;         // oapiGetVesselByIndex(0) during the capsule's post-step
};
int g_capsule = -1;  // capsule whose post-step is running, -1 for none
std::array<StepTally, kCapsules> g_tally;
long g_probeCalls = 0;

template <class Fn>
Fn hostFunction(const char *symbol) {
    void *f = dlsym(RTLD_NEXT, symbol);
    if (!f) {
        std::fprintf(stderr, "no host function %s\n", symbol);
        std::abort();
    }
    return reinterpret_cast<Fn>(f);
}

}  // namespace

// The host's own functions, counted and forwarded.
double oapiGetSimStep() {
    static const auto real = hostFunction<double (*)()>("_Z14oapiGetSimStepv");
    if (g_capsule >= 0) {
        ++g_tally[g_capsule].simStepCalls;
        ++g_probeCalls;
    }
    return real();
}

OBJHANDLE oapiGetVesselByIndex(int index) {
    static const auto real = hostFunction<OBJHANDLE (*)(int)>("_Z20oapiGetVesselByIndexi");
    if (index == 0 && g_capsule >= 0) {
        ++g_tally[g_capsule].walks;
        ++g_probeCalls;
    }
    return real(index);
}

namespace {

// Stands in front of (Open) or behind (Close) a capsule in the vessel list.
class Marker final : public VESSEL2 {
public:
    using VESSEL2::VESSEL2;
    void clbkSetClassCaps(FILEHANDLE) override {
        const std::string name = GetName();
        capsule_ = name.rfind("Open", 0) == 0 ? std::stoi(name.substr(4)) : -1;
    }
    void clbkPostStep(double, double, double) override { g_capsule = capsule_; }

private:
    int capsule_ = -1;
};

// Everything else in orbit: does nothing but move.
class Rock final : public VESSEL2 {
public:
    using VESSEL2::VESSEL2;
};

template <class T>
void registerClass(sim::World &w, const char *name) {
    w.registerClass(
        name, [](OBJHANDLE h, int fm) -> VESSEL * { return new T(h, fm); },
        [](VESSEL *v) { delete static_cast<T *>(v); });
}

struct Values {
    int age, pulse, weight;
    bool operator==(const Values &o) const {
        return age == o.age && pulse == o.pulse && weight == o.weight;
    }
};

std::string num(double v) {
    std::ostringstream os;
    os.precision(17);
    os << v;
    return os.str();
}

std::string capsuleName(int k) {
    char name[8];
    std::snprintf(name, sizeof name, "P%03d", k);
    return name;
}

VECTOR3 capsulePosition(int k) {
    return sim::vec((k % 10) * kCapsuleSpacing, (k / 10) * kCapsuleSpacing, 0.0);
}

sim::ShipBlock block(const std::string &name, const std::string &cls, const VECTOR3 &pos,
                     const VECTOR3 &vel) {
    sim::ShipBlock b;
    b.name = name;
    b.className = cls;
    const VECTOR3 at = sim::operator+(testsupport::kOrbit, pos);
    b.lines = {"STATUS Orbiting Earth", "RPOS " + num(at.x) + " " + num(at.y) + " " + num(at.z),
               "RVEL " + num(vel.x) + " " + num(vel.y) + " " + num(vel.z)};
    return b;
}

class BigWorld : public testsupport::WorldTest {
protected:
    // Every member by its text ("B-M0001", "C-Pod 004") and the values it must always carry.
    std::map<std::string, Values> crew_;
    std::vector<bool> crewed_;  // what the test expects aboard each capsule
    std::mt19937 rng_{20261207};

    void build();
    // Every member aboard a capsule or outside, by text; fails the test on a member found
    // twice, unknown, or carrying other values than its own.
    std::map<std::string, std::string> takeCensus();
};

void BigWorld::build() {
    sim::WorldOptions options;
    options.step = kStep;
    makeWorld(options);
    registerClass<Marker>(*world, "Marker");
    registerClass<Rock>(*world, "Rock");

    sim::ScenarioFile scenario;
    std::uniform_real_distribution<double> area(-1000.0, 3000.0);
    std::uniform_real_distribution<double> height(50.0, 500.0);  // far above every airlock
    std::uniform_real_distribution<double> drift(-1.0, 1.0);
    for (int i = 0; i < kMembersOutside; ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "M%04d", i);
        const Values v{20 + i % 100, 50 + (i / 10) % 90, 50 + i % 200};
        crew_[std::string("B-") + text] = v;
        sim::ShipBlock b = block(std::string("Vemo_B-") + text, "Vemo",
                                 sim::vec(area(rng_), area(rng_), height(rng_)),
                                 sim::vec(drift(rng_), drift(rng_), 0.0));
        b.lines.push_back("MEMBER " + std::to_string(v.age) + " " + std::to_string(v.pulse) + " " +
                          std::to_string(v.weight));
        b.lines.push_back("OUTSIDE 1");
        scenario.ships.push_back(b);
    }
    // Capsules between their markers, with filler vessels spread in between; most capsules
    // start with a member aboard.
    const int fillersPerCapsule = kFillers / kCapsules;
    int fillers = 0;
    crewed_.assign(kCapsules, false);
    for (int k = 0; k < kCapsules; ++k) {
        for (int f = 0; f < fillersPerCapsule || (k == kCapsules - 1 && fillers < kFillers); ++f) {
            scenario.ships.push_back(block("Rock" + std::to_string(fillers++), "Rock",
                                           sim::vec(area(rng_), area(rng_), -height(rng_)),
                                           sim::vec(drift(rng_), drift(rng_), 0.0)));
        }
        scenario.ships.push_back(
            block("Open" + std::to_string(k), "Marker", sim::vec(0, 0, -1e4), sim::vec(0, 0, 0)));
        sim::ShipBlock capsule =
            block(capsuleName(k), "vemopod", capsulePosition(k), sim::vec(0, 0, 0));
        if (k % kEmptyEvery != 0) {
            char text[16];
            std::snprintf(text, sizeof text, "Pod_%03d", k);
            const Values v{30 + k % 50, 60 + k % 40, 60 + k % 100};
            crew_[std::string("C-Pod ") + (text + 4)] = v;
            capsule.lines.push_back("VEMOCREW C-" + std::string(text) + "-" +
                                    std::to_string(v.age) + "-" + std::to_string(v.pulse) + "-" +
                                    std::to_string(v.weight));
            crewed_[k] = true;
        }
        scenario.ships.push_back(capsule);
        scenario.ships.push_back(
            block("Close" + std::to_string(k), "Marker", sim::vec(0, 0, -1e4), sim::vec(0, 0, 0)));
    }
    std::string why;
    ASSERT_TRUE(world->load(scenario, &why)) << why;
    ASSERT_EQ(world->vessels().size(), static_cast<size_t>(kVessels));
}

std::map<std::string, std::string> BigWorld::takeCensus() {
    std::map<std::string, std::string> where;
    auto found = [&](const std::string &text, const Values &v, const std::string &vessel) {
        auto known = crew_.find(text);
        EXPECT_NE(known, crew_.end()) << "unknown member " << text << " @" << vessel;
        if (known != crew_.end()) {
            EXPECT_TRUE(known->second == v) << text << " @" << vessel << " carries " << v.age << "/"
                                            << v.pulse << "/" << v.weight;
        }
        EXPECT_TRUE(where.emplace(text, vessel).second)
            << text << " found twice: @" << where[text] << " and @" << vessel;
    };
    for (const sim::ShipBlock &ship : world->save().ships) {
        if (ship.className == "Vemo") {
            EXPECT_EQ(ship.name.rfind("Vemo_", 0), 0u) << ship.name;
            Values v{0, 0, 0};
            for (const std::string &line : ship.lines) {
                if (line.rfind("MEMBER ", 0) == 0) {
                    std::istringstream(line.substr(7)) >> v.age >> v.pulse >> v.weight;
                }
            }
            std::string text = ship.name.substr(5);
            std::replace(text.begin(), text.end(), '_', ' ');
            found(text, v, ship.name);
        } else if (ship.className == "vemopod") {
            for (const std::string &line : ship.lines) {
                if (line.rfind("VEMOCREW ", 0) != 0) {
                    continue;
                }
                // C-Pod_004-31-64-64
                std::string value = line.substr(9);
                std::replace(value.begin(), value.end(), '-', ' ');
                std::istringstream in(value);
                std::string missionId, name;
                Values v{0, 0, 0};
                in >> missionId >> name >> v.age >> v.pulse >> v.weight;
                std::replace(name.begin(), name.end(), '_', ' ');
                found(missionId + "-" + name, v, ship.name);
            }
        }
    }
    return where;
}

// The number of steps of this length that a scan timer needs to pass the period: the timer
// adds the step and must be strictly greater than the period.
int scanPeriodInSteps(double step) {
    double timer = 0.0;
    int steps = 0;
    while (!(timer > kScanPeriod)) {
        timer += step;
        ++steps;
    }
    return steps;
}

double soakDuration() {
    const char *seconds = std::getenv("VEMO_BIGWORLD_SECONDS");
    return seconds && std::atof(seconds) > 0.0 ? std::atof(seconds) : kDuration;
}

TEST_F(BigWorld, CrewConservedAndScansPacedUnderLoad) {
    const double duration = soakDuration();
    const auto started = std::chrono::steady_clock::now();
    build();
    ASSERT_FALSE(HasFatalFailure());
    const auto built = std::chrono::steady_clock::now();
    const std::size_t totalCrew = crew_.size();
    EXPECT_EQ(takeCensus().size(), totalCrew);

    const int stepsPerScan = scanPeriodInSteps(kStep);
    std::array<int, kCapsules> sinceScan{};  // advancing steps since the capsule's last walk
    std::array<bool, kCapsules> scannedOnce{};
    std::array<long, kCapsules> walks{};
    std::array<long, kCapsules> freeSteps{};
    long evas = 0, boarded = 0, pacingFaults = 0;

    // Members the test has sent into an empty capsule's airlock, and where.
    std::map<OBJHANDLE, int> walkingIn;
    // Members fresh from EVA, to be moved away from their capsule once they exist.
    std::vector<OBJHANDLE> justOut;
    double nextEva = 1.0, nextWalkIn = 2.0, nextCensus = kCensusInterval;

    while (world->time() + 1e-9 < duration) {
        g_tally.fill(StepTally{});
        g_capsule = -1;
        world->step();
        g_capsule = -1;

        // Pacing: a capsule walks the list only in steps in which its timer advanced, and in
        // exactly every stepsPerScan-th of those.
        for (int k = 0; k < kCapsules; ++k) {
            const StepTally &t = g_tally[k];
            if (t.walks > 1 || (t.walks == 1 && t.simStepCalls == 0)) {
                ++pacingFaults;
                ADD_FAILURE() << capsuleName(k) << " walked " << t.walks << " times at "
                              << world->time();
            }
            if (t.simStepCalls == 0) {
                continue;
            }
            ++freeSteps[k];
            ++sinceScan[k];
            if (t.walks == 1) {
                ++walks[k];
                if (scannedOnce[k] && sinceScan[k] != stepsPerScan) {
                    ++pacingFaults;
                    ADD_FAILURE() << capsuleName(k) << " walked after " << sinceScan[k]
                                  << " steps at " << world->time();
                }
                scannedOnce[k] = true;
                sinceScan[k] = 0;
            } else if (sinceScan[k] > stepsPerScan) {
                ++pacingFaults;
                ADD_FAILURE() << capsuleName(k) << " missed its walk at " << world->time();
                sinceScan[k] = 0;
            }
        }

        // Members sent in are gone once their capsule took them.
        for (auto it = walkingIn.begin(); it != walkingIn.end();) {
            if (!world->liveRecord(it->first)) {
                crewed_[it->second] = true;
                ++boarded;
                it = walkingIn.erase(it);
            } else {
                ++it;
            }
        }
        // Members fresh from EVA step away from their capsule, out of every airlock.
        for (OBJHANDLE m : justOut) {
            if (world->liveRecord(m)) {
                world->setPosition(m,
                                   sim::operator+(world->liveRecord(m)->rpos, sim::vec(0, 0, 80)));
            }
        }
        justOut.clear();

        if (world->time() >= nextEva) {
            nextEva += kEvaInterval;
            std::vector<int> crewed;
            for (int k = 0; k < kCapsules; ++k) {
                if (crewed_[k]) {
                    crewed.push_back(k);
                }
            }
            if (!crewed.empty()) {
                const int k = crewed[rng_() % crewed.size()];
                const std::size_t before = world->vessels().size();
                world->setFocus(world->find(capsuleName(k)));
                world->keyEvent(OAPI_KEY_E);
                if (world->vessels().size() == before + 1) {
                    justOut.push_back(world->vessels().back()->handle());
                    crewed_[k] = false;
                    ++evas;
                } else {
                    ADD_FAILURE() << capsuleName(k) << " sent nobody out at " << world->time();
                }
            }
        }

        if (world->time() >= nextWalkIn) {
            nextWalkIn += kWalkInInterval;
            std::vector<int> empty;
            std::set<int> awaited;
            for (const auto &w : walkingIn) {
                awaited.insert(w.second);
            }
            for (int k = 0; k < kCapsules; ++k) {
                if (!crewed_[k] && !awaited.count(k)) {
                    empty.push_back(k);
                }
            }
            // Any member outside that has stepped out (it shows its values on "V-em") and is
            // not on its way already.
            std::vector<OBJHANDLE> outside;
            for (const sim::VesselRecord *v : world->vessels()) {
                if (v->className == "Vemo" && !v->toParent.empty() &&
                    v->toParent.back()->id == "V-em" && !walkingIn.count(v->handle())) {
                    outside.push_back(v->handle());
                }
            }
            if (!empty.empty() && !outside.empty()) {
                const int k = empty[rng_() % empty.size()];
                OBJHANDLE m = outside[rng_() % outside.size()];
                world->placeNear(m, world->find(capsuleName(k)), sim::vec(0.5, -0.5, 1.0));
                walkingIn[m] = k;
            }
        }

        if (world->time() + 1e-9 >= nextCensus) {
            nextCensus += kCensusInterval;
            const auto census = takeCensus();
            EXPECT_EQ(census.size(), totalCrew) << "at " << world->time();
            int aboard = 0;
            for (const auto &c : census) {
                aboard += c.second.rfind("Vemo_", 0) == 0 ? 0 : 1;
            }
            int expectedAboard = 0;
            for (int k = 0; k < kCapsules; ++k) {
                expectedAboard += crewed_[k] ? 1 : 0;
            }
            EXPECT_EQ(aboard, expectedAboard) << "at " << world->time();
        }
    }
    const auto ran = std::chrono::steady_clock::now();

    // The probe saw the capsules at work; without it the pacing checks would be empty.
    EXPECT_GT(g_probeCalls, 0);
    EXPECT_EQ(pacingFaults, 0);
    EXPECT_GE(evas, static_cast<long>(duration / kEvaInterval) - 2);
    EXPECT_GE(boarded, evas - 2);
    EXPECT_EQ(takeCensus().size(), totalCrew);

    long allWalks = 0, allFree = 0;
    for (int k = 0; k < kCapsules; ++k) {
        allWalks += walks[k];
        allFree += freeSteps[k];
        // A capsule free for a while walked about once per period (3 steps of 0.1 s).
        if (freeSteps[k] >= 3 * stepsPerScan) {
            EXPECT_GE(walks[k], freeSteps[k] / stepsPerScan - 1) << capsuleName(k);
            EXPECT_LE(walks[k], freeSteps[k] / stepsPerScan + 1) << capsuleName(k);
        }
    }
    using seconds = std::chrono::duration<double>;
    std::printf(
        "big world: %d vessels, %zu crew members, %.0f s simulated in %.2f s steps\n"
        "  built in %.1f s, ran in %.1f s (%.1f ms per step)\n"
        "  %ld EVAs, %ld members taken aboard by walking into an empty capsule\n"
        "  %ld walks over the vessel list, %.2f per capsule per simulated second with a free "
        "seat (one per %d steps: %.2f)\n",
        kVessels, totalCrew, duration, kStep, seconds(built - started).count(),
        seconds(ran - built).count(), 1000.0 * seconds(ran - built).count() / (duration / kStep),
        evas, boarded, allWalks, allWalks / (allFree * kStep), stepsPerScan,
        1.0 / (stepsPerScan * kStep));
}

}  // namespace
