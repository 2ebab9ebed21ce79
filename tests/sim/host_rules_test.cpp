// The simulator's rules the host keeps by default, where a kinder host would hide a module's
// fault: any vessel name, list order after a removal, vessels of a class whose module cannot
// run them, state timing within a frame, creation from a status, attachment ids, thrusters
// without propellant, and ground below the mean radius.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ScenarioText.h"
#include "script_vessel.h"

using namespace testsupport;
using sim::vec;

namespace {

sim::ScenarioFile parse(const std::string &text, bool *ok = nullptr, std::string *why = nullptr) {
    sim::ParsedScenario parsed;
    sim::InputError error;
    const bool read = sim::parseScenarioText(text, "rules.scn", parsed, error);
    if (ok)
        *ok = read;
    if (why)
        *why = error.text();
    return parsed.scenario;
}

std::string format(const sim::ScenarioFile &s) {
    std::string text, why;
    EXPECT_TRUE(sim::formatScenarioText(s, {}, false, text, why)) << why;
    return text;
}

}  // namespace

// Names: blanks and any byte; headers split at the first ':', or name the class; a name with
// ':' or ';' saves as it is and its reload fails at its line; lookups ignore case and find
// the body.
TEST_F(HostTest, AnyNameIsAVesselsNameAndSavesAsItIs) {
    bool ok = false;
    std::string why;
    const sim::ScenarioFile read = parse(
        "BEGIN_FOCUS\n  Ship My Ship\nEND_FOCUS\nBEGIN_SHIPS\n  My Ship:Script  ; comment\n"
        "END\nScript\nEND\nEND_SHIPS\n",
        &ok, &why);
    ASSERT_TRUE(ok) << why;
    ASSERT_EQ(read.ships.size(), 2u);
    EXPECT_EQ(read.ships[0].name, "My Ship");
    EXPECT_EQ(read.ships[0].className, "Script");
    EXPECT_EQ(read.ships[1].name, "Script") << "a header without ':' names its class";
    EXPECT_EQ(read.ships[1].className, "Script");
    ASSERT_TRUE(world->load(read, &why)) << why;
    EXPECT_EQ(world->find("MY SHIP"), world->focus());
    char earth[] = "eArTh";
    EXPECT_EQ(oapiGetObjectByName(earth), world->bodyHandle());

    for (const char *odd : {"a:b-Pilot", "a;b", " lead", "\x01\xff"}) {
        SCOPED_TRACE(odd);
        OBJHANDLE h = make(odd);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(rec(*world, h).name, odd);
    }
    const std::string text = format(world->save());
    EXPECT_NE(text.find("\na:b-Pilot:Script\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\na;b:Script\n"), std::string::npos) << text;
    const auto lineOf = [&text](const char *header) {
        return 1 + std::count(text.begin(), text.begin() + text.find(header), '\n');
    };
    parse(text, &ok, &why);
    EXPECT_FALSE(ok);
    EXPECT_NE(why.find(":" + std::to_string(lineOf("\na:b-Pilot") + 1) + ":"), std::string::npos)
        << why;
    parse("BEGIN_SHIPS\n" + std::string(256, 'x') + ":Script\nEND\nEND_SHIPS\n", &ok, &why);
    EXPECT_FALSE(ok) << "a header of 256 characters breaks the simulator's reading";
}

// Removing a vessel moves the last one into its place; the first of a name is then the one
// placed first.
TEST_F(HostTest, RemovalMovesTheLastVesselIntoItsPlace) {
    make("A");
    OBJHANDLE b = make("Twin");
    make("C");
    OBJHANDLE d = make("Twin");
    world->deleteVessel(b);
    world->step();
    ASSERT_EQ(oapiGetVesselCount(), 3u);
    EXPECT_EQ(rec(*world, oapiGetVesselByIndex(1)).name, "Twin");
    EXPECT_EQ(oapiGetVesselByIndex(1), d);
    EXPECT_EQ(rec(*world, oapiGetVesselByIndex(2)).name, "C");
    EXPECT_EQ(world->find("twin"), d);
}

// A plain vessel for a class whose module cannot run it, with an error event; ovcExit gets
// the plain interface, Version() 0.
TEST_F(HostTest, ClassWhoseModuleCannotRunItGivesAPlainVessel) {
    root->write("config/vessels/Broken.cfg", "Module = Broken\n");
    root->write("modules/Broken.dll", "not a shared object");
    std::vector<int> exited;
    world->registerClass(
        "Nothing", [](OBJHANDLE, int) -> VESSEL * { return nullptr; },
        [&exited](VESSEL *v) { exited.push_back(v->Version()); });
    for (const char *cls : {"Broken", "Nothing"}) {
        SCOPED_TRACE(cls);
        std::string error;
        OBJHANDLE h =
            world->createVessel(std::string("A ") + cls, cls, sim::makeStatus(kOrbit), &error);
        ASSERT_NE(h, nullptr) << error;
        EXPECT_EQ(rec(*world, h).className, cls);
        VESSEL *plain = oapiGetVesselInterface(h);
        ASSERT_NE(plain, nullptr);
        EXPECT_EQ(plain->Version(), 0);
        EXPECT_EQ(events(*world, sim::ev::kError, std::string("A ") + cls).size(), 1u)
            << dumpEvents(*world);
        world->deleteVessel(h);
    }
    world->step();
    EXPECT_EQ(exited, std::vector<int>{0}) << "ovcExit with the plain interface";
    EXPECT_EQ(oapiGetVesselInterface(make("S"))->Version(), 1);
}

// Within a frame every state read is the frame's start, in pre- and post-step alike, and
// oapiGetSimTime is the start time; the new state shows from the next frame on.
TEST_F(HostTest, AFramesCallbacksSeeTheStateAtItsStart) {
    OBJHANDLE a = make("A", kOrbit, vec(0, 100, 0));
    std::vector<double> seen;  // y of A as B reads it, and the times
    ScriptVessel::hooks.preStep = [&](ScriptVessel &s, double simt, double) {
        if (s.name() != "B")
            return;
        VESSELSTATUS st;
        oapiGetVesselInterface(a)->GetStatus(st);
        seen.insert(seen.end(), {st.rpos.y, simt, oapiGetSimTime()});
    };
    ScriptVessel::hooks.postStep = [&](ScriptVessel &s, double simt, double) {
        if (s.name() != "B")
            return;
        VECTOR3 g;
        oapiGetGlobalPos(a, &g);
        seen.insert(seen.end(), {g.y - world->options().bodyPosition.y, simt, oapiGetSimTime()});
    };
    make("B");
    world->step();
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen, (std::vector<double>{0.0, 0.0, 0.0, 0.0, 0.1, 0.0}));
    EXPECT_NEAR(rec(*world, a).rpos.y, 10.0, 1e-6) << "the new state once the frame is over";
}

// Creation from a status: fuel and engines only with their flags; inside the body the vessel
// goes to (0, 0, 1.1 radius). GetStatus never reports docked, and base/port mean a surface
// base.
TEST_F(HostTest, CreationFromAStatusAndGetStatusKeepTheSimulatorsRules) {
    ScriptVessel::hooks.setClassCaps = [](ScriptVessel &s) {
        PROPELLANT_HANDLE tank = s.CreatePropellantResource(100.0, 50.0);
        THRUSTER_HANDLE th = s.CreateThruster(vec(0, 0, 0), vec(0, 0, 1), 10.0, tank);
        s.CreateThrusterGroup(&th, 1, THGROUP_MAIN);
    };
    struct Case {
        DWORD flag;
        double fuel, main;
    } cases[] = {{0, 0.5, 0.0}, {1, 0.5, 0.4}, {2, 1.0, 0.0}, {3, 1.0, 0.4}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.flag);
        VESSELSTATUS s = sim::makeStatus(vec(1, 2, 3));  // inside the body
        s.fuel = 1.0;
        s.eng_main = 0.4;
        s.flag[0] = c.flag;
        OBJHANDLE h = world->createVessel("F" + std::to_string(c.flag), "Script", s);
        VESSELSTATUS got;
        oapiGetVesselInterface(h)->GetStatus(got);
        EXPECT_NEAR(got.fuel, c.fuel, 1e-12);
        EXPECT_NEAR(got.eng_main, c.main, 1e-12);
        EXPECT_TRUE(near(got.rpos, vec(0, 0, 1.1 * world->body().radius), 1e-6));
        EXPECT_EQ(got.base, nullptr);
        EXPECT_EQ(got.port, -1);
    }
}

// Ids are kept in 8 bytes: 7 characters are fine, 8 or more an error event.
TEST_F(HostTest, AttachmentIdsOfEightOrMoreCharactersAreAnError) {
    OBJHANDLE h = make("A");
    VESSEL *v = oapiGetVesselInterface(h);
    for (const char *id : {"1234567", "12345678", "taken aboard"}) {
        SCOPED_TRACE(id);
        world->clearEvents();
        ATTACHMENTHANDLE at =
            v->CreateAttachment(true, vec(0, 0, 0), vec(0, 0, 1), vec(0, 1, 0), id);
        const bool fits = std::strlen(id) < 8;
        EXPECT_EQ(events(*world, sim::ev::kError, "A").size(), fits ? 0u : 1u);
        EXPECT_EQ(std::string(v->GetAttachmentId(at)), std::string(id).substr(0, 8));
    }
}

// A thruster without propellant is held at level 0, and so is its share of its group.
TEST_F(HostTest, ThrustersOnAnEmptyTankStayAtLevelZero) {
    THGROUP_HANDLE group = nullptr;
    PROPELLANT_HANDLE tanks[2] = {};
    ScriptVessel::hooks.setClassCaps = [&](ScriptVessel &s) {
        tanks[0] = s.CreatePropellantResource(10.0);
        tanks[1] = s.CreatePropellantResource(10.0, 0.0);
        THRUSTER_HANDLE th[2] = {s.CreateThruster(vec(0, 0, 0), vec(0, 0, 1), 10.0, tanks[0]),
                                 s.CreateThruster(vec(0, 0, 0), vec(0, 0, 1), 10.0, tanks[1])};
        group = s.CreateThrusterGroup(th, 2, THGROUP_MAIN);
    };
    VESSEL *v = oapiGetVesselInterface(make("A"));
    v->SetThrusterGroupLevel(group, 1.0);
    EXPECT_DOUBLE_EQ(v->GetThrusterGroupLevel(group), 0.5) << "the empty one stays at 0";
    world->step();
    EXPECT_DOUBLE_EQ(v->GetThrusterGroupLevel(group), 0.5);
    EXPECT_EQ(rec(*world, v->GetHandle()).thrusters[1].level, 0.0);
}

// Ground below the mean radius: a landed vessel stands on it and reports its altitude above
// it.
TEST_F(HostTest, GroundBelowTheMeanRadiusCarriesLandedVessels) {
    bool ok = false;
    std::string why;
    const sim::ScenarioFile s = parse(
        "BEGIN_ENVIRONMENT\n  SurfaceElevation -500\nEND_ENVIRONMENT\nBEGIN_SHIPS\nL:Script\n"
        "  STATUS Landed Moon\n  POS 10 20\n  HEADING 30\nEND\nEND_SHIPS\n",
        &ok, &why);
    ASSERT_TRUE(ok) << why;
    ASSERT_TRUE(world->load(s, &why)) << why;
    const double ground = world->body().radius - 500.0;
    const sim::VesselRecord &l = rec(*world, world->find("L"));
    EXPECT_NEAR(sim::length(l.rpos), ground, 1e-6);
    VESSELSTATUS st;
    oapiGetVesselInterface(l.handle())->GetStatus(st);
    EXPECT_NEAR(st.vrot.x, 0.0, 1e-6) << "altitude above the ground";
    // Made in free flight above the ground but below the mean radius, a vessel goes where the
    // simulator puts any vessel made inside its body.
    OBJHANDLE f = make("F", vec(0, world->body().radius - 100.0, 0));
    EXPECT_TRUE(near(rec(*world, f).rpos, vec(0, 0, 1.1 * world->body().radius), 1e-6));
    parse("BEGIN_ENVIRONMENT\n  SurfaceElevation deep\nEND_ENVIRONMENT\n", &ok, &why);
    EXPECT_FALSE(ok);
    EXPECT_NE(why.find(":2:"), std::string::npos) << why;
}
