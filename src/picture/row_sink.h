#pragma once

#include <cstdint>

#include "picture/rgbe_image.h"

namespace pellumir {

// Told of a picture's rows while a reader fills them, so that work on them
// (the display's build) can go on beside the reading instead of after it.
class RowSink {
  public:
    // Rows [first, last) of `image` hold their final pixels in their final
    // orientation. Called in order of the rows, on the reader's thread.
    virtual void rowsDone(const RgbeImage& image, uint32_t first, uint32_t last) = 0;
    // The reader is done with the picture: `whole` when every row was read,
    // after which the rows reported stay as they are until someone else
    // changes the picture; otherwise the picture is about to be released.
    // Returns once nothing of the sink's reads the rows any more.
    virtual void readingEnded(bool whole) = 0;

  protected:
    ~RowSink() = default;
};

}  // namespace pellumir
