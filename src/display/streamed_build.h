#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "display/display_bitmap.h"
#include "display/tone_table.h"
#include "picture/row_sink.h"

namespace pellumir {

// Builds the bitmap on a second thread while the reader fills the picture,
// row batch after row batch, so that start-up pays for one pass over fresh
// memory on each core instead of a read and then a build. The bytes are
// those of DisplayBitmap::build.
class StreamedBuild final : public RowSink {
  public:
    StreamedBuild(DisplayBitmap& bitmap, float exposure, float gamma)
        : bitmap_(bitmap), exposure_(exposure), gamma_(gamma) {}
    ~StreamedBuild();
    StreamedBuild(const StreamedBuild&) = delete;
    StreamedBuild& operator=(const StreamedBuild&) = delete;

    void rowsDone(const RgbeImage& image, uint32_t first, uint32_t last) override;
    void readingEnded(bool whole) override;

    // The bitmap of the picture as read, as build() returns it: the rows
    // converted on the way are kept when they are the picture's, and
    // whatever is missing (everything, for a reader that told nothing) is
    // built here.
    int finish(const RgbeImage& picture);

  private:
    void convertAsRowsArrive();

    DisplayBitmap& bitmap_;
    float exposure_;
    float gamma_;
    // The picture as the first rows showed it.
    const RgbePixel* pixels_ = nullptr;
    uint32_t width_ = 0;
    uint32_t height_ = 0;

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    uint32_t ready_ = 0;      // rows the reader has finished
    bool ended_ = false;      // no more rows will come
    bool abandoned_ = false;  // and those that came are about to go
    uint32_t converted_ = 0;  // rows in the bitmap, once the thread is joined
    bool started_ = false;
};

}  // namespace pellumir
