#pragma once

#include <cstdint>
#include <memory>

#include "picture/orientation.h"
#include "picture/rgbe_image.h"

namespace pellumir {

// The rows of a picture as an orientation shows it, for writing a turned,
// mirrored or flipped picture without making that picture: a turn would
// take a second block of the picture's size, fresh pages and all. A row
// that is one of the picture's rows is handed out where it lies; a mirrored
// row is copied into a scratch row; the rows of a transposed orientation
// are gathered a batch at a time, so that each pass over the picture reads
// whole cache lines of it and the batch stays in the cache for whoever
// reads its rows.
class OrientedRows {
  public:
    // Rows gathered at a time for a transposed orientation.
    static constexpr uint32_t kBatchRows = 32;

    // The picture must outlive this and stay unchanged while rows are read.
    OrientedRows(const RgbeImage& image, Orientation orientation);

    // False when the scratch block could not be had.
    bool ready() const { return ready_; }
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }

    // Row r of the oriented picture, r < height(): width() pixels, valid
    // until the next call. Fastest when asked for in order from the top.
    const RgbePixel* row(uint32_t r);

  private:
    void gatherBatch(uint32_t first);

    const RgbeImage& image_;
    Orientation orientation_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    bool ready_ = true;
    std::unique_ptr<RgbePixel[]> scratch_;
    // The rows [batchFirst_, batchEnd_) are in the scratch block.
    uint32_t batchFirst_ = 0;
    uint32_t batchEnd_ = 0;
};

}  // namespace pellumir
