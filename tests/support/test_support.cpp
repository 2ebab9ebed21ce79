#include "test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace testsupport {

std::string buildRoot() {
    return VEMO_BUILD_ROOT;
}
std::string sourceDir() {
    return VEMO_SOURCE_DIR;
}
std::string vemosimPath() {
    return VEMOSIM_PATH;
}

TempRoot::TempRoot(RootOptions options) {
    std::string templ = (fs::temp_directory_path() / "vemoroot-XXXXXX").string();
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data()))
        throw std::runtime_error("cannot make a temporary root folder");
    path_ = buf.data();
    fs::create_directories(fs::path(path_) / "modules");
    fs::create_directories(fs::path(path_) / "config");
    fs::create_directories(fs::path(path_) / "meshes" / "Vemo");
    fs::path built = fs::path(buildRoot()) / "modules";
    std::error_code ec;
    if (fs::is_directory(built, ec)) {
        for (const auto &entry : fs::directory_iterator(built)) {
            std::string name = entry.path().filename().string();
            if (!options.withCompanion && name == "Vemo.dll")
                continue;
            const fs::path target = fs::path(path_) / "modules" / name;
            // The crew library takes the companion as installed only when its module is a
            // regular file of the root, not a link out of it: a hard link, or a copy.
            if (name == "Vemo.dll") {
                fs::create_hard_link(entry.path(), target, ec);
                if (ec)
                    fs::copy_file(entry.path(), target, ec);
                continue;
            }
            fs::create_symlink(entry.path(), target, ec);
        }
    }
    // The class config files, as the install lays them out; a test may add its own.
    fs::create_directories(fs::path(path_) / "config" / "vessels");
    fs::path configs = fs::path(buildRoot()) / "config" / "vessels";
    if (fs::is_directory(configs, ec)) {
        for (const auto &entry : fs::directory_iterator(configs))
            fs::copy_file(entry.path(),
                          fs::path(path_) / "config" / "vessels" / entry.path().filename(), ec);
    }
    fs::path ver = fs::path(buildRoot()) / "meshes" / "Vemo" / "ver.dtf";
    if (options.withVersionFile && fs::exists(ver, ec))
        fs::copy_file(ver, fs::path(path_) / "meshes" / "Vemo" / "ver.dtf", ec);
    previousDir_ = fs::current_path().string();
    fs::current_path(path_);
}

TempRoot::~TempRoot() {
    std::error_code ec;
    fs::current_path(previousDir_, ec);
    fs::remove_all(path_, ec);
}

std::string TempRoot::file(const std::string &relative) const {
    return (fs::path(path_) / relative).string();
}

bool TempRoot::exists(const std::string &relative) const {
    std::error_code ec;
    return fs::exists(file(relative), ec);
}

std::string TempRoot::read(const std::string &relative) const {
    std::ifstream in(file(relative), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void TempRoot::write(const std::string &relative, const std::string &content) const {
    fs::create_directories(fs::path(file(relative)).parent_path());
    std::ofstream out(file(relative), std::ios::binary);
    out << content;
}

void TempRoot::remove(const std::string &relative) const {
    std::error_code ec;
    fs::remove(file(relative), ec);
}

void WorldTest::SetUp() {
    root = std::make_unique<TempRoot>(rootOptions());
    makeWorld();
}

void WorldTest::TearDown() {
    world.reset();
    root.reset();
}

sim::World &WorldTest::makeWorld(sim::WorldOptions options) {
    world.reset();
    options.root = root->path();
    world = std::make_unique<sim::World>(options);
    return *world;
}

OBJHANDLE create(sim::World &w, const std::string &name, const std::string &cls,
                 const VECTOR3 &rpos, const VECTOR3 &rvel) {
    std::string error;
    OBJHANDLE h = w.createVessel(name, cls, sim::makeStatus(rpos, rvel), &error);
    EXPECT_NE(h, nullptr) << "creating " << name << " (" << cls << "): " << error;
    return h;
}

const sim::VesselRecord &rec(sim::World &w, OBJHANDLE h) {
    const sim::VesselRecord *r = w.record(h);
    if (!r) {
        ADD_FAILURE() << "no vessel record for handle " << h;
        static sim::VesselRecord empty;
        return empty;
    }
    return *r;
}

const sim::VesselRecord *findRec(sim::World &w, const std::string &name) {
    return w.record(w.find(name));
}

AttachmentVectors attachment(sim::World &w, OBJHANDLE vessel, const std::string &id,
                             bool toParent) {
    AttachmentVectors out;
    const sim::VesselRecord *r = w.record(vessel);
    if (!r)
        return out;
    for (const sim::Attachment *a : toParent ? r->toParent : r->toChild)
        if (a->id == id) {
            out.found = true;
            out.pos = a->pos;
            out.dir = a->dir;
            out.rot = a->rot;
            break;
        }
    return out;
}

std::vector<sim::Event> events(const sim::World &w, const std::string &kind,
                               const std::string &vessel, const std::string &contains) {
    std::vector<sim::Event> out;
    for (const sim::Event &e : w.events())
        if (e.kind == kind && (vessel.empty() || e.vessel == vessel) &&
            e.text.find(contains) != std::string::npos)
            out.push_back(e);
    return out;
}

std::string dumpEvents(const sim::World &w) {
    std::ostringstream os;
    for (const sim::Event &e : w.events())
        os << e.time << " " << e.vessel << " " << e.kind << ": " << e.text << "\n";
    return os.str();
}

::testing::AssertionResult near(const VECTOR3 &a, const VECTOR3 &b, double tol) {
    for (int i = 0; i < 3; ++i)
        if (!(std::abs(a.data[i] - b.data[i]) <= tol))
            return ::testing::AssertionFailure()
                   << "(" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x << ", " << b.y
                   << ", " << b.z << "), tolerance " << tol;
    return ::testing::AssertionSuccess();
}

}  // namespace testsupport
