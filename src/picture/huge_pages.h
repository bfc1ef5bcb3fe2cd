#pragma once

#include <cstdint>

namespace pellumir {

// Blocks from this size up are worth the hint below. A smaller block's
// whole huge pages are too few, often none at all: a 2 MiB block from
// malloc begins 16 bytes into its pages, so it holds no aligned 2 MiB page.
inline constexpr uint64_t kHugePageWorthIt = uint64_t{4} << 20;

// Asks the kernel for huge pages over the untouched part of a fresh block.
// A large block's first touch costs one page fault per 4 KiB page, and those
// faults take longer than whatever is then written into the page; huge
// pages cut them by 512. bench/first_touch_bench.cpp measures the first
// touch with and without the hint from 2 MiB to 1600 MiB: from 4 MiB up
// the hint pays at every size, the largest included, by several times.
// Only a hint: the bytes are the same either way, and blocks smaller than
// kHugePageWorthIt are left alone.
void adviseHugePages(void* block, uint64_t bytes);

}  // namespace pellumir
