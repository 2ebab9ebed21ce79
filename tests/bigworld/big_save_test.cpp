// Saving a world of many capsules: a capsule looks for the transfer vessel that may bring it a
// member by that vessel's name, so a save walks the vessel list for no capsule. Counted in the
// host calls each capsule makes while it saves (the world's call traces).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

constexpr int kCapsules = 40;
constexpr int kRocksPerCapsule = 10;
constexpr char kAwaitedLine[] = "VEMOTRANSFER T1-On_The_Way-40-60-70";

class Rock final : public VESSEL2 {
public:
    using VESSEL2::VESSEL2;
};

sim::ShipBlock ship(const std::string &name, const std::string &cls,
                    std::vector<std::string> lines = {}) {
    sim::ShipBlock b;
    b.name = name;
    b.className = cls;
    b.lines = {"STATUS Orbiting Earth", "RPOS 6778000 0 0"};
    b.lines.insert(b.lines.end(), lines.begin(), lines.end());
    return b;
}

std::string capsuleName(int k) {
    return "P" + std::to_string(100 + k);
}

class BigSave : public testsupport::WorldTest {};

TEST_F(BigSave, NoCapsuleWalksTheListToSave) {
    struct Case {
        const char *what;
        int awaiting;        // the capsule a transfer vessel waits for, -1 for none
        bool namesakeFirst;  // a vessel of another class carries that name before it
        long walksAtMost;    // list lookups all capsules make between them
    };
    for (const Case c :
         {Case{"nobody awaited", -1, false, 0}, Case{"one transfer waiting", 7, false, 0},
          // The first vessel of the name is not the transfer vessel: that
          // capsule alone looks further, and still finds it.
          Case{"a namesake first", 11, true, kCapsules * (kRocksPerCapsule + 1) + 3}}) {
        SCOPED_TRACE(c.what);
        makeWorld();
        world->registerClass(
            "Rock", [](OBJHANDLE h, int fm) -> VESSEL * { return new Rock(h, fm); },
            [](VESSEL *v) { delete static_cast<Rock *>(v); });
        sim::ScenarioFile scn;
        for (int k = 0; k < kCapsules; ++k) {
            for (int r = 0; r < kRocksPerCapsule; ++r)
                scn.ships.push_back(ship("R" + std::to_string(k * kRocksPerCapsule + r), "Rock"));
            std::vector<std::string> crew = {"VEMOCREW A01-John_Doe-35-72-80"};
            if (k == c.awaiting)
                crew.push_back(kAwaitedLine);
            scn.ships.push_back(ship(capsuleName(k), "vemopod", crew));
        }
        if (c.awaiting >= 0) {
            const std::string transfer = "VemoT" + capsuleName(c.awaiting);
            if (c.namesakeFirst)
                scn.ships.push_back(ship(transfer, "Rock"));
            scn.ships.push_back(ship(transfer, "Vemo", {"MEMBER 40 60 70", "OUTSIDE 1"}));
        }
        world->setTraceNew(true);
        std::string why;
        ASSERT_TRUE(world->load(scn, &why)) << why;
        world->step(3);
        for (sim::VesselRecord *v : world->vessels())
            v->trace.clear();

        const sim::ScenarioFile saved = world->save();
        long walks = 0;
        for (const sim::VesselRecord *v : world->vessels()) {
            if (v->className == "vemopod")
                walks += std::count(v->trace.begin(), v->trace.end(), "oapiGetVesselByIndex");
        }
        EXPECT_LE(walks, c.walksAtMost);
        if (c.walksAtMost == 0) {
            EXPECT_EQ(walks, 0);
        }
        for (const sim::ShipBlock &b : saved.ships) {
            if (b.className != "vemopod")
                continue;
            const bool awaited = b.name == capsuleName(c.awaiting);
            EXPECT_EQ(std::count(b.lines.begin(), b.lines.end(), kAwaitedLine), awaited ? 1 : 0)
                << b.name;
        }
    }
}

}  // namespace
