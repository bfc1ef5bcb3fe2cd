#pragma once

#include <cstdint>
#include <cstdlib>

namespace pellumir {

// Pictures and bitmaps keep their pixels the same way: one block for all the
// rows and one array of pointers into it, rows[0] being the block itself.

// The bytes of `height` rows of `rowBytes` each, when the block and its
// pointer array can be asked for: no product overflows, and the block fits
// in size_t and in the memory budget. False otherwise.
bool rowBlockFits(uint64_t rowBytes, uint32_t height, uint64_t& blockBytes);

// A fresh block of `bytes` (zeroed with BlockFill::zero), large blocks in
// huge pages; null when there is no memory for it. The bytes must have
// passed rowBlockFits.
enum class BlockFill { leave, zero };
void* newRowBlock(uint64_t bytes, BlockFill fill);

// `height` pointers from malloc, each `rowLength` elements past the one
// before, the first at `block`; null when there is no memory for them. The
// sizes must have passed rowBlockFits.
template <typename Element>
Element** pointRows(Element* block, uint32_t height, uint64_t rowLength) {
    auto** rows = static_cast<Element**>(std::malloc(uint64_t{height} * sizeof(Element*)));
    if (!rows) return nullptr;
    for (uint32_t k = 0; k < height; ++k)
        rows[k] = block + uint64_t{k} * rowLength;
    return rows;
}

// Frees the block and its pointer array; rows is null afterwards.
template <typename Element>
void freeRows(Element**& rows) {
    if (!rows) return;
    std::free(rows[0]);
    std::free(rows);
    rows = nullptr;
}

}  // namespace pellumir
