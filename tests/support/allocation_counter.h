// Counts the allocations of a host-side program: the tests that check a path allocates
// nothing, and the benchmarks that report it. Linking the `alloccounter` object library in
// replaces every ordinary form of operator new and delete of the process.
//
// Every allocation is counted. While armed, the counter also tells the allocations made by
// the code of one loaded vessel module from everyone else's (by the caller's address), keeps
// the blocks it made and the blocks freed by anyone (a module's last call may jump to
// operator delete without returning), and can make the module's nothrow allocations fail.
#ifndef VEMO_TESTS_SUPPORT_ALLOCATION_COUNTER_H
#define VEMO_TESTS_SUPPORT_ALLOCATION_COUNTER_H

#include <cstddef>

namespace alloccount {

// Allocations made by the whole process since it started; callers take differences.
long allocations();
// Blocks allocated and not yet freed, by the whole process.
long liveBlocks();

// Allocations made while f runs.
template <class F>
long allocationsIn(F &&f) {
    const long before = allocations();
    f();
    return allocations() - before;
}

constexpr int kMaxRecords = 64;   // module allocations kept, the first ones
constexpr int kMaxFrees = 16384;  // frees kept, the first ones

struct Record {
    void *ptr;
    std::size_t size;
};

// What was counted since the counter was armed.
struct Counts {
    long total;       // allocations by anyone
    long fromModule;  // allocations whose caller is the module
    Record moduleAllocs[kMaxRecords];
    long frees;  // blocks freed by anyone
    void *freed[kMaxFrees];
    // How often this block was freed.
    int timesFreed(const void *p) const;
};

// Starts counting the allocations of the loaded module whose file name is `moduleFile`
// (such as "vemopod.dll"); the module must be loaded.
void arm(const char *moduleFile);
void disarm();
const Counts &counts();
// While set (and armed), nothrow allocations asked for by the module fail (answer null).
void failModuleNothrow(bool on);
// How many copies of the module the process has mapped.
int moduleCopies(const char *moduleFile);

}  // namespace alloccount

#endif
