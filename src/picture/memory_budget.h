#pragma once

#include <cstdint>
#include <string>

namespace pellumir {

// Pictures are held to fewer than 2^31 pixels (8 GiB of RGBE and 6 GiB more
// for the display), however short their file or small their claim on
// memory. Cause when exceeded: "the picture has more than 2^31 - 1 pixels".
inline constexpr uint64_t kLargestPicturePixels = INT32_MAX;

// The bytes the process may still take: the smallest of the room left in
// physical memory, under RLIMIT_AS and RLIMIT_DATA, and under the
// memory.max and memory.high of the process's cgroup and of every cgroup
// above it (cgroup v2; the v1 memory controller's limit too), each limit
// less what is already in use under it. Blocks beyond it fail their
// allocation instead of being granted as untouched virtual memory and then
// killing the process when the pixels arrive.
uint64_t memoryBudget();

// Overrides the budget (0 restores the machine's own). For tests.
void setMemoryBudgetForTesting(uint64_t bytes);

// Whether a block of `bytes` may be asked for now.
inline bool withinMemoryBudget(uint64_t bytes) {
    return bytes <= memoryBudget();
}

// What a picture of width x height takes once it is shown: its RGBE block
// (4 bytes a pixel) and row array, and the display bitmap's block (3 bytes
// a pixel, rows padded to 4 bytes) and row array. False when the sum does
// not fit in 64 bits.
bool shownPictureBytes(uint32_t width, uint32_t height, uint64_t& bytes);

// Whether a picture may be read at all: fewer than kLargestPicturePixels,
// and the picture with its display within memoryBudget(). Every reader asks
// before it allocates, so that a picture that does not fit fails at once.
// Cause when false: "the picture needs more memory than the process may
// take".
bool pictureFitsInMemory(uint32_t width, uint32_t height);

// The room that the cgroups of a process leave, from the text of its
// /proc/<pid>/cgroup and the mount points of the cgroup v2 hierarchy and
// of the v1 memory controller; UINT64_MAX where no limit is set. For
// memoryBudget(), and for tests over a made-up tree.
uint64_t cgroupRoom(const std::string& membership, const std::string& unifiedRoot,
                    const std::string& memoryRoot);

// product = a * b; false when the product does not fit in 64 bits.
bool checkedProduct(uint64_t a, uint64_t b, uint64_t& product);

}  // namespace pellumir
