#pragma once

#include <cstdint>
#include <memory>
#include <thread>

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
    static constexpr uint32_t kBatchRows = 64;

    // The picture must outlive this and stay unchanged while rows are read.
    OrientedRows(const RgbeImage& image, Orientation orientation);
    ~OrientedRows();
    OrientedRows(const OrientedRows&) = delete;
    OrientedRows& operator=(const OrientedRows&) = delete;

    // False when the scratch block could not be had.
    bool ready() const { return ready_; }
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }

    // Row r of the oriented picture, r < height(): width() pixels, valid
    // until the next call. Fastest when asked for in order from the top:
    // for a large picture, the batch after the one asked for is then
    // gathered on a second thread while the caller works on this one.
    const RgbePixel* row(uint32_t r);

  private:
    void gatherBatch(uint32_t first, RgbePixel* batch) const;
    void startNextBatch();

    const RgbeImage& image_;
    Orientation orientation_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    bool ready_ = true;
    std::unique_ptr<RgbePixel[]> scratch_;
    // The batch handed out and, with a second thread, the next one.
    RgbePixel* batches_[2] = {nullptr, nullptr};
    // The rows [batchFirst_, batchEnd_) are in batches_[0].
    uint32_t batchFirst_ = 0;
    uint32_t batchEnd_ = 0;
    // Gathers the batch from nextFirst_ into batches_[1] while it runs.
    std::thread next_;
    uint32_t nextFirst_ = 0;
};

}  // namespace pellumir
