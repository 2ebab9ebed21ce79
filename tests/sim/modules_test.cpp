// Vessel classes as the simulator finds them, with the probe module: a class config file
// names the module, each vessel loads it, the last vessel to go unloads it, and a class
// without a module (or a module that makes no instance) gives plain vessels.
#include <filesystem>
#include <sstream>

#include "allocation_counter.h"
#include "test_support.h"

using testsupport::rec;
using Strings = std::vector<std::string>;

namespace {

constexpr char kProbeFile[] = "HostProbe.dll";

class ModuleLoaderTest : public testsupport::WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        std::filesystem::create_symlink(std::string(VEMO_TEST_MODULES) + "/" + kProbeFile,
                                        root->file(std::string("modules/") + kProbeFile));
        // Keys in any letter case, comments, blanks: as the simulator reads the file.
        root->write("config/vessels/Probe.cfg",
                    "; the host's probe\n"
                    "ClassName = Probe\n"
                    "  mODULE\t=  HostProbe   ; modules/HostProbe.dll\n"
                    "Size = 3\n");
        makeWorld();
    }
    Strings probeLog() const {
        std::istringstream in(root->read("config/probe.log"));
        Strings lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    // Whether the process has the probe module mapped.
    static bool probeLoaded() { return alloccount::moduleCopies(kProbeFile) > 0; }
};

}  // namespace

// Each vessel loads the module; InitModule runs at the first load and ExitModule when the
// last vessel of the module is destroyed, and the module is unloaded then: a later vessel
// finds every static of the module back at its first value.
TEST_F(ModuleLoaderTest, LastVesselUnloadsTheModuleAndItsStaticsStartAfresh) {
    EXPECT_FALSE(probeLoaded());
    sim::ScenarioFile scn;
    scn.ships.push_back({"P1", "Probe", {}, 0});
    scn.ships.push_back({"P2", "Probe", {}, 0});
    ASSERT_TRUE(world->load(scn));
    OBJHANDLE p3 = testsupport::create(*world, "P3", "Probe");
    EXPECT_EQ(oapiGetEmptyMass(p3), 42.0);
    EXPECT_EQ(rec(*world, p3).module->path, root->path() + "/modules/" + kProbeFile);
    EXPECT_EQ(rec(*world, p3).module->vessels, 3);
    EXPECT_EQ(world->loadedModules(), 1u);
    EXPECT_TRUE(probeLoaded());

    world->deleteVessel(world->find("P2"));
    world->deleteVessel(world->find("P1"));
    world->step();
    EXPECT_EQ(probeLog().back(), "ovcExit P1") << "P3 still holds the module";
    world->deleteVessel(p3);
    world->step();
    EXPECT_EQ(world->loadedModules(), 0u);
    EXPECT_FALSE(probeLoaded()) << "the last vessel unloaded the module";

    testsupport::create(*world, "P4", "Probe");
    world.reset();
    EXPECT_EQ(probeLog(),
              (Strings{"InitModule -", "ovcInit#1 P1", "clbkSetClassCaps P1", "ovcInit#2 P2",
                       "clbkSetClassCaps P2", "ovcInit#3 P3", "clbkSetClassCaps P3", "ovcExit P2",
                       "ovcExit P1", "ovcExit P3", "ExitModule -", "InitModule -", "ovcInit#1 P4",
                       "clbkSetClassCaps P4", "ovcExit P4", "ExitModule -"}));
}

// A module whose ovcInit makes no instance, and a class config without a module: the vessel
// exists all the same, with the host's default behaviour and none of a module's callbacks.
TEST_F(ModuleLoaderTest, ClassesWithoutAnInstanceGivePlainVessels) {
    root->write("config/vessels/Rock.cfg", "ClassName = Rock\nEnableFocus = FALSE\n");
    sim::ScenarioFile scn;
    scn.ships.push_back({"NullProbe", "Probe", {"RPOS 6778001 2 3", "FOO bar"}, 0});
    scn.ships.push_back({"Rock1", "Rock", {"RPOS 6778004 5 6"}, 0});
    scn.ships.push_back({"Rock2", "rock", {}, 0});
    std::string error;
    ASSERT_FALSE(world->load(scn, &error)) << "class names are file names, case and all";
    scn.ships.pop_back();
    ASSERT_TRUE(world->load(scn, &error)) << error;

    for (const char *name : {"NullProbe", "Rock1"}) {
        const sim::VesselRecord &v = rec(*world, world->find(name));
        EXPECT_TRUE(v.hostInstance) << name;
        EXPECT_NE(oapiGetVesselInterface(v.handle()), nullptr) << name;
    }
    EXPECT_EQ(probeLog(), (Strings{"InitModule -", "ovcInit-none NullProbe"}))
        << "no set-up ran for the plain vessel";
    EXPECT_EQ(rec(*world, world->find("NullProbe")).rpos.y, 2.0) << "the default parser read it";
    EXPECT_EQ(testsupport::events(*world, sim::ev::kScenarioLine, "NullProbe").size(), 1u);
    EXPECT_EQ(rec(*world, world->find("Rock1")).module, nullptr);
    EXPECT_FALSE(rec(*world, world->find("Rock1")).acceptsFocus);
    // Saving writes the default state of each.
    const sim::ScenarioFile saved = world->save();
    ASSERT_EQ(saved.ships.size(), 2u);
    EXPECT_EQ(saved.ships[1].lines[1], "RPOS 6778004 5 6");

    // The module stays loaded while its plain vessel exists, and goes with it.
    EXPECT_EQ(world->loadedModules(), 1u);
    world->setFocus(world->find("NullProbe"));
    world->deleteVessel(world->find("NullProbe"));
    world->step();
    EXPECT_EQ(world->loadedModules(), 0u);
    EXPECT_EQ(probeLog().back(), "ExitModule -") << "no ovcExit for an instance never made";
    EXPECT_EQ(world->focus(), nullptr) << "a rock takes no focus";
}

// A missing class config is bad input, named with the file; so is a config naming a module
// that is not there, or a file that is no module. Nothing of a module runs for them.
TEST_F(ModuleLoaderTest, MissingClassConfigOrModuleIsBadInput) {
    std::string error;
    EXPECT_FALSE(world->checkClass("Nothing", &error));
    // The message lists the classes there are, to catch a misspelt name.
    EXPECT_EQ(error,
              "no vessel class \"Nothing\": no class config file "
              "config/vessels/Nothing.cfg in " +
                  root->path() + "; the classes there are: Probe, Vemo, crewhab, glider, vemopod");
    EXPECT_TRUE(world->checkClass("Probe"));
    EXPECT_FALSE(probeLoaded()) << "finding the class does not load its module";

    root->write("config/vessels/Ghost.cfg", "Module = Ghost\n");
    EXPECT_FALSE(world->checkClass("Ghost", &error));
    EXPECT_NE(error.find("names module Ghost, but there is no modules/Ghost.dll"),
              std::string::npos)
        << error;
    root->write("config/vessels/Evil.cfg", "Module = ../../evil\n");
    EXPECT_FALSE(world->checkClass("Evil", &error));
    EXPECT_NE(error.find("not a valid module name"), std::string::npos) << error;

    root->write("config/vessels/Broken.cfg", "Module = Broken\n");
    root->write("modules/Broken.dll", "not a shared object");
    EXPECT_TRUE(world->checkClass("Broken", &error));
    // A vessel of it is a plain one, as in the simulator (see host_rules_test.cpp).
    EXPECT_NE(world->createVessel("B", "Broken", sim::makeStatus(), &error), nullptr);
    EXPECT_EQ(testsupport::events(*world, sim::ev::kError, "B", "cannot load").size(), 1u);
    EXPECT_TRUE(root->read("config/probe.log").empty());
}

// A scenario's vessels of one class read its config once between them, and vessels made in
// flight read theirs afresh, as in the simulator. A plain vessel allocates nothing for the
// parts it does not make.
TEST_F(ModuleLoaderTest, ClassConfigsReadOncePerLoadAndRecordsStaySmall) {
    root->write("config/vessels/Rock.cfg", "ClassName = Rock\n");
    sim::ScenarioFile scn;
    for (int i = 0; i < 50; ++i)
        scn.ships.push_back({"Rock" + std::to_string(i), "Rock", {"RPOS 6778004 5 6"}, 0});
    scn.ships.push_back({"P1", "Probe", {}, 0});
    scn.ships.push_back({"P2", "Probe", {}, 0});
    std::string error;
    const std::size_t before = world->classConfigReads();
    const long blocks = alloccount::liveBlocks();
    ASSERT_TRUE(world->load(scn, &error)) << error;
    EXPECT_EQ(world->classConfigReads() - before, 2u);
    // The probes' module is mapped once; the rocks hold their records, names and instances.
    EXPECT_LT(alloccount::liveBlocks() - blocks, 52 * 8) << "empty part lists allocate nothing";
    ASSERT_NE(testsupport::create(*world, "Rock50", "Rock"), nullptr);
    ASSERT_NE(testsupport::create(*world, "Rock51", "Rock"), nullptr);
    EXPECT_EQ(world->classConfigReads() - before, 4u);
}
