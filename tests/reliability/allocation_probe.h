#pragma once

#include <cstddef>
#include <cstdint>

namespace pellumir::test {

// Watches every malloc, calloc and realloc of the process (operator new,
// libtiff and the C library included) while armed: the largest single
// request, and the most bytes held at once beyond what was held when it
// was armed. Built into the test program by replacing the C library's
// allocator functions; not available under AddressSanitizer, which
// replaces them itself.
struct AllocationProbe {
    static bool available();

    AllocationProbe();   // arms
    ~AllocationProbe();  // disarms
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;

    // From now on malloc refuses every request of at least `bytes` but the
    // first (a picture's block is granted, a second one is not).
    void refuseAllButTheFirstFrom(uint64_t bytes);

    uint64_t largestRequest() const;
    uint64_t peakHeld() const;
};

}  // namespace pellumir::test
