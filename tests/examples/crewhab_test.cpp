// The crewhab sample vessel and the companion stand-in, both loaded from the runtime root as
// the host loads them: a member's round trip on EVA, and transfers between docked vessels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScenarioText.h"
#include "test_support.h"

using namespace testsupport;
using sim::vec;
using sim::operator*;
using sim::operator+;

namespace {

// A vessel with a docking port and no crew airlock.
class Plain final : public VESSEL2 {
public:
    using VESSEL2::VESSEL2;
    void clbkSetClassCaps(FILEHANDLE) override {
        CreateDock(vec(0, 0, 3), vec(0, 0, 1), vec(0, 1, 0));
    }
};

class CrewhabTest : public WorldTest {
protected:
    void SetUp() override {
        WorldTest::SetUp();
        makeWorld();
        world->registerClass(
            "Plain", [](OBJHANDLE h, int fm) -> VESSEL * { return new Plain(h, fm); },
            [](VESSEL *v) { delete static_cast<Plain *>(v); });
    }

    void TearDown() override {
        if (expectedCrew_ >= 0) {
            EXPECT_EQ(CrewTotal(), expectedCrew_) << "members aboard plus members outside";
        }
        WorldTest::TearDown();
    }

    void Load(const sim::ScenarioFile &s) {
        std::string error;
        ASSERT_TRUE(world->load(s, &error)) << error;
    }
    void LoadExample() {
        sim::ParsedScenario parsed;
        sim::InputError error;
        ASSERT_TRUE(sim::readScenarioFile(sourceDir() + "/examples/transfer.scn", parsed, error))
            << error.text();
        Load(parsed.scenario);
    }

    // The crew lines a vessel saves: its roster.
    std::vector<std::string> CrewLines(const std::string &vessel) {
        std::vector<std::string> out;
        for (const sim::ShipBlock &b : world->save().ships) {
            if (b.name != vessel) {
                continue;
            }
            for (const std::string &line : b.lines) {
                if (line.rfind("VEMOCREW", 0) == 0) {
                    out.push_back(line);
                }
            }
        }
        return out;
    }
    // Members in every vessel's saved roster plus crew-member vessels outside.
    int CrewTotal() {
        int total = 0;
        for (const sim::ShipBlock &b : world->save().ships) {
            for (const std::string &line : b.lines) {
                total += line.rfind("VEMOCREW", 0) == 0 ? 1 : 0;
            }
            if (b.className == "Vemo") {
                ++total;
            }
        }
        return total;
    }
    void StartCounting() { expectedCrew_ = CrewTotal(); }

    int expectedCrew_ = -1;
};

sim::ShipBlock Hab(const std::string &name, std::vector<std::string> crew,
                   const std::string &rpos = "6778000 0 0") {
    sim::ShipBlock b;
    b.name = name;
    b.className = "crewhab";
    b.lines = {"STATUS Orbiting Earth", "RPOS " + rpos, "RVEL 0 0 0"};
    for (const std::string &c : crew) {
        b.lines.push_back("VEMOCREW " + c);
    }
    return b;
}

}  // namespace

// Four seats and six members in the scenario: the two the roster refuses are kept and saved
// again, with and without the companion module.
TEST_F(CrewhabTest, MembersBeyondTheSeatsSurviveSaving) {
    const std::vector<std::string> crew = {"A1-Ann-30-70-60", "A1-Bob-31-71-61", "A1-Cid-32-72-62",
                                           "A1-Dan-33-73-63", "A1-Eve-34-74-64", "A1-Fay-35-75-65"};
    std::vector<std::string> lines;
    for (const std::string &c : crew) {
        lines.push_back("VEMOCREW " + c);
    }
    for (const bool companion : {true, false}) {
        SCOPED_TRACE(companion ? "with the companion" : "without the companion");
        if (!companion) {
            world.reset();
            root->remove("modules/Vemo.dll");
            makeWorld();
        }
        sim::ScenarioFile scenario;
        scenario.ships = {Hab("Hab", crew)};
        Load(scenario);
        EXPECT_EQ(CrewLines("Hab"), lines);
        const sim::ScenarioFile saved = world->save();
        makeWorld();
        Load(saved);
        EXPECT_EQ(CrewLines("Hab"), lines);
    }
}

TEST_F(CrewhabTest, MemberLeavesATurningVesselAndWalksBackIn) {
    sim::ScenarioFile s;
    s.ships = {Hab("Alpha", {"X1-Pilot_One-35-72-80"}, "7000000 -300 25")};
    s.focus = "Alpha";
    Load(s);
    OBJHANDLE alpha = world->find("Alpha");
    const MATRIX3 r = sim::rotationAboutAxis(sim::unit(vec(1, 2, 3)), 0.7);
    world->setRotation(alpha, r);
    world->setVelocity(alpha, vec(-15.0, 7500.0, 3.0));
    world->setAngularVelocity(alpha, vec(0.1, -0.2, 3.0));
    StartCounting();

    ASSERT_TRUE(world->keyEvent(OAPI_KEY_E));
    OBJHANDLE member = world->find("Vemo_X1-Pilot_One");
    ASSERT_NE(member, nullptr);
    EXPECT_EQ(world->focus(), member);
    EXPECT_TRUE(CrewLines("Alpha").empty());
    const sim::VesselRecord &a = rec(*world, alpha);
    const sim::VesselRecord &m = rec(*world, member);
    const VECTOR3 alongZ = vec(r.m13, r.m23, r.m33);
    EXPECT_TRUE(near(world->globalPos(m), world->globalPos(a) + alongZ * 3.0, 1e-6));
    EXPECT_TRUE(near(m.rvel, a.rvel + alongZ * 1.5, 1e-9));
    for (int i = 0; i < 9; ++i) {
        EXPECT_NEAR(m.rot.data[i], r.data[i], 1e-9) << i;  // no turn on leaving
    }

    // Drifting away at 1.5 m/s, the member is out of the box and shows its values.
    world->step(3);
    const AttachmentVectors point = attachment(*world, member, "V-em", true);
    ASSERT_TRUE(point.found);
    EXPECT_TRUE(near(point.pos, vec(35, 72, 80), 0));

    world->placeNear(member, alpha, vec(0.5, 0, 0.5));
    world->step(5);
    EXPECT_EQ(world->find("Vemo_X1-Pilot_One"), nullptr);
    EXPECT_EQ(world->focus(), alpha);
    EXPECT_EQ(CrewLines("Alpha"), std::vector<std::string>{"VEMOCREW X1-Pilot_One-35-72-80"});
}

TEST_F(CrewhabTest, DockedHabHandsItsFirstMemberOver) {
    LoadExample();
    OBJHANDLE alpha = world->find("Alpha");
    StartCounting();
    ASSERT_TRUE(world->keyEvent(OAPI_KEY_E));
    EXPECT_NE(world->find("VemoTBeta"), nullptr);
    EXPECT_TRUE(root->exists("config/VemotmpT.cfg"));
    EXPECT_EQ(world->focus(), alpha);

    world->step(5);
    EXPECT_EQ(world->find("VemoTBeta"), nullptr);
    EXPECT_FALSE(root->exists("config/VemotmpT.cfg"));
    EXPECT_EQ(CrewLines("Alpha"), std::vector<std::string>{"VEMOCREW X1-Pilot_Two-41-64-75"});
    EXPECT_EQ(CrewLines("Beta"), std::vector<std::string>{"VEMOCREW X1-Pilot_One-35-72-80"});
    EXPECT_EQ(world->focus(), alpha);
}

TEST_F(CrewhabTest, RefusedTransfersKeepTheMemberAboard) {
    auto expectRefused = [this](const char *why) {
        SCOPED_TRACE(why);
        const std::size_t vessels = world->vessels().size();
        const std::vector<std::string> before = CrewLines("Alpha");
        ASSERT_FALSE(before.empty());
        EXPECT_TRUE(world->keyEvent(OAPI_KEY_E));
        world->step(5);
        EXPECT_EQ(world->vessels().size(), vessels);
        EXPECT_EQ(CrewLines("Alpha"), before);
        EXPECT_FALSE(root->exists("config/VemotmpT.cfg"));
        EXPECT_FALSE(root->exists("config/Vemotmp.cfg"));
        EXPECT_EQ(CrewTotal(), expectedCrew_);
    };

    // Beta's door closed, as its airlock point publishes it.
    LoadExample();
    StartCounting();
    VESSEL *beta = oapiGetVesselInterface(world->find("Beta"));
    ATTACHMENTHANDLE lock = beta->GetAttachmentHandle(false, 0);
    VECTOR3 pos, dir, rot;
    beta->GetAttachmentParams(lock, pos, dir, rot);
    beta->SetAttachmentParams(lock, pos, dir, vec(0, rot.y, rot.z));
    expectRefused("closed door");
    // Open again, the same key sends the member over.
    beta->SetAttachmentParams(lock, pos, dir, rot);
    world->step(10);
    EXPECT_TRUE(world->keyEvent(OAPI_KEY_E));
    EXPECT_NE(world->find("VemoTBeta"), nullptr);
    root->remove("config/VemotmpT.cfg");  // this world ends before Beta takes the member
    expectedCrew_ = -1;

    // Beta's four seats taken.
    makeWorld();
    sim::ScenarioFile full;
    full.ships = {Hab("Alpha", {"-Ann-30-60-70"}),
                  Hab("Beta", {"-Bo-30-60-70", "-Cy-30-60-70", "-Di-30-60-70", "-Ed-30-60-70"},
                      "6778000 0 -20")};
    full.focus = "Alpha";
    Load(full);
    ASSERT_TRUE(world->dock(world->find("Alpha"), 0, world->find("Beta"), 0));
    StartCounting();
    expectRefused("no free seat");

    // Docked to a vessel without a crew airlock.
    makeWorld();
    world->registerClass(
        "Plain", [](OBJHANDLE h, int fm) -> VESSEL * { return new Plain(h, fm); },
        [](VESSEL *v) { delete static_cast<Plain *>(v); });
    sim::ScenarioFile cargo;
    cargo.ships = {Hab("Alpha", {"-Ann-30-60-70"})};
    cargo.focus = "Alpha";
    Load(cargo);
    OBJHANDLE plain = create(*world, "Cargo", "Plain", testsupport::kOrbit + vec(0, 0, -20));
    ASSERT_TRUE(world->dock(world->find("Alpha"), 0, plain, 0));
    StartCounting();
    expectRefused("no airlock");
}
