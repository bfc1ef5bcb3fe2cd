#include "picture/oriented_rows.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

#include "picture/turn_tile.h"
#include "picture/two_cores.h"

namespace pellumir {

namespace {

// Columns of a batch gathered at a time: the picture rows they come from
// and the batch rows they go to stay in the first-level cache together.
constexpr uint32_t kTileColumns = 64;

}  // namespace

OrientedRows::OrientedRows(const RgbeImage& image, Orientation orientation)
    : image_(image),
      orientation_(orientation),
      width_(orientation.widthOf(image.width, image.height)),
      height_(orientation.heightOf(image.width, image.height)) {
    uint64_t rows = orientation.transposed ? kBatchRows : orientation.columnsReversed ? 1 : 0;
    if (rows == 0 || image.empty()) return;
    // A second batch for the second thread, where the picture is large
    // enough for two cores to be worth it.
    uint64_t pictureBytes = uint64_t{width_} * height_ * sizeof(RgbePixel);
    bool twoBatches = orientation.transposed && pictureBytes >= kTwoCoreBytes &&
                      std::thread::hardware_concurrency() > 1;
    uint64_t batchPixels = rows * width_;
    scratch_.reset(new (std::nothrow) RgbePixel[(twoBatches ? 2 : 1) * batchPixels]);
    ready_ = scratch_ != nullptr;
    if (!ready_) return;
    batches_[0] = scratch_.get();
    if (twoBatches) batches_[1] = scratch_.get() + batchPixels;
}

OrientedRows::~OrientedRows() {
    if (next_.joinable()) next_.join();
}

const RgbePixel* OrientedRows::row(uint32_t r) {
    if (orientation_.transposed) {
        if (r < batchFirst_ || r >= batchEnd_) {
            uint32_t first = r / kBatchRows * kBatchRows;
            bool gathered = next_.joinable() && nextFirst_ == first;
            if (next_.joinable()) next_.join();
            if (gathered) {
                std::swap(batches_[0], batches_[1]);
            } else {
                gatherBatch(first, batches_[0]);
            }
            batchFirst_ = first;
            batchEnd_ = std::min(height_, first + kBatchRows);
            startNextBatch();
        }
        return batches_[0] + uint64_t{r - batchFirst_} * width_;
    }
    const RgbePixel* source = image_.rows[orientation_.rowsReversed ? height_ - 1 - r : r];
    if (!orientation_.columnsReversed) return source;
    std::reverse_copy(source, source + width_, scratch_.get());
    return scratch_.get();
}

void OrientedRows::startNextBatch() {
    if (!batches_[1] || batchEnd_ >= height_) return;
    nextFirst_ = batchEnd_;
    // A thread that cannot be started leaves the batch to the next call.
    try {
        next_ = std::thread([this] { gatherBatch(nextFirst_, batches_[1]); });
    } catch (const std::system_error&) {
    }
}

// Rows [first, first + kBatchRows) of a transposed orientation are the
// picture's columns [first, ...) in order, or counted from its right edge
// when the rows are reversed; their pixels run down the picture's rows, or
// up them when the columns are reversed.
void OrientedRows::gatherBatch(uint32_t first, RgbePixel* batch) const {
    const uint32_t end = std::min(height_, first + kBatchRows);
    const uint32_t count = end - first;
    const uint32_t pictureWidth = image_.width;
    const bool rowsReversed = orientation_.rowsReversed;
    const bool columnsReversed = orientation_.columnsReversed;
    // The picture's columns [left, left + count) hold the batch.
    const uint32_t left = rowsReversed ? pictureWidth - end : first;
    RgbePixel* const* rows = image_.rows;
    RgbePixel* scratch = batch;
    const uint32_t width = width_;
    auto sourceRow = [rows, left, width, columnsReversed](uint32_t c) -> const RgbePixel* {
        return rows[columnsReversed ? width - 1 - c : c] + left;
    };
    auto batchRow = [scratch, count, width, rowsReversed](uint32_t j) {
        return scratch + uint64_t{rowsReversed ? count - 1 - j : j} * width;
    };
    const uint64_t bytes = uint64_t{count} * sizeof(RgbePixel);
    for (uint32_t c0 = 0; c0 < width; c0 += kTileColumns) {
        uint32_t c1 = std::min(width, c0 + kTileColumns);
        // The next tile's pieces of the picture lie a whole row apart
        // each, where no prefetcher of the processor looks: ask for them
        // while this tile is gathered.
        for (uint32_t c = c1; c < std::min(width, c1 + kTileColumns); ++c) {
            const char* piece = reinterpret_cast<const char*>(sourceRow(c));
            for (uint64_t at = 0; at < bytes; at += 64)
                __builtin_prefetch(piece + at);
        }
        // batchRow(j)[c] = sourceRow(c)[j]: `count` neighbouring columns of
        // the picture into rows of the batch.
        transposeTile(sourceRow, batchRow, 0, count, c0, c1, false);
    }
}

}  // namespace pellumir
