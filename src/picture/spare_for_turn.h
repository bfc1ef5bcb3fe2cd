#pragma once

#include <cstdint>
#include <thread>

#include "picture/rgbe_image.h"
#include "picture/row_sink.h"

namespace pellumir {

// Makes the block that a turn of the picture will need while the picture
// is being read: once the first rows tell its size, a second thread asks
// for the block and touches every page of it, so that the kernel's work of
// giving out fresh pages is done on the core the reader leaves idle. A
// whole reading hands the block to the picture as its spare (which
// rotate90 then writes into); a failed one frees it. The block is asked for
// only while the memory budget has room for the picture twice.
class SpareForTurn final : public RowSink {
  public:
    explicit SpareForTurn(RgbeImage& picture) : picture_(picture) {}
    ~SpareForTurn();
    SpareForTurn(const SpareForTurn&) = delete;
    SpareForTurn& operator=(const SpareForTurn&) = delete;

    void rowsDone(const RgbeImage& image, uint32_t first, uint32_t last) override;
    void readingEnded(bool whole) override;

  private:
    RgbeImage& picture_;
    std::thread thread_;
    RgbePixel* block_ = nullptr;
    uint64_t bytes_ = 0;
    bool started_ = false;
};

}  // namespace pellumir
