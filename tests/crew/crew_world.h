// Test world for the crew library: a fresh runtime root to run in, a headless world, and a
// small crew-capable vessel class that embeds a CrewManager the way a vessel module does.
#ifndef VEMO_TESTS_CREW_WORLD_H
#define VEMO_TESTS_CREW_WORLD_H

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "AirlockSlot.h"
#include "CrewManager.h"
#include "CrewWalk.h"
#include "World.h"
#include "crew_root.h"
#include "test_support.h"

namespace crewtest {

constexpr double kClassEmptyMass = 100.0;  // kg, what the test class sets

// Sets its mass and, unless told otherwise, its crew manager with an open airlock of +-2 m on
// every axis; keeps its roster in the scenario as a vessel module does.
class CrewTester final : public VESSEL2 {
public:
    CrewTester(OBJHANDLE hVessel, int fmodel) : VESSEL2(hVessel, fmodel) {
        std::memset(&crew, 0, sizeof crew);  // a vessel instance starts zeroed
    }
    void clbkSetClassCaps(FILEHANDLE) override {
        SetEmptyMass(kClassEmptyMass);
        if (setUpOnCreation) {
            initResult = crew.InitCrewManager(GetHandle());
            crew.DefineAirlockShape(1, -2, 2, -2, 2, -2, 2);
        }
    }
    void clbkLoadStateEx(FILEHANDLE scn, void *status) override {
        char *line = nullptr;
        while (oapiReadScenario_nextline(scn, line)) {
            if (crew.LoadCrewLine(line) != 1) {
                ParseScenarioLineEx(line, status);
            }
        }
    }
    void clbkSaveState(FILEHANDLE scn) override {
        SaveDefaultState(scn);
        crew.SaveCrewLines(scn);
    }

    static inline bool setUpOnCreation = true;
    int initResult = 0;
    CrewManager crew;
};

inline ::testing::AssertionResult VectorIs(const VECTOR3 &v, double x, double y, double z) {
    if (v.x == x && v.y == y && v.z == z) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}

class CrewWorldTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(crewroot::EnterFreshRoot("/tmp/vemocrew-XXXXXX", root_, previousDir_));
        InstallCompanion(true);
        ResetCrewModuleStateForTesting();
        sim::WorldOptions options;
        options.root = root_.string();
        world_ = std::make_unique<sim::World>(options);
        crewroot::Register<CrewTester>(*world_, "CrewTester");
    }

    void TearDown() override {
        world_.reset();
        crewroot::LeaveRoot(root_, previousDir_);
    }

    // The companion module counts as installed when its file is present.
    void InstallCompanion(bool present) {
        if (present) {
            std::ofstream(root_ / "modules" / "Vemo.dll") << "companion";
        } else {
            std::filesystem::remove(root_ / "modules" / "Vemo.dll");
        }
    }

    OBJHANDLE MakeVessel(const std::string &name, bool setUp = true) {
        CrewTester::setUpOnCreation = setUp;
        std::string error;
        OBJHANDLE h =
            world_->createVessel(name, "CrewTester", sim::makeStatus(testsupport::kOrbit), &error);
        EXPECT_NE(h, nullptr) << error;
        return h;
    }

    static CrewTester &Vessel(OBJHANDLE h) {
        return *static_cast<CrewTester *>(oapiGetVesselInterface(h));
    }
    static CrewManager &Crew(OBJHANDLE h) { return Vessel(h).crew; }

    // Reads the airlock point "Vemo" the way another vessel does: {pos, dir, rot}. Fails the
    // test unless the vessel carries exactly one such point.
    static std::array<VECTOR3, 3> Airlock(OBJHANDLE h) {
        std::array<VECTOR3, 3> p{};
        VESSEL *v = oapiGetVesselInterface(h);
        int found = 0;
        for (DWORD i = 0; i < v->AttachmentCount(false); ++i) {
            ATTACHMENTHANDLE a = v->GetAttachmentHandle(false, i);
            if (std::strcmp(v->GetAttachmentId(a), "Vemo") == 0 && found++ == 0) {
                v->GetAttachmentParams(a, p[0], p[1], p[2]);
            }
        }
        EXPECT_EQ(found, 1) << "airlock points";
        return p;
    }
    static bool HasAirlock(OBJHANDLE h) {
        VESSEL *v = oapiGetVesselInterface(h);
        for (DWORD i = 0; i < v->AttachmentCount(false); ++i) {
            if (std::strcmp(v->GetAttachmentId(v->GetAttachmentHandle(false, i)), "Vemo") == 0) {
                return true;
            }
        }
        return false;
    }

    sim::World &world() { return *world_; }

    std::filesystem::path root_;

private:
    std::filesystem::path previousDir_;
    std::unique_ptr<sim::World> world_;
};

}  // namespace crewtest

#endif  // VEMO_TESTS_CREW_WORLD_H
