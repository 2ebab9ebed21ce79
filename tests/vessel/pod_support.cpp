#include "pod_support.h"

#include <dlfcn.h>
#include <link.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace podtest {

sim::ShipBlock podBlock(const std::string &name, std::vector<std::string> lines) {
    sim::ShipBlock b;
    b.name = name;
    b.className = kPodClass;
    b.lines = std::move(lines);
    return b;
}

OBJHANDLE loadShips(sim::World &w, const std::vector<sim::ShipBlock> &ships) {
    sim::ScenarioFile scn;
    scn.ships = ships;
    if (!ships.empty())
        scn.focus = ships.front().name;
    std::string error;
    bool ok = w.load(scn, &error);
    EXPECT_TRUE(ok) << error;
    return ok && !ships.empty() ? w.find(ships.front().name) : nullptr;
}

OBJHANDLE loadCrewedPod(sim::World &w, const std::string &name) {
    return loadShips(w, {podBlock(name, {kCrewLine})});
}

double deployState(const sim::VesselRecord &pod) {
    return pod.animations.size() > kDeployAnim ? pod.animations[kDeployAnim].state : -1.0;
}

const sim::ThrusterGroup *retroGroup(const sim::VesselRecord &pod) {
    return pod.groupByType[THGROUP_RETRO];
}

WORD meshVisibility(const sim::VesselRecord &pod, unsigned index) {
    return index < pod.meshes.size() ? pod.meshes[index].visibility : WORD(0xffff);
}

std::vector<std::string> crewLines(const sim::ShipBlock &block) {
    std::vector<std::string> out;
    for (const std::string &l : block.lines)
        if (l.rfind("VEMOCREW", 0) == 0)
            out.push_back(l);
    return out;
}

const sim::ShipBlock *findBlock(const sim::ScenarioFile &scn, const std::string &name) {
    for (const sim::ShipBlock &b : scn.ships)
        if (b.name == name)
            return &b;
    return nullptr;
}

// ---------------------------------------------------------------------------------------
namespace {

struct WalkerValues {
    int age = 35, pulse = 72, weight = 80;
};
WalkerValues g_nextWalker;

class Walker final : public VESSEL2 {
public:
    Walker(OBJHANDLE h, int fm, WalkerValues values) : VESSEL2(h, fm), values_(values) {}
    void clbkSetClassCaps(FILEHANDLE) override {
        SetEmptyMass(100.0);
        VECTOR3 zero = sim::vec(0, 0, 0), z = sim::vec(0, 0, 1), y = sim::vec(0, 1, 0);
        CreateAttachment(true, zero, z, y, "GRIP");
        CreateAttachment(true, sim::vec(values_.age, values_.pulse, values_.weight), zero, zero,
                         "V-em");
    }

private:
    WalkerValues values_;
};

}  // namespace

void registerWalker(sim::World &w) {
    w.registerClass(
        kWalkerClass,
        [](OBJHANDLE h, int fm) -> VESSEL * { return new Walker(h, fm, g_nextWalker); },
        [](VESSEL *v) { delete static_cast<Walker *>(static_cast<VESSEL2 *>(v)); });
}

OBJHANDLE makeWalker(sim::World &w, const std::string &name, OBJHANDLE near, const VECTOR3 &offset,
                     int age, int pulse, int weight) {
    g_nextWalker = {age, pulse, weight};
    std::string error;
    OBJHANDLE h = w.createVessel(name, kWalkerClass, sim::makeStatus(), &error);
    EXPECT_NE(h, nullptr) << error;
    if (h && near)
        w.placeNear(h, near, offset);
    return h;
}

std::string builtModulePath() {
    return testsupport::buildRoot() + "/modules/vemopod.dll";
}

// ---------------------------------------------------------------------------------------
namespace alloc {
namespace {

bool g_armed = false;
bool g_failNothrow = false;
Counts g_counts;
std::uintptr_t g_moduleLo = 0, g_moduleHi = 0;
int g_copies = 0;

int FindModule(dl_phdr_info *info, size_t, void *) {
    const char *name = info->dlpi_name;
    const size_t n = name ? std::strlen(name) : 0;
    const char suffix[] = "/vemopod.dll";
    if (n < sizeof suffix - 1 || std::strcmp(name + n - (sizeof suffix - 1), suffix) != 0)
        return 0;
    ++g_copies;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr) &ph = info->dlpi_phdr[i];
        if (ph.p_type != PT_LOAD)
            continue;
        std::uintptr_t lo = info->dlpi_addr + ph.p_vaddr;
        std::uintptr_t hi = lo + ph.p_memsz;
        if (g_moduleLo == 0 || lo < g_moduleLo)
            g_moduleLo = lo;
        if (hi > g_moduleHi)
            g_moduleHi = hi;
    }
    return 0;
}

bool FromModule(void *caller) {
    auto a = reinterpret_cast<std::uintptr_t>(caller);
    return a >= g_moduleLo && a < g_moduleHi;
}

void *Allocate(std::size_t n, void *caller, bool nothrow) {
    bool module = false;
    if (g_armed) {
        ++g_counts.total;
        module = FromModule(caller);
        if (module && nothrow && g_failNothrow)
            return nullptr;
    }
    void *p = std::malloc(n ? n : 1);
    if (g_armed && module) {
        if (g_counts.fromModule < kMaxRecords)
            g_counts.moduleAllocs[g_counts.fromModule] = {p, n};
        ++g_counts.fromModule;
    }
    return p;
}

// Kept out of line: inlined into the replaced operator delete, it makes the compiler pair
// free() with new and warn about a mismatch that is not there.
[[gnu::noinline]] void Release(void *p) {
    if (!p)
        return;
    if (g_armed) {
        if (g_counts.frees < kMaxFrees)
            g_counts.freed[g_counts.frees] = p;
        ++g_counts.frees;
    }
    std::free(p);
}

}  // namespace

int Counts::timesFreed(const void *p) const {
    int n = 0;
    for (long i = 0; i < frees && i < kMaxFrees; ++i)
        if (freed[i] == p)
            ++n;
    return n;
}

void arm() {
    moduleCopies();
    std::memset(&g_counts, 0, sizeof g_counts);
    g_armed = true;
}
void disarm() {
    g_armed = false;
    g_failNothrow = false;
}
const Counts &counts() {
    return g_counts;
}
void failModuleNothrow(bool on) {
    g_failNothrow = on;
}
int moduleCopies() {
    g_moduleLo = g_moduleHi = 0;
    g_copies = 0;
    dl_iterate_phdr(FindModule, nullptr);
    return g_copies;
}

}  // namespace alloc
}  // namespace podtest

// The process-wide allocation functions, replaced so the tests can see who allocates. The
// module's references bind to these like everyone else's.
#define CALLER __builtin_extract_return_addr(__builtin_return_address(0))

void *operator new(std::size_t n) {
    void *p = podtest::alloc::Allocate(n, CALLER, false);
    if (!p)
        throw std::bad_alloc();
    return p;
}
void *operator new[](std::size_t n) {
    void *p = podtest::alloc::Allocate(n, CALLER, false);
    if (!p)
        throw std::bad_alloc();
    return p;
}
void *operator new(std::size_t n, const std::nothrow_t &) noexcept {
    return podtest::alloc::Allocate(n, CALLER, true);
}
void *operator new[](std::size_t n, const std::nothrow_t &) noexcept {
    return podtest::alloc::Allocate(n, CALLER, true);
}
void operator delete(void *p) noexcept {
    podtest::alloc::Release(p);
}
void operator delete[](void *p) noexcept {
    podtest::alloc::Release(p);
}
void operator delete(void *p, std::size_t) noexcept {
    podtest::alloc::Release(p);
}
void operator delete[](void *p, std::size_t) noexcept {
    podtest::alloc::Release(p);
}
void operator delete(void *p, const std::nothrow_t &) noexcept {
    podtest::alloc::Release(p);
}
void operator delete[](void *p, const std::nothrow_t &) noexcept {
    podtest::alloc::Release(p);
}
