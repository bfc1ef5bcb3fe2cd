#include "picture/row_block.h"

#include "picture/huge_pages.h"
#include "picture/memory_budget.h"

namespace pellumir {

bool rowBlockFits(uint64_t rowBytes, uint32_t height, uint64_t& blockBytes) {
    uint64_t pointerBytes = 0;
    return checkedProduct(rowBytes, height, blockBytes) &&
           checkedProduct(height, sizeof(void*), pointerBytes) && blockBytes <= SIZE_MAX &&
           withinMemoryBudget(blockBytes);
}

void* newRowBlock(uint64_t bytes, BlockFill fill) {
    void* block = fill == BlockFill::zero ? std::calloc(bytes, 1) : std::malloc(bytes);
    // calloc leaves a large block's pages untouched (the kernel gives them
    // zeroed), so the hint comes before the first touch either way.
    if (block) adviseHugePages(block, bytes);
    return block;
}

}  // namespace pellumir
