// The companion stand-in (modules/Vemo.dll), loaded by the host as any vessel module: the
// member's record, the step-out rule, and its scenario lines.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_support.h"

using namespace testsupport;
using sim::vec;
using sim::operator+;

namespace {

// A hand-over record as the crew library writes it: 104 bytes, little-endian.
std::string Record(const std::string &name, int age, int pulse, int weight) {
    std::string r(104, '\0');
    std::memcpy(&r[0], name.data(), std::min<std::size_t>(name.size(), 40));
    auto put = [&r](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            r[at + i] = static_cast<char>(v >> (8 * i));
        }
    };
    put(80, static_cast<std::uint32_t>(age));
    put(84, static_cast<std::uint32_t>(pulse));
    put(88, 100);
    put(92, static_cast<std::uint32_t>(weight));
    return r;
}

class CompanionTest : public WorldTest {
protected:
    // The last to-parent point, when it is "V-em".
    bool MemberPoint(OBJHANDLE h, VECTOR3 &values) {
        const sim::VesselRecord &r = rec(*world, h);
        if (r.toParent.empty() || r.toParent.back()->id != "V-em") {
            return false;
        }
        values = r.toParent.back()->pos;
        return true;
    }
    // Members in the saved rosters plus crew-member vessels outside.
    int CrewTotal() {
        int total = 0;
        for (const sim::ShipBlock &b : world->save().ships) {
            for (const std::string &line : b.lines) {
                total += line.rfind("VEMOCREW", 0) == 0 ? 1 : 0;
            }
            total += b.className == "Vemo" ? 1 : 0;
        }
        return total;
    }
    // An EVA vessel far from any airlock, after one step.
    VECTOR3 ValuesOf(const std::string &name) {
        OBJHANDLE h = create(*world, name, "Vemo", testsupport::kOrbit + vec(5000, 0, 0));
        world->step();
        VECTOR3 values = vec(-1, -1, -1);
        EXPECT_TRUE(MemberPoint(h, values)) << name;
        world->deleteVessel(h);
        return values;
    }
};

}  // namespace

TEST_F(CompanionTest, TakesOnlyAWholeRecordMeantForItsOwnVessel) {
    makeWorld();
    const VECTOR3 defaults = vec(41, 60, 75);
    const std::string file = "config/Vemotmp.cfg";

    root->write(file, Record("Vemo_X1-Pilot One", 35, 72, 80));
    EXPECT_TRUE(near(ValuesOf("Vemo_X1-Pilot_One"), vec(35, 72, 80), 0));

    EXPECT_TRUE(near(ValuesOf("Vemo_Someone_Else"), defaults, 0));  // not its record

    const std::string good = Record("Vemo_Jo", 35, 72, 80);
    root->write(file, good.substr(0, 103));
    EXPECT_TRUE(near(ValuesOf("Vemo_Jo"), defaults, 0));  // short
    root->write(file, good + "x");
    EXPECT_TRUE(near(ValuesOf("Vemo_Jo"), defaults, 0)) << "long";
    root->write(file, std::string(104, 'J'));
    EXPECT_TRUE(near(ValuesOf("Vemo_JJ"), defaults, 0));  // no terminated name
    root->write(file, Record("Vemo_Jo", 35, 72, 301));
    EXPECT_TRUE(near(ValuesOf("Vemo_Jo"), defaults, 0));  // weight beyond the roster's
    root->write(file, Record("Vemo_Jo", -1, 72, 80));
    EXPECT_TRUE(near(ValuesOf("Vemo_Jo"), defaults, 0));
    root->remove(file);
    EXPECT_TRUE(near(ValuesOf("Vemo_Jo"), defaults, 0));
}

// The record is taken only from a regular file of the root: not through a link (to the file
// or to its folder), and a pipe is never waited on. Each is logged and the member keeps the
// default values.
TEST_F(CompanionTest, TakesItsRecordOnlyFromARegularFileOfTheRoot) {
    namespace fs = std::filesystem;
    makeWorld();
    alarm(60);  // a blocked open never returns: this ends the test process instead
    const VECTOR3 defaults = vec(41, 60, 75);
    const std::string outside = root->path() + "-outside";
    fs::create_directories(outside);
    std::ofstream(outside + "/Vemotmp.cfg", std::ios::binary) << Record("Vemo_Jo", 35, 72, 80);

    fs::create_symlink(outside + "/Vemotmp.cfg", root->file("config/Vemotmp.cfg"));
    EXPECT_TRUE(near(ValuesOf("Vemo_Jo"), defaults, 0)) << "linked file";
    root->remove("config/Vemotmp.cfg");
    ASSERT_EQ(mkfifo(root->file("config/Vemotmp.cfg").c_str(), 0644), 0);
    EXPECT_TRUE(near(ValuesOf("Vemo_Jo"), defaults, 0)) << "pipe";
    // The class configs are read through a linked config/ as through the folder itself.
    fs::copy(root->file("config/vessels"), outside + "/vessels", fs::copy_options::recursive);
    fs::remove_all(root->file("config"));
    fs::create_directory_symlink(outside, root->file("config"));
    EXPECT_TRUE(near(ValuesOf("Vemo_Jo"), defaults, 0)) << "linked folder";
    alarm(0);

    EXPECT_EQ(events(*world, sim::ev::kLog, "", "taken as missing").size(), 3u)
        << dumpEvents(*world);
    fs::remove(root->file("config"));
    fs::remove_all(outside);
}

TEST_F(CompanionTest, MemberMustStepOutOfEveryAirlockBeforeComingBack) {
    makeWorld();
    OBJHANDLE hab = create(*world, "Hab", "crewhab", testsupport::kOrbit + vec(100, 0, 0));
    OBJHANDLE pod = create(*world, "Pod", "vemopod", testsupport::kOrbit + vec(100, 0, 50));
    root->write("config/Vemotmp.cfg", Record("Vemo_Jo", 35, 72, 80));
    OBJHANDLE jo = create(*world, "Vemo_Jo", "Vemo");
    world->placeNear(jo, hab, vec(0, 0, 0));
    const sim::VesselRecord &r = rec(*world, jo);
    ASSERT_EQ(r.toParent.size(), 1u);  // the class's own point, nothing else yet
    const int crew = CrewTotal();

    VECTOR3 values;
    world->step(5);
    EXPECT_FALSE(MemberPoint(jo, values)) << "inside the hab's airlock";
    world->placeNear(jo, pod, vec(0, 1, 1));
    world->step(5);
    EXPECT_FALSE(MemberPoint(jo, values)) << "inside the pod's airlock";
    EXPECT_EQ(r.toParent.size(), 1u);

    // The box edge still counts as inside; a little beyond it, the member is out.
    world->placeNear(jo, hab, vec(2, 2, 2));
    world->step();
    EXPECT_FALSE(MemberPoint(jo, values));
    world->placeNear(jo, hab, vec(2, 2, 2.01));
    world->step();
    ASSERT_TRUE(MemberPoint(jo, values));
    EXPECT_TRUE(near(values, vec(35, 72, 80), 0));
    EXPECT_EQ(r.toParent.size(), 2u);

    // Once out, walking into the hab's box brings the member aboard.
    world->placeNear(jo, hab, vec(0, 0, 1));
    world->step(5);
    EXPECT_EQ(world->find("Vemo_Jo"), nullptr);
    EXPECT_EQ(world->focus(), hab);
    EXPECT_EQ(CrewTotal(), crew);
}

TEST_F(CompanionTest, LeavesTransferVesselsToTheCrewLibrary) {
    makeWorld();
    OBJHANDLE carrier = create(*world, "VemoTHab", "Vemo", testsupport::kOrbit + vec(3000, 0, 0));
    OBJHANDLE other = create(*world, "Walker", "Vemo", testsupport::kOrbit + vec(4000, 0, 0));
    world->step(3);
    EXPECT_EQ(rec(*world, carrier).toParent.size(), 1u);
    EXPECT_EQ(rec(*world, other).toParent.size(), 1u);
}

// A transfer vessel's "V-em" point is made by another module: values on it that are no
// member's (beyond int, not a number, outside the roster's limits) are not saved as they are,
// since they would not load back and the member would be gone with them.
TEST_F(CompanionTest, TransferVesselSavesOnlyValuesThatLoadBack) {
    makeWorld();
    OBJHANDLE carrier = create(*world, "VemoTHab", "Vemo", vec(3000, 0, 0));
    const VECTOR3 zero = vec(0, 0, 0);
    world->interfaceOf(carrier)->CreateAttachment(true, vec(1e300, std::nan(""), -5), zero, zero,
                                                  "V-em", false);
    const sim::ScenarioFile saved = world->save();
    makeWorld();
    ASSERT_TRUE(world->load(saved));
    EXPECT_TRUE(events(*world, sim::ev::kScenarioLine).empty()) << dumpEvents(*world);
    world->step();
    VECTOR3 values;
    ASSERT_TRUE(MemberPoint(world->find("VemoTHab"), values));
    EXPECT_TRUE(near(values, vec(41, 60, 75), 0));
}

TEST_F(CompanionTest, SavedMemberSurvivesAReload) {
    makeWorld();
    OBJHANDLE hab = create(*world, "Hab", "crewhab", testsupport::kOrbit + vec(100, 0, 0));
    root->write("config/Vemotmp.cfg", Record("Vemo_Out", 35, 72, 80));
    OBJHANDLE out = create(*world, "Vemo_Out", "Vemo", testsupport::kOrbit + vec(3000, 0, 0));
    root->write("config/Vemotmp.cfg", Record("Vemo_In", 40, 70, 90));
    OBJHANDLE in = create(*world, "Vemo_In", "Vemo");
    world->placeNear(in, hab, vec(0, 0, 0));
    world->step();
    const int crew = CrewTotal();
    sim::ScenarioFile saved = world->save();
    // The record file now belongs to somebody else.
    root->write("config/Vemotmp.cfg", Record("Vemo_Out", 1, 1, 5));

    makeWorld();
    ASSERT_TRUE(world->load(saved));
    out = world->find("Vemo_Out");
    in = world->find("Vemo_In");
    hab = world->find("Hab");
    // Out had stepped out before: it shows its point at once, even inside the box (the hab
    // scans before Out's step in list order).
    world->placeNear(out, hab, vec(0, 0, 0));
    world->step();
    VECTOR3 values;
    ASSERT_TRUE(MemberPoint(out, values));
    EXPECT_TRUE(near(values, vec(35, 72, 80), 0));
    EXPECT_FALSE(MemberPoint(in, values)) << "has not stepped out yet";
    world->placeNear(in, hab, vec(0, 0, 4));
    world->step();
    ASSERT_TRUE(MemberPoint(in, values));
    EXPECT_TRUE(near(values, vec(40, 70, 90), 0));
    EXPECT_EQ(CrewTotal(), crew);
    EXPECT_TRUE(events(*world, sim::ev::kScenarioLine).empty()) << dumpEvents(*world);
}

// Many members stepping out in one frame: they walk the vessel list once between them, and
// each still tells the boxes it stands in (edges included) from those it does not, whatever
// capsule they belong to, however the capsule is turned and however many share a cell.
TEST_F(CompanionTest, MembersSteppingOutTogetherWalkTheListOnce) {
    makeWorld();
    struct Case {
        VECTOR3 offset;  // from the capsule, in its frame, m
        bool out;
    };
    const Case cases[] = {{vec(0, 0, 0), false},    {vec(2, 2, 2), false},
                          {vec(-2, -2, -2), false}, {vec(2, 2, 2.01), true},
                          {vec(-2.01, 0, 0), true}, {vec(0, 9, 0), true}};
    constexpr int kPods = 12;
    std::vector<OBJHANDLE> pods;
    for (int k = 0; k < kPods; ++k) {
        pods.push_back(create(*world, "Pod" + std::to_string(k), "vemopod",
                              testsupport::kOrbit + vec(37.3 * k, -11.1 * k, 5.7 * k)));
        if (k % 3 == 1)  // turned a quarter about its y axis
            world->setRotation(pods.back(), sim::mat(0, 0, 1, 0, 1, 0, -1, 0, 0));
    }
    // A box of 200 m far away makes the cells large enough to hold several capsules each.
    OBJHANDLE big = create(*world, "Big", "Vemo", testsupport::kOrbit + vec(5000, 0, 0));
    oapiGetVesselInterface(big)->CreateAttachment(false, vec(-100, 100, -100),
                                                  vec(100, -100, 100), vec(0, 0, 0), "Vemo");
    world->step();
    world->setTraceNew(true);
    std::vector<std::pair<OBJHANDLE, bool>> members;
    for (int k = 0; k < kPods; ++k) {
        for (const Case &c : cases) {
            OBJHANDLE m = create(*world, "Vemo_M" + std::to_string(members.size()), "Vemo");
            world->placeNear(m, pods[k], c.offset);
            members.emplace_back(m, c.out);
        }
    }
    world->step();
    std::size_t lookups = 0;
    for (std::size_t i = 0; i < members.size(); ++i) {
        VECTOR3 values;
        EXPECT_EQ(MemberPoint(members[i].first, values), members[i].second) << "member " << i;
        const std::vector<std::string> &trace = rec(*world, members[i].first).trace;
        lookups += std::count(trace.begin(), trace.end(), "oapiGetVesselByIndex");
    }
    EXPECT_LE(lookups, world->vessels().size());
}
