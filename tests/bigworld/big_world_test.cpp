// A big world: 10,000 vessels, among them 100 capsules (the real vemopod module) and 1,000 crew
// members outside (the companion stand-in), with members leaving capsules on EVA and walking
// into the airlocks of empty ones for a few simulated minutes. Nothing may crash, the crew
// is conserved with every member's own data, every member who walks into an empty capsule's
// airlock is aboard within the scan period plus one step, and the capsules share one walk
// over the vessel list.
//
// Run time: the capsules of the module walk the list once per scan period between them, a
// slice each step, so stepping the world is most of the cost and 120 simulated seconds take a
// few seconds in the normal build and the sanitizer build alike (the test prints its
// figures). VEMO_BIGWORLD_SECONDS runs a longer soak.
//
// Walk probe: the test stands in front of the host call oapiGetVesselByIndex (the executable
// exports its own definition, and the modules bind to it) and forwards it to the host. A pair
// of marker vessels around each capsule in the vessel list says whose post-step is running,
// so the probe counts the list lookups the capsules make, and not the companion's.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
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
constexpr double kScanPeriod = 0.25;       // s in which the capsules walk the whole list
constexpr double kCapsuleSpacing = 200.0;  // m
constexpr double kEvaInterval = 2.0;       // s between EVAs (the E key repeats once a second)
constexpr double kWalkInInterval = 2.0;    // s between members sent into an empty capsule
constexpr int kEmptyEvery = 10;            // every tenth capsule starts without crew
constexpr double kCensusInterval = 30.0;   // s

// ---------------------------------------------------------------------------------------
// The probe.
// ---------------------------------------------------------------------------------------
int g_capsule = -1;      // capsule whose post-step is running, -1 for none
long g_listLookups = 0;  // oapiGetVesselByIndex during capsules' post-steps

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

// The host's own function, counted and forwarded.
OBJHANDLE oapiGetVesselByIndex(int index) {
    static const auto real = hostFunction<OBJHANDLE (*)(int)>("_Z20oapiGetVesselByIndexi");
    if (g_capsule >= 0) {
        ++g_listLookups;
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

// The most list lookups the capsules make in one step: the slice of their shared walk, at
// most twice the share of the list that walks all of it within the period plus a step (a
// slice where few members stand walks further, one where they crowd less far); one lookup
// to find where the last slice ended; and a few to make sure that a member found inside an
// airlock is still in the list.
long SliceLookups(std::size_t listSize) {
    constexpr long kBoardingLookups = 8;
    return 2 * static_cast<long>(std::ceil(listSize * (kStep / kScanPeriod))) + 1 +
           kBoardingLookups;
}

double soakDuration() {
    const char *seconds = std::getenv("VEMO_BIGWORLD_SECONDS");
    return seconds && std::atof(seconds) > 0.0 ? std::atof(seconds) : kDuration;
}

TEST_F(BigWorld, CrewConservedAndBoardedInTimeByOneSharedWalk) {
    const double duration = soakDuration();
    const auto started = std::chrono::steady_clock::now();
    build();
    ASSERT_FALSE(HasFatalFailure());
    const auto built = std::chrono::steady_clock::now();
    const std::size_t totalCrew = crew_.size();
    EXPECT_EQ(takeCensus().size(), totalCrew);

    // A member who stands in an airlock is aboard within the period plus one step.
    const int boardingSteps = static_cast<int>(std::floor((kScanPeriod + kStep) / kStep + 1e-9));
    long evas = 0, boarded = 0, lateBoardings = 0, wideWalks = 0, allLookups = 0, steps = 0;
    int slowestBoarding = 0;

    // Members the test has sent into an empty capsule's airlock: where, and the steps since.
    struct WalkIn {
        int capsule;
        int steps;
    };
    std::map<OBJHANDLE, WalkIn> walkingIn;
    // Members fresh from EVA, to be moved away from their capsule once they exist.
    std::vector<OBJHANDLE> justOut;
    double nextEva = 1.0, nextWalkIn = 2.0, nextCensus = kCensusInterval;

    while (world->time() + 1e-9 < duration) {
        const std::size_t listSize = world->vessels().size();
        g_listLookups = 0;
        g_capsule = -1;
        world->step();
        g_capsule = -1;
        ++steps;

        // However many capsules look for crew, the step walks one slice of the list.
        allLookups += g_listLookups;
        if (g_listLookups > SliceLookups(listSize)) {
            ++wideWalks;
            ADD_FAILURE() << g_listLookups << " list lookups in one step at " << world->time();
        }

        // Members sent in are gone once their capsule took them, in time.
        for (auto it = walkingIn.begin(); it != walkingIn.end();) {
            ++it->second.steps;
            if (!world->record(it->first)) {
                crewed_[it->second.capsule] = true;
                ++boarded;
                slowestBoarding = std::max(slowestBoarding, it->second.steps);
                it = walkingIn.erase(it);
            } else if (it->second.steps > boardingSteps) {
                ++lateBoardings;
                ADD_FAILURE() << capsuleName(it->second.capsule) << " has not taken its member "
                              << it->second.steps << " steps after he walked in, at "
                              << world->time();
                it->second.steps = -1000000;  // told once
                ++it;
            } else {
                ++it;
            }
        }
        // Members fresh from EVA step away from their capsule, out of every airlock.
        for (OBJHANDLE m : justOut) {
            if (world->record(m)) {
                world->setPosition(m, sim::operator+(world->record(m)->rpos, sim::vec(0, 0, 80)));
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
                awaited.insert(w.second.capsule);
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
                walkingIn[m] = WalkIn{k, 0};
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

    // The probe saw the capsules at work; without it the walk checks would be empty.
    EXPECT_GT(allLookups, 0);
    EXPECT_EQ(wideWalks, 0);
    EXPECT_EQ(lateBoardings, 0);
    EXPECT_GE(evas, static_cast<long>(duration / kEvaInterval) - 2);
    EXPECT_GE(boarded, evas - 2);
    EXPECT_EQ(takeCensus().size(), totalCrew);

    using seconds = std::chrono::duration<double>;
    std::printf(
        "big world: %d vessels, %zu crew members, %.0f s simulated in %.2f s steps\n"
        "  built in %.1f s, ran in %.1f s (%.1f ms per step)\n"
        "  %ld EVAs, %ld members taken aboard by walking into an empty capsule, the slowest "
        "after %d steps (at most %d)\n"
        "  %.0f list lookups per step by all capsules together (%.2f walks over the list per "
        "simulated second)\n",
        kVessels, totalCrew, duration, kStep, seconds(built - started).count(),
        seconds(ran - built).count(), 1000.0 * seconds(ran - built).count() / (duration / kStep),
        evas, boarded, slowestBoarding, boardingSteps, double(allLookups) / steps,
        double(allLookups) / kVessels / duration);
}

}  // namespace
