#pragma once

#include <cstdint>

namespace pellumir {

// Blocks from this size up are worth the hint below.
inline constexpr uint64_t kHugePageWorthIt = uint64_t{8} << 20;

// Asks the kernel for huge pages over the untouched part of a fresh block.
// A large block's first touch costs one page fault per 4 KiB page, and those
// faults take longer than whatever is then written into the page; huge
// pages cut them by 512. Only a hint: the bytes are the same either way, and
// blocks smaller than kHugePageWorthIt are left alone.
void adviseHugePages(void* block, uint64_t bytes);

}  // namespace pellumir
