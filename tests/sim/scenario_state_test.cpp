// Loading and saving vessels through clbkLoadStateEx, the default parser and
// SaveDefaultState.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "ScenarioText.h"
#include "script_vessel.h"

using testsupport::events;
using testsupport::near;
using testsupport::rec;
using Strings = std::vector<std::string>;
using sim::operator+;

namespace {

sim::ShipBlock ship(const std::string &name, const std::string &cls, Strings lines) {
    sim::ShipBlock b;
    b.name = name;
    b.className = cls;
    b.lines = std::move(lines);
    return b;
}

// Gives the Script class two tanks, so PRPLEVEL has something to fill.
void twoTanks(ScriptVessel &v) {
    v.CreatePropellantResource(10);
    v.CreatePropellantResource(4, 1);
}

}  // namespace

TEST_F(HostTest, DefaultLinesSetTheStateAndUnknownLinesAreLogged) {
    ScriptVessel::hooks.setClassCaps = twoTanks;
    sim::ScenarioFile scn;
    scn.ships.push_back(ship("A", "Script",
                             {"STATUS Orbiting Earth", "RPOS 7000000 2 3", "  RVEL -4 5.5 6",
                              "AROT 0 90 0", "VROT 0 0 10", "PRPLEVEL 0:0.25 1:1", "FOO bar",
                              "RPOS 1 2", "RPOSX 1 2 3", "PRPLEVEL 0:0.5 7:1"}));
    scn.focus = "A";
    std::string error;
    ASSERT_TRUE(world->load(scn, &error)) << error;
    const sim::VesselRecord &a = rec(*world, world->find("A"));
    EXPECT_EQ(a.status, sim::kFreeFlight);
    EXPECT_TRUE(near(a.rpos, sim::vec(7e6, 2, 3)));
    EXPECT_TRUE(near(a.rvel, sim::vec(-4, 5.5, 6))) << "leading blanks are dropped";
    // 90 degrees about y, as the simulator counts: local x points along global +z.
    EXPECT_TRUE(near(sim::mul(a.rot, sim::vec(1, 0, 0)), sim::vec(0, 0, 1)));
    EXPECT_NEAR(a.avel.z, 10 * M_PI / 180, 1e-12);
    EXPECT_DOUBLE_EQ(a.tanks[0].mass, 2.5);
    EXPECT_DOUBLE_EQ(a.tanks[1].mass, 4.0);

    // Every line the parser does not understand, a half-read line included, reaches the log
    // unchanged, in order; a bad PRPLEVEL changes no tank.
    Strings logged;
    for (const sim::Event &e : events(*world, sim::ev::kScenarioLine, "A"))
        logged.push_back(e.text);
    EXPECT_EQ(logged, (Strings{"default parser got \"FOO bar\"", "default parser got \"RPOS 1 2\"",
                               "default parser got \"RPOSX 1 2 3\"",
                               "default parser got \"PRPLEVEL 0:0.5 7:1\""}));
    EXPECT_EQ(world->focus(), world->find("A"));
}

// As in the simulator: before its block is read a vessel has every tank empty and every
// thruster off; clbkLoadStateEx receives a VESSELSTATUS2 (version 2) that ParseScenarioLineEx
// fills, and the state the lines describe becomes the vessel's when the callback returns.
TEST_F(HostTest, BlockStartsEmptyAndItsStateAppliesAfterTheCallback) {
    ScriptVessel::hooks.setClassCaps = [](ScriptVessel &v) {
        twoTanks(v);  // made full: 10 kg and 1 of 4 kg
        THRUSTER_HANDLE th[2] = {v.CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 0, 1), 1),
                                 v.CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 0, 1), 1)};
        THGROUP_HANDLE g = v.CreateThrusterGroup(th, 2, THGROUP_MAIN);
        v.SetThrusterGroupLevel(g, 1.0);
    };
    DWORD version = 0;
    std::vector<double> tanksAtStart;
    VECTOR3 rposAtEnd = sim::vec(-1, -1, -1);
    ScriptVessel::hooks.load = [&](ScriptVessel &v, FILEHANDLE scn, void *status) {
        version = static_cast<VESSELSTATUS2 *>(status)->version;
        const sim::VesselRecord &r = *world->record(v.GetHandle());
        for (const sim::Tank &t : r.tanks)
            tanksAtStart.push_back(t.mass);
        EXPECT_EQ(r.thrusters[0].level, 0.0);
        char *line;
        while (oapiReadScenario_nextline(scn, line))
            v.ParseScenarioLineEx(line, status);
        rposAtEnd = r.rpos;
        // Parsed into any other record, a line is lost, and the log says so.
        VESSELSTATUS2 mine{};
        mine.version = 2;
        char other[] = "RVEL 9 9 9";
        v.ParseScenarioLineEx(other, &mine);
    };
    sim::ScenarioFile scn;
    scn.ships.push_back(
        ship("A", "Script", {"RPOS 6778005 0 0", "PRPLEVEL 1:0.5", "THLEVEL 1:0.25"}));
    ASSERT_TRUE(world->load(scn));
    EXPECT_EQ(version, 2u);
    EXPECT_EQ(tanksAtStart, (std::vector<double>{0.0, 0.0}));
    EXPECT_TRUE(near(rposAtEnd, sim::vec(0, 0, 0))) << "not yet while the callback runs";
    const sim::VesselRecord &a = rec(*world, world->find("A"));
    EXPECT_TRUE(near(a.rpos, sim::vec(6778005, 0, 0)));
    EXPECT_EQ(a.tanks[0].mass, 0.0) << "no PRPLEVEL names it: empty, full as it was made";
    EXPECT_EQ(a.tanks[1].mass, 2.0);
    EXPECT_EQ(a.thrusters[0].level, 0.0);
    EXPECT_EQ(a.thrusters[1].level, 0.25);
    EXPECT_EQ(a.groups[0].level, 0.125) << "the group's level is its thrusters' mean";
    EXPECT_TRUE(near(a.rvel, sim::vec(0, 0, 0)));
    EXPECT_EQ(events(*world, sim::ev::kError, "A", "RVEL 9 9 9\" is lost").size(), 1u);

    // Saving writes the level of every thruster that has one, and reads back the same.
    ScriptVessel::hooks.load = nullptr;
    const sim::ScenarioFile saved = world->save();
    const Strings &lines = saved.ships[0].lines;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "PRPLEVEL 0:0 1:0.5"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "THLEVEL 1:0.25"), lines.end());
    makeScriptWorld();
    ASSERT_TRUE(world->load(saved));
    const sim::VesselRecord &back = rec(*world, world->find("A"));
    EXPECT_EQ(back.thrusters[1].level, 0.25);
    EXPECT_EQ(back.tanks[1].mass, 2.0);
    EXPECT_TRUE(events(*world, sim::ev::kScenarioLine).empty());
}

// A block as the simulator writes it, with a reader's comments: the values a module's lines
// carry come back out the same when the world saves it.
TEST_F(HostTest, SimulatorStyleBlockSavesBackTheSameValues) {
    ScriptVessel::hooks.setClassCaps = [](ScriptVessel &v) {
        twoTanks(v);
        v.CreateThruster(sim::vec(0, 0, 0), sim::vec(0, 0, 1), 1);
    };
    const char text[] =
        "BEGIN_SHIPS\n"
        "A:Script   ; a vessel of the test class\n"
        "  STATUS Orbiting Earth\n"
        "  RPOS 1.5 -2 7e+06 ; m\n"
        "  RVEL 0 0 7.25\t\n"
        "  PRPLEVEL 0:0.25 1:1\n"
        "  THLEVEL 0:0.5   ; the one thruster, half on\n"
        "end\n"
        "END_SHIPS\n";
    sim::ParsedScenario parsed;
    sim::InputError error;
    ASSERT_TRUE(sim::parseScenarioText(text, "sim.scn", parsed, error)) << error.text();
    ASSERT_TRUE(world->load(parsed.scenario));
    const Strings saved = world->save().ships.at(0).lines;
    for (const char *line : {"STATUS Orbiting Earth", "RPOS 1.5 -2 7e+06", "RVEL 0 0 7.25",
                             "PRPLEVEL 0:0.25 1:1", "THLEVEL 0:0.5"})
        EXPECT_NE(std::find(saved.begin(), saved.end(), line), saved.end()) << line;
    EXPECT_TRUE(events(*world, sim::ev::kScenarioLine).empty());
}

TEST_F(HostTest, LinesArriveOneByOneAsWritableCopies) {
    Strings seen;
    int calls = 0;
    ScriptVessel::hooks.load = [&](ScriptVessel &v, FILEHANDLE scn, void *status) {
        ++calls;
        char *line;
        while (oapiReadScenario_nextline(scn, line)) {
            seen.push_back(line);
            bool keep = std::strncmp(line, "KEEP", 4) == 0;
            line[0] = '#';  // the module may scribble on its copy
            if (keep)
                continue;
            v.ParseScenarioLineEx(line, status);
        }
        EXPECT_FALSE(oapiReadScenario_nextline(scn, line)) << "the end stays the end";
    };
    sim::ScenarioFile scn;
    scn.ships.push_back(ship("A", "Script", {"\tKEEP 1", "OTHER"}));
    scn.ships.push_back(ship("B", "Script", {}));
    ASSERT_TRUE(world->load(scn));
    EXPECT_EQ(seen, (Strings{"KEEP 1", "OTHER"}));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(scn.ships[0].lines[0], "\tKEEP 1") << "the scenario itself is untouched";
    ASSERT_EQ(events(*world, sim::ev::kScenarioLine).size(), 1u);
    EXPECT_EQ(events(*world, sim::ev::kScenarioLine)[0].text, "default parser got \"#THER\"");

    // A handle that is not the block being read gives nothing.
    char *line = nullptr;
    int bogus = 0;
    EXPECT_FALSE(oapiReadScenario_nextline(&bogus, line));
}

TEST_F(HostTest, LoadOrderIsSetUpThenLinesThenPostCreation) {
    sim::ScenarioFile scn;
    scn.ships.push_back(ship("A", "Script", {}));
    scn.ships.push_back(ship("B", "Script", {}));
    ScriptVessel::hooks.load = [](ScriptVessel &v, FILEHANDLE, void *) { v.note("load"); };
    ScriptVessel::journal.clear();
    ASSERT_TRUE(world->load(scn));
    EXPECT_EQ(ScriptVessel::journal, (Strings{"caps A", "load A", "caps B", "load B",
                                              "postcreation A", "postcreation B", "gotfocus A"}));
}

TEST_F(HostTest, UnknownClassLoadsNothing) {
    sim::ScenarioFile scn;
    scn.ships.push_back(ship("A", "Script", {}));
    scn.ships.push_back(ship("B", "Missing", {}));
    scn.ships[1].firstLine = 12;
    std::string error;
    EXPECT_FALSE(world->load(scn, &error));
    EXPECT_NE(error.find("line 12"), std::string::npos) << error;
    EXPECT_NE(error.find("\"Missing\""), std::string::npos) << error;
    EXPECT_TRUE(world->vessels().empty());
    EXPECT_TRUE(ScriptVessel::journal.empty()) << "no instance was made";
}

TEST_F(HostTest, SavedStateLoadsBackExactly) {
    ScriptVessel::hooks.setClassCaps = [](ScriptVessel &v) {
        twoTanks(v);
        v.CreateDock(sim::vec(0, 0, 1), sim::vec(0, 0, 1), sim::vec(0, 1, 0));
    };
    ScriptVessel::hooks.save = [](ScriptVessel &v, FILEHANDLE scn) {
        v.SaveDefaultState(scn);
        char item[] = "EXTRA";
        char value[] = "1 2";
        oapiWriteScenario_string(scn, item, value);
    };
    OBJHANDLE a = make("A", testsupport::kOrbit + sim::vec(100.125, -3, 1e-7));
    OBJHANDLE b = make("B");
    world->setVelocity(a, sim::vec(0.1, 0.2, 0.3));
    world->setAngularVelocity(a, sim::vec(0.01, -0.02, 0.03));
    world->setRotation(a, sim::rotationFromEuler(sim::vec(0.3, -1.1, 2.9)));
    ASSERT_TRUE(world->dock(a, 0, b, 0));
    world->setFocus(b);
    world->step(7);

    sim::ScenarioFile saved = world->save();
    ASSERT_EQ(saved.ships.size(), 2u);
    EXPECT_TRUE(saved.description.empty());
    EXPECT_EQ(saved.focus, "B");
    EXPECT_EQ(saved.ships[0].name, "A");
    EXPECT_EQ(saved.ships[0].className, "Script");
    EXPECT_EQ(saved.ships[0].lines.back(), "EXTRA 1 2") << "class lines follow the default ones";
    EXPECT_EQ(saved.ships[0].lines.front().rfind("STATUS ", 0), 0u);
    // Only what writes the file can tell that it was saved.
    EXPECT_TRUE(events(*world, sim::ev::kSaved).empty());

    const sim::VesselRecord before = rec(*world, a);
    makeScriptWorld();
    ScriptVessel::hooks.save = nullptr;
    ASSERT_TRUE(world->load(saved));
    const sim::VesselRecord &after = rec(*world, world->find("A"));
    EXPECT_TRUE(near(after.rpos, before.rpos, 0));
    EXPECT_TRUE(near(after.rvel, before.rvel, 0));
    EXPECT_TRUE(near(after.avel, before.avel, 1e-15));
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(after.rot.data[i], before.rot.data[i], 1e-12);
    EXPECT_EQ(after.tanks[1].mass, before.tanks[1].mass);
    EXPECT_EQ(world->focus(), world->find("B"));
    ASSERT_EQ(after.docks.size(), 1u);
    ASSERT_NE(after.docks[0].mate, nullptr);
    EXPECT_EQ(after.docks[0].mate->name, "B");
    EXPECT_EQ(rec(*world, world->find("B")).docks[0].mate->name, "A");
    EXPECT_EQ(events(*world, sim::ev::kScenarioLine).size(), 2u) << "only the EXTRA lines";
    EXPECT_EQ(events(*world, sim::ev::kScenarioLine, "A", "EXTRA 1 2").size(), 1u);
    EXPECT_EQ(events(*world, sim::ev::kDock).size(), 1u) << "the pair docks once";
    saved.description = {"Two docked vessels"};
    makeScriptWorld();
    ASSERT_TRUE(world->load(saved));
    EXPECT_EQ(world->save().description, saved.description);
}

// Docking entries are read strictly: two port numbers of digits only, within UINT, and a
// vessel name. Anything else is logged and docks nothing, where a wrapped or overflowing
// number could have docked the wrong port.
TEST_F(HostTest, DockingEntriesAreReadStrictly) {
    ScriptVessel::hooks.setClassCaps = [](ScriptVessel &v) {
        v.CreateDock(sim::vec(0, 0, 1), sim::vec(0, 0, 1), sim::vec(0, 1, 0));
    };
    const Strings bad = {
        "0:-1,B",  "-0:0,B", "+0:0,B", "0:4294967296,B", "99999999999999999999:0,B",
        "0x0:0,B", "0:0,",   "0:0B",   "0:,B",           "0:0,B:C"};
    std::string entries;
    for (const std::string &e : bad)
        entries += " " + e;
    sim::ScenarioFile scn;
    scn.ships = {ship("A", "Script", {"DOCKINFO" + entries}), ship("B", "Script", {})};
    std::string error;
    ASSERT_TRUE(world->load(scn, &error)) << error;
    EXPECT_EQ(rec(*world, world->find("A")).docks[0].mate, nullptr);
    Strings logged;
    for (const sim::Event &e : events(*world, sim::ev::kError, "A"))
        logged.push_back(e.text);
    Strings expected;
    for (const std::string &e : bad)
        expected.push_back("cannot read docking entry \"" + e + "\"");
    EXPECT_EQ(logged, expected);

    // The same pair written soundly docks.
    makeScriptWorld();
    scn.ships[0].lines = {"DOCKINFO 0:0,B"};
    ASSERT_TRUE(world->load(scn, &error)) << error;
    ASSERT_NE(rec(*world, world->find("A")).docks[0].mate, nullptr);
    EXPECT_EQ(rec(*world, world->find("A")).docks[0].mate->name, "B");
}

TEST_F(HostTest, WriterIgnoresForeignHandlesAndNulls) {
    std::vector<std::string> lines;
    ScriptVessel::hooks.save = [](ScriptVessel &v, FILEHANDLE scn) {
        char item[] = "ITEM";
        oapiWriteScenario_string(scn, item, nullptr);
        oapiWriteScenario_string(scn, nullptr, item);
        int bogus = 0;
        oapiWriteScenario_string(&bogus, item, item);
    };
    make("A");
    sim::ScenarioFile saved = world->save();
    ASSERT_EQ(saved.ships.size(), 1u);
    EXPECT_EQ(saved.ships[0].lines, (Strings{"ITEM"}));
}
