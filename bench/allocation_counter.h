#pragma once

// Counts heap allocations of the whole process. Linking allocation_counter.cpp
// into a program replaces the global operator new and the C allocation
// functions (malloc, calloc, realloc, aligned_alloc, posix_memalign) with
// counting versions that hand the work on to the C library's allocator, so
// that Box2D's own allocations (which use malloc) are seen as well as those of
// C++ containers.

#include <cstdint>

namespace glidestone::bench {

struct AllocationCount {
    std::uint64_t heap = 0;          // every allocation call, operator new included
    std::uint64_t operator_new = 0;  // the part made through operator new
};

// Totals since the program started.
AllocationCount CountAllocations();

inline AllocationCount operator-(const AllocationCount& a, const AllocationCount& b) {
    return {a.heap - b.heap, a.operator_new - b.operator_new};
}

}  // namespace glidestone::bench
