// Every ordinary form of new and delete is replaced, so that no pair is mixed with the
// runtime's own (the sanitizers check that). The frees go to the same malloc.
#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> g_allocations{0};

void *CountedAlloc(std::size_t n) {
    ++g_allocations;
    return std::malloc(n ? n : 1);
}
}  // namespace

long alloccount::Allocations() {
    return g_allocations.load();
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
