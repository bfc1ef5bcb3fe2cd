#include "picture/huge_pages.h"

#include <sys/mman.h>
#include <unistd.h>

namespace pellumir {

void adviseHugePages(void* block, uint64_t bytes) {
    long pageSize = sysconf(_SC_PAGESIZE);
    if (!block || bytes < kHugePageWorthIt || pageSize <= 0) return;
    // madvise takes whole pages; the block's partial first and last pages
    // stay as they are.
    auto page = static_cast<uintptr_t>(pageSize);
    auto start = reinterpret_cast<uintptr_t>(block);
    uintptr_t first = (start + page - 1) / page * page;
    uintptr_t last = (start + static_cast<uintptr_t>(bytes)) / page * page;
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

}  // namespace pellumir
