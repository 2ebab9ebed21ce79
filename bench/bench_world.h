// Worlds for the benchmarks: the real capsule and companion modules, loaded by the headless
// host from the runtime root the build lays out, next to a vessel class that does nothing.
#ifndef VEMO_BENCH_BENCH_WORLD_H
#define VEMO_BENCH_BENCH_WORLD_H

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "World.h"

namespace bench {

// The host's usual step, s.
constexpr double kStep = 0.1;
// A step so short that the module's walk over the vessel list takes one vessel a frame.
constexpr double kTinyStep = 1e-10;
// A step just over the scan period: every frame walks the whole vessel list.
constexpr double kScanStep = 0.26;

constexpr char kCrewLine[] = "VEMOCREW A01-John_Doe-35-72-80";
constexpr char kEmptyClass[] = "EmptyVessel";
constexpr char kAnimatedClass[] = "AnimatedVessel";
constexpr char kPacedAnimatedClass[] = "PacedAnimatedVessel";
constexpr char kCapsuleClass[] = "vemopod";
constexpr char kCrewClass[] = "Vemo";

// A VESSEL2 with every callback left at the host's default.
class EmptyVessel final : public VESSEL2 {
public:
    EmptyVessel(OBJHANDLE h, int fm) : VESSEL2(h, fm) {}
};

// The least a vessel with a deployment animation can do each step: set the animation's state,
// the one host call the capsule's post-step must make whatever else it has to do. A paced one
// also asks the host one question each step and keeps a timer, as a capsule with a free seat
// asks for the frame's time to share its module's walk. Built into the benchmark, so it calls
// the host the way a module does.
template <bool kPaced>
class AnimatedVessel final : public VESSEL2 {
public:
    AnimatedVessel(OBJHANDLE h, int fm) : VESSEL2(h, fm) {}
    void clbkSetClassCaps(FILEHANDLE cfg) override { anim_ = CreateAnimation(0.0); }
    void clbkPostStep(double simt, double simdt, double mjd) override {
        SetAnimation(anim_, state_);
        if constexpr (kPaced) {
            timer_ += oapiGetSimStep();
            if (timer_ > kPeriod)
                timer_ = 0.0;
        }
    }

private:
    static constexpr double kPeriod = 0.25;  // s
    UINT anim_ = 0;
    double state_ = 0.0;
    double timer_ = 0.0;
};

// The module opens its files relative to the current folder, as it does in the host's.
inline void enterRuntimeRoot() {
    const char *root = std::getenv("VEMO_ROOT");
    if (chdir(root ? root : VEMO_BUILD_ROOT) != 0) {
        std::perror("cannot enter the runtime root");
        std::exit(1);
    }
}

inline std::unique_ptr<sim::World> makeWorld(double step) {
    sim::WorldOptions o;
    o.root = ".";
    o.step = step;
    auto world = std::make_unique<sim::World>(o);
    world->registerClass(
        kEmptyClass, [](OBJHANDLE h, int fm) -> VESSEL * { return new EmptyVessel(h, fm); },
        [](VESSEL *v) { delete static_cast<EmptyVessel *>(static_cast<VESSEL2 *>(v)); });
    world->registerClass(
        kAnimatedClass,
        [](OBJHANDLE h, int fm) -> VESSEL * { return new AnimatedVessel<false>(h, fm); },
        [](VESSEL *v) { delete static_cast<AnimatedVessel<false> *>(static_cast<VESSEL2 *>(v)); });
    world->registerClass(
        kPacedAnimatedClass,
        [](OBJHANDLE h, int fm) -> VESSEL * { return new AnimatedVessel<true>(h, fm); },
        [](VESSEL *v) { delete static_cast<AnimatedVessel<true> *>(static_cast<VESSEL2 *>(v)); });
    return world;
}

// Where the benchmark's vessels fly: 400 km above Earth, on its x axis, m.
constexpr double kOrbitRadius = 6778e3;

// A vessel at rest at the point in orbit, unless its lines place it elsewhere.
inline sim::ShipBlock ship(const std::string &name, const char *cls,
                           std::vector<std::string> lines = {}) {
    sim::ShipBlock b;
    b.name = name;
    b.className = cls;
    b.lines = {"STATUS Orbiting Earth", "RPOS " + std::to_string(kOrbitRadius) + " 0 0"};
    b.lines.insert(b.lines.end(), lines.begin(), lines.end());
    return b;
}

// A crew member on EVA who has stepped out: its "V-em" point appears at its first post-step.
// Placed `distance` metres out from the point in orbit along x, far from every airlock. One
// that has not stepped out yet looks at every airlock box at its first post-step first.
inline sim::ShipBlock crewMemberShip(const std::string &name, double distance,
                                     bool steppedOut = true) {
    sim::ShipBlock b =
        ship(name, kCrewClass,
             {"RPOS " + std::to_string(kOrbitRadius + distance) + " 0 0", "MEMBER 35 72 80"});
    if (steppedOut)
        b.lines.push_back("OUTSIDE 1");
    return b;
}

// `count` vessels of mixed classes, as a returning-crew walk meets them: 40% empty vessels,
// 20% crewed capsules, 30% crew members on EVA who have stepped out (their "V-em" point
// published) 5 km and more from the others, far outside every airlock box, and 10%
// crew-member vessels without a member (one to-parent point).
inline sim::ScenarioFile mixedFleet(int count) {
    constexpr double kFarAway = 5000.0;  // m
    sim::ScenarioFile scn;
    for (int i = 0; i < count; ++i) {
        // Names of one length in every world size, so that only the count of vessels differs.
        char n[16];
        std::snprintf(n, sizeof n, "%06d", i);
        switch (i % 10) {
            case 0:
            case 1:
            case 2:
            case 3:
                scn.ships.push_back(ship(std::string("E") + n, kEmptyClass));
                break;
            case 4:
            case 5:
                scn.ships.push_back(ship(std::string("P") + n, kCapsuleClass, {kCrewLine}));
                break;
            case 9:
                scn.ships.push_back(ship(std::string("Vemo") + n, kCrewClass));
                break;
            default:
                scn.ships.push_back(
                    crewMemberShip(std::string("Vemo_X") + n + "-Crew_Member_" + n, kFarAway + i));
        }
    }
    return scn;
}

// The crew system at scale: `plain` vessels that do nothing, `capsules` capsules with their
// seat free and `members` crew members outside (stepped out, far from every airlock), spread
// evenly through the vessel list. Without capsules it is the same world as the host alone
// runs it. With `stepOut` the members have not stepped out yet: they do at the first frame.
inline sim::ScenarioFile scaleWorld(int plain, int capsules, int members, bool stepOut = false) {
    constexpr double kCapsuleSpacing = 100.0;  // m between capsules
    constexpr double kFarAway = 5000.0;        // m: members stand far outside every airlock
    sim::ScenarioFile scn;
    int madeCapsules = 0, madeMembers = 0;
    auto catchUp = [&](long long upTo) {
        while (madeCapsules < capsules &&
               static_cast<long long>(madeCapsules) * plain <= upTo * capsules) {
            char name[16];
            std::snprintf(name, sizeof name, "P%06d", madeCapsules);
            const double x = kCapsuleSpacing * madeCapsules;
            scn.ships.push_back(ship(name, kCapsuleClass,
                                     {"STATUS Orbiting Earth",
                                      "RPOS " + std::to_string(x) + " 0 0", "RVEL 0 0 0"}));
            ++madeCapsules;
        }
        while (madeMembers < members &&
               static_cast<long long>(madeMembers) * plain <= upTo * members) {
            char name[40];
            std::snprintf(name, sizeof name, "Vemo_S%06d-Crew_Member", madeMembers);
            scn.ships.push_back(crewMemberShip(name, -kFarAway - madeMembers, !stepOut));
            ++madeMembers;
        }
    };
    for (int i = 0; i < plain; ++i) {
        catchUp(i);
        char name[16];
        std::snprintf(name, sizeof name, "E%06d", i);
        scn.ships.push_back(ship(name, kEmptyClass));
    }
    catchUp(static_cast<long long>(plain) + 1);
    return scn;
}

inline void loadOrExit(sim::World &world, const sim::ScenarioFile &scn) {
    std::string error;
    if (!world.load(scn, &error)) {
        std::fprintf(stderr, "cannot load the benchmark scenario: %s\n", error.c_str());
        std::exit(1);
    }
}

inline VESSEL2 *callbacks(sim::World &world, const std::string &name) {
    const sim::VesselRecord *r = world.record(world.find(name));
    if (!r || !r->callbacks) {
        std::fprintf(stderr, "no vessel %s in the benchmark world\n", name.c_str());
        std::exit(1);
    }
    return r->callbacks;
}

}  // namespace bench

#endif
