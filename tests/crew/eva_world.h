// Test world for EVA, transfer and returning crew: a fresh runtime root, a headless world, a
// crew-capable vessel class with a docking port ("Hab"), a stand-in crew-member class
// ("Vemo", one to-parent point of its own, as the companion's class brings), and a plain
// class for docked vessels without a crew airlock ("Plain").
#ifndef VEMO_TESTS_EVA_WORLD_H
#define VEMO_TESTS_EVA_WORLD_H

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "AirlockSlot.h"
#include "CrewManager.h"
#include "CrewWalk.h"
#include "World.h"
#include "crew_root.h"
#include "test_support.h"

namespace evatest {

constexpr double kHabMass = 1000.0;  // kg
constexpr int kHabSeats = 8;
constexpr double kHabStandHeight = 1.5;  // m, its origin above the ground when landed

class Hab final : public VESSEL2 {
public:
    Hab(OBJHANDLE hVessel, int fmodel) : VESSEL2(hVessel, fmodel), crew() {}
    void clbkSetClassCaps(FILEHANDLE) override {
        SetEmptyMass(kHabMass);
        SetTouchdownPoints(sim::vec(0, -kHabStandHeight, 2), sim::vec(-2, -kHabStandHeight, -2),
                           sim::vec(2, -kHabStandHeight, -2));
        CreateDock(sim::vec(0, 0, -3), sim::vec(0, 0, -1), sim::vec(0, 1, 0));
        crew.InitCrewManager(GetHandle());
        crew.DefineAirlockShape(1, -2, 2, -2, 2, -2, 2);
        crew.SetMaxSeatCount(kHabSeats);
    }
    void clbkPostStep(double, double, double) override {
        if (processEachStep) {
            lastProcess = crew.ProcessReturningCrew();
        }
    }
    static inline bool processEachStep = false;
    int lastProcess = 0;
    CrewManager crew;
};

// Stands in for the companion's crew-member class: its own to-parent point, nothing else.
class Member final : public VESSEL2 {
public:
    using VESSEL2::VESSEL2;
    void clbkSetClassCaps(FILEHANDLE) override {
        CreateAttachment(true, sim::vec(0, 0, 0), sim::vec(0, 0, 1), sim::vec(0, 1, 0), "GRIP");
    }
};

class Plain final : public VESSEL2 {
public:
    using VESSEL2::VESSEL2;
    void clbkSetClassCaps(FILEHANDLE) override {
        CreateDock(sim::vec(0, 0, 3), sim::vec(0, 0, 1), sim::vec(0, 1, 0));
    }
};

using crewroot::Register;

class EvaWorldTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(crewroot::EnterFreshRoot("/tmp/vemoeva-XXXXXX", root_, previousDir_));
        // The companion module counts as installed when its file is there.
        std::ofstream(root_ / "modules" / "Vemo.dll") << "companion";
        ResetCrewModuleStateForTesting();
        Hab::processEachStep = false;
        MakeWorld(0.1);
    }

    void TearDown() override {
        // Crew conservation: nobody appears or vanishes, whatever the test did.
        if (expectedCrew_ >= 0) {
            EXPECT_EQ(CrewTotal(), expectedCrew_) << "members aboard plus members outside";
        }
        world_.reset();
        crewroot::LeaveRoot(root_, previousDir_);
    }

    // A world with the classes above; without `memberClass`, there is no class "Vemo" at all.
    void MakeWorld(double step, bool memberClass = true) {
        world_.reset();
        sim::WorldOptions options;
        options.root = root_.string();
        options.step = step;
        world_ = std::make_unique<sim::World>(options);
        Register<Hab>(*world_, "Hab");
        if (memberClass) {
            Register<Member>(*world_, "Vemo");
        }
        Register<Plain>(*world_, "Plain");
    }

    sim::World &world() { return *world_; }

    // A vessel of the class at rest at `offset` from the point in orbit where the tests fly.
    OBJHANDLE Make(const std::string &name, const std::string &cls,
                   const VECTOR3 &offset = sim::vec(0, 0, 0)) {
        std::string error;
        OBJHANDLE h = world_->createVessel(
            name, cls, sim::makeStatus(sim::operator+(testsupport::kOrbit, offset)), &error);
        EXPECT_NE(h, nullptr) << error;
        return h;
    }
    OBJHANDLE MakeHab(const std::string &name, const VECTOR3 &offset = sim::vec(0, 0, 0)) {
        return Make(name, "Hab", offset);
    }

    // A crew-member vessel of the stand-in class at a local offset of a vessel, carrying the
    // member's values on its "V-em" point.
    OBJHANDLE MakeMember(const std::string &name, OBJHANDLE near, const VECTOR3 &offset,
                         const VECTOR3 &values) {
        OBJHANDLE h = Make(name, "Vemo");
        world_->placeNear(h, near, offset);
        AddPoint(h, true, "V-em", values);
        return h;
    }

    static ATTACHMENTHANDLE AddPoint(OBJHANDLE h, bool toParent, const char *id, const VECTOR3 &pos,
                                     const VECTOR3 &rot = sim::vec(0, 0, 0),
                                     const VECTOR3 &dir = sim::vec(0, 0, 0)) {
        return oapiGetVesselInterface(h)->CreateAttachment(toParent, pos, dir, rot, id);
    }

    static Hab &HabOf(OBJHANDLE h) { return *static_cast<Hab *>(oapiGetVesselInterface(h)); }
    static CrewManager &Crew(OBJHANDLE h) { return HabOf(h).crew; }
    static const AirlockSlot &Slot(OBJHANDLE h) { return Crew(h).GetAirlock(); }

    // Steps the world until this vessel alone, looking for crew after each step, takes a
    // member in, or until the module's walk has been over the whole vessel list once (a scan
    // period and a step): what it took in, or 0. A step ends the frame of a scan that took
    // someone in, so the vessel it deleted is gone when this returns.
    int ScanNow(OBJHANDLE h) {
        const double step = world_->options().step;
        for (double looked = 0.0; looked < RETURNING_CREW_SCAN_PERIOD; looked += step) {
            world_->step();
            const int result = Crew(h).ProcessReturningCrew();
            if (result != 0) {
                world_->step();
                return result;
            }
        }
        return 0;
    }

    // Members aboard every Hab plus crew-member vessels outside.
    int CrewTotal() const {
        int total = 0;
        for (const sim::VesselRecord *v : world_->vessels()) {
            if (v->className == "Hab") {
                total += static_cast<Hab *>(v->instance)->crew.GetCrewCount();
            } else if (v->className == "Vemo" &&
                       (v->name.rfind("Vemo_", 0) == 0 || v->name.rfind("VemoT", 0) == 0)) {
                ++total;
            }
        }
        return total;
    }
    // From here on the test's crew count must not change.
    void StartCounting() { expectedCrew_ = CrewTotal(); }

    std::vector<unsigned char> ReadBytes(const std::string &relative) const {
        std::ifstream in(root_ / relative, std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
    }
    void WriteBytes(const std::string &relative, const std::vector<unsigned char> &bytes) const {
        std::ofstream out(root_ / relative, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    bool Exists(const std::string &relative) const {
        return std::filesystem::exists(root_ / relative);
    }

    // The last to-parent point of a vessel, when it is "V-em": its position vector.
    static bool MemberValues(OBJHANDLE h, VECTOR3 &values) {
        VESSEL *v = oapiGetVesselInterface(h);
        DWORD n = v->AttachmentCount(true);
        if (n == 0) {
            return false;
        }
        ATTACHMENTHANDLE a = v->GetAttachmentHandle(true, n - 1);
        if (std::strcmp(v->GetAttachmentId(a), "V-em") != 0) {
            return false;
        }
        VECTOR3 dir, rot;
        v->GetAttachmentParams(a, values, dir, rot);
        return true;
    }

    std::filesystem::path root_;

private:
    std::filesystem::path previousDir_;
    std::unique_ptr<sim::World> world_;
    int expectedCrew_ = -1;
};

// Relative paths of the hand-over files on this platform.
inline const std::string kEvaFile = "config/Vemotmp.cfg";
inline const std::string kTransferFile = "config/VemotmpT.cfg";

inline std::string Roster(const CrewManager &c) {
    std::string s;
    for (int i = 0; i < c.GetCrewCount(); ++i) {
        s += std::string(c.GetCrewMember(i)->missionId) + "-" + c.GetCrewMember(i)->name + "-" +
             std::to_string(c.GetCrewMember(i)->age) + "-" +
             std::to_string(c.GetCrewMember(i)->pulse) + "-" +
             std::to_string(static_cast<int>(c.GetCrewMember(i)->weight)) + ";";
    }
    return s;
}

}  // namespace evatest

#endif  // VEMO_TESTS_EVA_WORLD_H
