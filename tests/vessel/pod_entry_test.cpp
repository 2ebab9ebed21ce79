// The capsule module as the host loads it: entry points, exports, one allocation per
// instance, and the order of set-up and scenario lines.
#include <dlfcn.h>

#include <cstdio>
#include <set>
#include <string>

#include "pod_support.h"

using namespace podtest;
using testsupport::rec;

namespace {

class PodEntry : public PodWorldTest {};

std::set<std::string> DynamicDefinedSymbols(const std::string &path) {
    std::set<std::string> names;
    std::string cmd = "nm -D --defined-only '" + path + "' 2>/dev/null";
    FILE *p = popen(cmd.c_str(), "r");
    if (!p)
        return names;
    char line[512];
    while (std::fgets(line, sizeof line, p)) {
        char addr[64], type[8], name[400];
        if (std::sscanf(line, "%63s %7s %399s", addr, type, name) == 3)
            names.insert(name);
    }
    pclose(p);
    return names;
}

// A capsule far from everything that keeps the module loaded, so the allocation counter can
// learn the module's range before the capsules a test watches are made: each vessel loads
// the module itself, and the last one to go unloads it.
OBJHANDLE KeepModuleLoaded(sim::World &w) {
    OBJHANDLE keeper = testsupport::create(w, "Keeper", kPodClass, sim::vec(1e6, 0, 0));
    EXPECT_EQ(alloc::moduleCopies(), 1);
    return keeper;
}

// Index of the first entry equal to call, or -1.
int IndexOf(const std::vector<std::string> &trace, const std::string &call) {
    for (size_t i = 0; i < trace.size(); ++i)
        if (trace[i] == call)
            return int(i);
    return -1;
}

}  // namespace

TEST(PodExports, ModuleExportsExactlyTheFourEntryPoints) {
    std::set<std::string> names = DynamicDefinedSymbols(builtModulePath());
    EXPECT_EQ(names, (std::set<std::string>{"ExitModule", "InitModule", "ovcExit", "ovcInit"}));
}

TEST_F(PodEntry, TwoCapsulesShareOneLoadedModuleAndEachGetsItsOwnInstance) {
    EXPECT_EQ(alloc::moduleCopies(), 0);
    ASSERT_TRUE(world->checkClass(kPodClass));
    EXPECT_EQ(alloc::moduleCopies(), 0) << "the class is found without loading its module";
    KeepModuleLoaded(*world);
    world->setTraceNew(true);
    alloc::arm();
    loadShips(*world, {podBlock("Pod1", {"STATUS Orbiting Earth", kCrewLine}),
                       podBlock("Pod2", {"RPOS 6778010 0 0"})});
    alloc::Counts made = alloc::counts();
    alloc::disarm();

    // ovcInit twice: one allocation each, holding the instance the host was handed.
    ASSERT_EQ(made.fromModule, 2);
    const sim::VesselRecord &p1 = rec(*world, world->find("Pod1"));
    const sim::VesselRecord &p2 = rec(*world, world->find("Pod2"));
    EXPECT_EQ(p1.module, p2.module);
    EXPECT_EQ(alloc::moduleCopies(), 1);
    for (const sim::VesselRecord *p : {&p1, &p2}) {
        bool inside = false;
        for (int i = 0; i < 2; ++i) {
            auto *lo = static_cast<char *>(made.moduleAllocs[i].ptr);
            auto *inst = reinterpret_cast<char *>(p->instance);
            inside = inside || (inst >= lo && inst < lo + made.moduleAllocs[i].size);
        }
        EXPECT_TRUE(inside) << p->name;
    }

    // Set-up comes before the first scenario line, for each capsule.
    for (const sim::VesselRecord *p : {&p1, &p2}) {
        int setup = IndexOf(p->trace, "SetEmptyMass");
        int lastSetup = IndexOf(p->trace, "CreateThrusterGroup");
        int firstLine = IndexOf(p->trace, "oapiReadScenario_nextline");
        ASSERT_GE(setup, 0);
        ASSERT_GE(firstLine, 0);
        EXPECT_LT(setup, firstLine);
        EXPECT_LT(lastSetup, firstLine);
    }
    EXPECT_EQ(testsupport::events(*world, sim::ev::kScenarioLine).size(), 0u)
        << "host lines are understood, crew lines consumed";

    // ovcExit, when the world ends: each instance's own block goes back, nothing else.
    void *blocks[2] = {made.moduleAllocs[0].ptr, made.moduleAllocs[1].ptr};
    alloc::arm();
    world.reset();
    alloc::Counts freed = alloc::counts();
    alloc::disarm();
    EXPECT_EQ(freed.fromModule, 0);
    EXPECT_EQ(freed.timesFreed(blocks[0]), 1);
    EXPECT_EQ(freed.timesFreed(blocks[1]), 1);
    // ExitModule has run and the host has let the module go.
    EXPECT_EQ(alloc::moduleCopies(), 0);
}

TEST_F(PodEntry, DeletingOneCapsuleFreesExactlyItsInstance) {
    KeepModuleLoaded(*world);
    alloc::arm();
    OBJHANDLE pod = testsupport::create(*world, "Pod", kPodClass);
    const alloc::Counts made = alloc::counts();
    ASSERT_EQ(made.fromModule, 1);
    void *instance = made.moduleAllocs[0].ptr;
    // Frees of the instance's block since it was made (the host may have freed a block at
    // that address before the module got it).
    auto freedSinceMade = [&](const alloc::Counts &c) {
        int n = 0;
        for (long i = made.frees; i < c.frees && i < alloccount::kMaxFrees; ++i)
            n += c.freed[i] == instance ? 1 : 0;
        return n;
    };
    ASSERT_TRUE(world->deleteVessel(pod));
    EXPECT_EQ(freedSinceMade(alloc::counts()), 0) << "only at the end of the frame";
    world->step(1);
    const alloc::Counts all = alloc::counts();
    alloc::disarm();
    EXPECT_EQ(freedSinceMade(all), 1);
    // The interface pointer the host holds lies inside that block but need not be its start:
    // the capsule converts it back before freeing.
    EXPECT_EQ(world->handleState(pod), sim::VesselTable::State::kDestroyed);
}

// The simulator gives a vessel whose ovcInit made no instance the default behaviour: the
// vessel exists, and none of the module's callbacks run for it.
TEST_F(PodEntry, FailedAllocationGivesAPlainVessel) {
    KeepModuleLoaded(*world);
    alloc::arm();
    alloc::failModuleNothrow(true);
    std::string error;
    OBJHANDLE pod =
        world->createVessel("Pod", kPodClass, sim::makeStatus(testsupport::kOrbit), &error);
    alloc::Counts c = alloc::counts();
    alloc::disarm();
    ASSERT_NE(pod, nullptr) << error;
    EXPECT_EQ(c.fromModule, 0);
    const sim::VesselRecord &plain = rec(*world, pod);
    EXPECT_TRUE(plain.hostInstance);
    EXPECT_TRUE(plain.tanks.empty()) << "the capsule's set-up never ran";
    EXPECT_EQ(oapiGetVesselInterface(pod), plain.instance);
    world->setFocus(pod);
    EXPECT_FALSE(world->keyEvent(OAPI_KEY_K)) << "no capsule takes the key";
    // The next capsule is made normally.
    EXPECT_NE(testsupport::create(*world, "Pod2", kPodClass), nullptr);
}

TEST_F(PodEntry, ExitWithNullAndEmptyModuleHooksDoNothing) {
    KeepModuleLoaded(*world);
    world->clearEvents();
    void *dl = dlopen(builtModulePath().c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(dl, nullptr);
    auto ovcExit = reinterpret_cast<void (*)(VESSEL *)>(dlsym(dl, "ovcExit"));
    auto initModule = reinterpret_cast<void (*)(HINSTANCE)>(dlsym(dl, "InitModule"));
    auto exitModule = reinterpret_cast<void (*)(HINSTANCE)>(dlsym(dl, "ExitModule"));
    ASSERT_TRUE(ovcExit && initModule && exitModule);
    alloc::arm();
    ovcExit(nullptr);
    initModule(static_cast<HINSTANCE>(dl));
    exitModule(static_cast<HINSTANCE>(dl));
    alloc::Counts c = alloc::counts();
    alloc::disarm();
    EXPECT_EQ(c.fromModule, 0);
    EXPECT_EQ(c.frees, 0);
    EXPECT_TRUE(world->events().empty()) << testsupport::dumpEvents(*world);
    dlclose(dl);
}

// The last capsule to go unloads the module, and the next one loads it afresh, with every
// static back at its first value: the module's walk over the vessel list starts anew. 101
// capsules made and gone leave nothing shared behind: two new capsules have an airlock each,
// and a member walks from one into the other.
TEST_F(PodEntry, ModuleLoadedAfreshGivesNewCapsulesAirlocksOfTheirOwn) {
    std::vector<sim::ShipBlock> many;
    for (int i = 0; i <= 100; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "P%03d", i);
        many.push_back(podBlock(name, {"RPOS " + std::to_string(i * 100) + " 0 0"}));
    }
    loadShips(*world, many);
    for (const sim::ShipBlock &b : many)
        world->deleteVessel(world->find(b.name));
    world->step(1);
    ASSERT_TRUE(world->vessels().empty());
    EXPECT_EQ(alloc::moduleCopies(), 0) << "the last capsule unloaded the module";

    OBJHANDLE a = loadShips(
        *world, {podBlock("A", {kFullTanks, kCrewLine}), podBlock("B", {"RPOS -500 0 0"})});
    OBJHANDLE b = world->find("B");
    ASSERT_TRUE(world->keyEvent(OAPI_KEY_E));
    OBJHANDLE member = world->find("Vemo_A01-John_Doe");
    ASSERT_NE(member, nullptr) << "A has an airlock to leave by";
    world->placeNear(member, a, sim::vec(20, 0, 0));
    world->step(5);
    world->placeNear(member, b, sim::vec(0, 0, 1));
    world->step(10);
    EXPECT_EQ(world->find("Vemo_A01-John_Doe"), nullptr) << "B took the member in";
    const sim::ScenarioFile saved = world->save();
    ASSERT_NE(findBlock(saved, "B"), nullptr);
    EXPECT_EQ(crewLines(*findBlock(saved, "B")),
              std::vector<std::string>{"VEMOCREW A01-John_Doe-35-72-80"});
}
