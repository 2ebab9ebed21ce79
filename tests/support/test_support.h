// Shared helpers for the test suites: a fresh runtime root per test, and small conveniences
// over sim::World.
#ifndef VEMO_TESTS_SUPPORT_TEST_SUPPORT_H
#define VEMO_TESTS_SUPPORT_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "World.h"

namespace testsupport {

// The runtime root laid out by the build, and the source tree.
std::string buildRoot();    // VEMO_BUILD_ROOT
std::string sourceDir();    // VEMO_SOURCE_DIR
std::string vemosimPath();  // VEMOSIM_PATH

struct RootOptions {
    bool withCompanion = true;    // modules/Vemo.dll present
    bool withVersionFile = true;  // meshes/Vemo/ver.dtf present
};

// A fresh temporary root folder: modules/ with links to the built modules (the companion's a
// regular file, as the crew library wants it), config/ with the class config files
// config/vessels/*.cfg copied, and meshes/Vemo/ver.dtf copied. The constructor changes into
// it, the destructor changes back and removes it.
class TempRoot {
public:
    explicit TempRoot(RootOptions options = {});
    ~TempRoot();
    TempRoot(const TempRoot &) = delete;
    TempRoot &operator=(const TempRoot &) = delete;

    const std::string &path() const { return path_; }
    std::string file(const std::string &relative) const;  // path/relative
    bool exists(const std::string &relative) const;
    std::string read(const std::string &relative) const;  // empty if missing
    void write(const std::string &relative, const std::string &content) const;
    void remove(const std::string &relative) const;

private:
    std::string path_;
    std::string previousDir_;
};

// A fixture that gives each test its own root (with the companion module, unless
// rootOptions() says otherwise) and a world with default options on it.
class WorldTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Remakes the world with these options (the old one ends first); root is filled in.
    sim::World &makeWorld(sim::WorldOptions options = {});
    virtual RootOptions rootOptions() const { return {}; }

    std::unique_ptr<TempRoot> root;
    std::unique_ptr<sim::World> world;
};

// While one lives, uses of destroyed vessels' handles are counted here instead of failing
// the test (tests/support/destroyed_handles.cpp, in every test program, fails it otherwise).
class ExpectDestroyedHandleUses {
public:
    ExpectDestroyedHandleUses();
    ~ExpectDestroyedHandleUses();
    ExpectDestroyedHandleUses(const ExpectDestroyedHandleUses &) = delete;
    ExpectDestroyedHandleUses &operator=(const ExpectDestroyedHandleUses &) = delete;

    void noteUse(const sim::Event &e) { uses_.push_back(e.text); }
    const std::vector<std::string> &uses() const { return uses_; }

private:
    ExpectDestroyedHandleUses *previous_;
    std::vector<std::string> uses_;
};

// Where the tests' vessels fly unless a test says otherwise: 400 km above the surface of
// Earth, the default reference body, on its +x axis. Vessels there fall at about 8.7 m/s^2,
// all alike, so where they are relative to each other changes only by the tiny difference
// in their gravity.
const VECTOR3 kOrbit = sim::vec(6778e3, 0, 0);
// The speed of a circular orbit there, m/s.
constexpr double kOrbitSpeed = 7668.6;

// Helpers over a world.
OBJHANDLE create(sim::World &w, const std::string &name, const std::string &cls,
                 const VECTOR3 &rpos = kOrbit, const VECTOR3 &rvel = sim::vec(0, 0, 0));
const sim::VesselRecord &rec(sim::World &w, OBJHANDLE h);  // fails the test if unknown
const sim::VesselRecord *findRec(sim::World &w, const std::string &name);  // live, or null

struct AttachmentVectors {
    bool found = false;
    VECTOR3 pos = sim::vec(0, 0, 0), dir = sim::vec(0, 0, 0), rot = sim::vec(0, 0, 0);
};
// The first attachment point with this id on the vessel (either kind), as the host holds it.
AttachmentVectors attachment(sim::World &w, OBJHANDLE vessel, const std::string &id,
                             bool toParent = false);
// Events of a kind whose vessel is `vessel` (any vessel if empty) and whose text contains
// `contains`.
std::vector<sim::Event> events(const sim::World &w, const std::string &kind,
                               const std::string &vessel = "", const std::string &contains = "");
// The whole log, one line per event: "t vessel kind: text".
std::string dumpEvents(const sim::World &w);

// Expects two vectors to match within tol.
::testing::AssertionResult near(const VECTOR3 &a, const VECTOR3 &b, double tol = 1e-9);

}  // namespace testsupport

#endif
