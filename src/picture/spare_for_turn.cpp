#include "picture/spare_for_turn.h"

#include <cstdlib>
#include <cstring>
#include <system_error>

#include "picture/huge_pages.h"
#include "picture/memory_budget.h"

namespace pellumir {

SpareForTurn::~SpareForTurn() {
    readingEnded(false);
}

void SpareForTurn::rowsDone(const RgbeImage& image, uint32_t first, uint32_t) {
    if (first != 0 || started_) return;
    started_ = true;
    uint64_t bytes = uint64_t{image.width} * image.height * sizeof(RgbePixel);
    uint64_t both = 0;
    if (!checkedProduct(bytes, 2, both) || !withinMemoryBudget(both) || bytes > SIZE_MAX) return;
    bytes_ = bytes;
    try {
        thread_ = std::thread([this] {
            auto* block = static_cast<RgbePixel*>(std::malloc(bytes_));
            if (!block) return;
            adviseHugePages(block, bytes_);
            std::memset(block, 0, bytes_);
            block_ = block;
        });
    } catch (const std::system_error&) {
    }
}

void SpareForTurn::readingEnded(bool whole) {
    if (thread_.joinable()) thread_.join();
    if (!block_) return;
    if (whole && picture_.width != 0 &&
        uint64_t{picture_.width} * picture_.height * sizeof(RgbePixel) == bytes_) {
        picture_.giveSpare(block_, bytes_);
    } else {
        std::free(block_);
    }
    block_ = nullptr;
}

}  // namespace pellumir
