// Counts every ordinary form of operator new in a host-side program (the tests that check the
// per-step path allocates nothing, and the benchmarks). Link the `alloccounter` object library
// in: AllocationCounter.cpp replaces the process's operator new and delete.
#ifndef VEMO_ALLOCATION_ALLOCATIONCOUNTER_H
#define VEMO_ALLOCATION_ALLOCATIONCOUNTER_H

namespace alloccount {

// Allocations made by the whole process since it started; callers take differences.
long Allocations();

}  // namespace alloccount

#endif
