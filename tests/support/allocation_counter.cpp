// Every ordinary form of new and delete is replaced, so that no pair is mixed with the
// runtime's own (the sanitizers check that). The blocks come from malloc and go back to free.
#include "allocation_counter.h"

#include <link.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace alloccount {
namespace {

std::atomic<long> g_allocations{0};
std::atomic<long> g_frees{0};
bool g_armed = false;
bool g_failNothrow = false;
Counts g_counts;
const char *g_moduleFile = nullptr;
std::uintptr_t g_moduleLo = 0, g_moduleHi = 0;
int g_copies = 0;

// Counts the copies of g_moduleFile and spans the address range of their segments.
int findModule(dl_phdr_info *info, size_t, void *) {
    const char *name = info->dlpi_name;
    const size_t n = name ? std::strlen(name) : 0;
    const size_t m = std::strlen(g_moduleFile);
    if (n < m + 1 || name[n - m - 1] != '/' || std::strcmp(name + n - m, g_moduleFile) != 0)
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

bool fromModule(void *caller) {
    auto a = reinterpret_cast<std::uintptr_t>(caller);
    return a >= g_moduleLo && a < g_moduleHi;
}

void *allocate(std::size_t n, void *caller, bool nothrow) {
    ++g_allocations;
    bool module = false;
    if (g_armed) {
        ++g_counts.total;
        module = fromModule(caller);
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
[[gnu::noinline]] void release(void *p) {
    if (!p)
        return;
    ++g_frees;
    if (g_armed) {
        if (g_counts.frees < kMaxFrees)
            g_counts.freed[g_counts.frees] = p;
        ++g_counts.frees;
    }
    std::free(p);
}

}  // namespace

long allocations() {
    return g_allocations.load();
}

long liveBlocks() {
    return g_allocations.load() - g_frees.load();
}

int Counts::timesFreed(const void *p) const {
    int n = 0;
    for (long i = 0; i < frees && i < kMaxFrees; ++i)
        if (freed[i] == p)
            ++n;
    return n;
}

void arm(const char *moduleFile) {
    moduleCopies(moduleFile);
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

int moduleCopies(const char *moduleFile) {
    g_moduleFile = moduleFile;
    g_moduleLo = g_moduleHi = 0;
    g_copies = 0;
    dl_iterate_phdr(findModule, nullptr);
    return g_copies;
}

}  // namespace alloccount

// The process-wide allocation functions. A module's references bind to these like everyone
// else's; the caller's address tells whose allocation it is.
#define CALLER __builtin_extract_return_addr(__builtin_return_address(0))

void *operator new(std::size_t n) {
    void *p = alloccount::allocate(n, CALLER, false);
    if (!p)
        throw std::bad_alloc();
    return p;
}
void *operator new[](std::size_t n) {
    void *p = alloccount::allocate(n, CALLER, false);
    if (!p)
        throw std::bad_alloc();
    return p;
}
void *operator new(std::size_t n, const std::nothrow_t &) noexcept {
    return alloccount::allocate(n, CALLER, true);
}
void *operator new[](std::size_t n, const std::nothrow_t &) noexcept {
    return alloccount::allocate(n, CALLER, true);
}
void operator delete(void *p) noexcept {
    alloccount::release(p);
}
void operator delete[](void *p) noexcept {
    alloccount::release(p);
}
void operator delete(void *p, std::size_t) noexcept {
    alloccount::release(p);
}
void operator delete[](void *p, std::size_t) noexcept {
    alloccount::release(p);
}
void operator delete(void *p, const std::nothrow_t &) noexcept {
    alloccount::release(p);
}
void operator delete[](void *p, const std::nothrow_t &) noexcept {
    alloccount::release(p);
}
