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
    world->setTraceNew(true);
    // The module is not loaded yet, so the counter learns its range only afterwards; the
    // class lookup loads it (and runs InitModule) before any instance is made.
    ASSERT_NE(world->findClass(kPodClass), nullptr);
    ASSERT_EQ(alloc::moduleCopies(), 1);
    alloc::arm();
    loadShips(*world, {podBlock("Pod1", {"STATUS Orbiting Earth", kCrewLine}),
                       podBlock("Pod2", {"RPOS 6778010 0 0"})});
    alloc::Counts made = alloc::counts();
    alloc::disarm();

    // ovcInit twice: one allocation each, holding the instance the host was handed.
    ASSERT_EQ(made.fromModule, 2);
    const sim::VesselRecord &p1 = rec(*world, world->find("Pod1"));
    const sim::VesselRecord &p2 = rec(*world, world->find("Pod2"));
    EXPECT_EQ(p1.cls, p2.cls);
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
    ASSERT_NE(world->findClass(kPodClass), nullptr);
    alloc::arm();
    OBJHANDLE pod = testsupport::create(*world, "Pod", kPodClass);
    alloc::Counts made = alloc::counts();
    ASSERT_EQ(made.fromModule, 1);
    ASSERT_TRUE(world->deleteVessel(pod));
    alloc::Counts all = alloc::counts();
    alloc::disarm();
    EXPECT_EQ(all.timesFreed(made.moduleAllocs[0].ptr), 1);
    // The interface pointer the host holds lies inside that block but need not be its start:
    // the capsule converts it back before freeing.
    EXPECT_EQ(world->interfaceOf(pod), nullptr);
}

TEST_F(PodEntry, FailedAllocationLeavesTheHostWithoutAnInstance) {
    ASSERT_NE(world->findClass(kPodClass), nullptr);
    alloc::arm();
    alloc::failModuleNothrow(true);
    std::string error;
    OBJHANDLE pod =
        world->createVessel("Pod", kPodClass, sim::makeStatus(testsupport::kOrbit), &error);
    alloc::Counts c = alloc::counts();
    alloc::disarm();
    EXPECT_EQ(pod, nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(c.fromModule, 0);
    EXPECT_EQ(world->find("Pod"), nullptr);
    // The next capsule is made normally.
    EXPECT_NE(testsupport::create(*world, "Pod2", kPodClass), nullptr);
}

TEST_F(PodEntry, ExitWithNullAndEmptyModuleHooksDoNothing) {
    ASSERT_NE(world->findClass(kPodClass), nullptr);
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
