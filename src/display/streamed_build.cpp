#include "display/streamed_build.h"

#include <new>
#include <system_error>

#include "display/tone_conversion.h"

namespace pellumir {

StreamedBuild::~StreamedBuild() {
    readingEnded(false);
}

void StreamedBuild::rowsDone(const RgbeImage& image, uint32_t first, uint32_t last) {
    if (first == 0 && !started_) {
        started_ = true;
        pixels_ = image.pixels();
        width_ = image.width;
        height_ = image.height;
        // A thread that cannot be started leaves the whole build to finish().
        try {
            thread_ = std::thread(&StreamedBuild::convertAsRowsArrive, this);
        } catch (const std::system_error&) {
            return;
        }
    }
    if (!thread_.joinable() || image.pixels() != pixels_) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ready_ = last;
    }
    wake_.notify_one();
}

void StreamedBuild::readingEnded(bool whole) {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
        abandoned_ = !whole;
    }
    wake_.notify_one();
    thread_.join();
}

void StreamedBuild::convertAsRowsArrive() {
    // The bitmap's storage is asked for and first touched here, so that its
    // page faults are taken on this core, beside the reading.
    std::unique_ptr<ToneTable> table(new (std::nothrow) ToneTable);
    if (!table) return;
    bitmap_.allocate(width_, height_);
    if (bitmap_.empty()) return;
    makeToneTable(*table, exposure_, gamma_);
    uint32_t done = 0;
    for (;;) {
        uint32_t ready = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return ready_ > done || ended_; });
            if (abandoned_) return;
            ready = ready_;
            if (ready == done) break;
        }
        convertRows(*table, pixels_, width_, height_, bitmap_.rows, done, ready);
        done = ready;
    }
    converted_ = done;
}

int StreamedBuild::finish(const RgbeImage& picture) {
    readingEnded(true);
    bool whole = converted_ == picture.height && picture.height != 0 &&
                 picture.pixels() == pixels_ && picture.width == width_ &&
                 picture.height == height_ && bitmap_.width == width_ &&
                 bitmap_.height == height_ && !bitmap_.empty();
    if (!whole) {
        return bitmap_.build(picture.pixels(), picture.width, picture.height, exposure_, gamma_);
    }
    bitmap_.fillHeader();
    return 1;
}

}  // namespace pellumir
