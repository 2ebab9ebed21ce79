// Counts every ordinary form of operator new in the benchmark process while counting is on.
// The frees go to the same malloc, so no pair is mixed with the runtime's own.
#include <cstdlib>
#include <new>

#include "BenchReport.h"

namespace {
bool g_counting = false;
long g_allocations = 0;

void *CountedAlloc(std::size_t n) {
    if (g_counting)
        ++g_allocations;
    return std::malloc(n ? n : 1);
}
}  // namespace

void bench::StartCountingAllocations() {
    g_allocations = 0;
    g_counting = true;
}
long bench::StopCountingAllocations() {
    g_counting = false;
    return g_allocations;
}

void *operator new(std::size_t n) {
    if (void *p = CountedAlloc(n))
        return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t n) {
    if (void *p = CountedAlloc(n))
        return p;
    throw std::bad_alloc();
}
void *operator new(std::size_t n, const std::nothrow_t &) noexcept {
    return CountedAlloc(n);
}
void *operator new[](std::size_t n, const std::nothrow_t &) noexcept {
    return CountedAlloc(n);
}
void operator delete(void *p) noexcept {
    std::free(p);
}
void operator delete[](void *p) noexcept {
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void *p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void *p, const std::nothrow_t &) noexcept {
    std::free(p);
}
void operator delete[](void *p, const std::nothrow_t &) noexcept {
    std::free(p);
}
