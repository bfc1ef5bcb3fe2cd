#pragma once

#include <cstdint>

#include "display/display_bitmap.h"

namespace pellumir {

// A rectangle as a position and a size, the way blits and fills take it.
struct Box {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const Box&, const Box&) = default;
};

struct Colour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

// The client area around the picture: a deep blue.
inline constexpr Colour kBackgroundColour{5, 0, 74};

// What painting needs from a drawing surface in client coordinates.
class Canvas {
  public:
    virtual ~Canvas() = default;

    // Scales the source rectangle of the bitmap onto the destination
    // rectangle, nearest pixel, no averaging. The bitmap is bottom-up:
    // source.y counts rows up from its bottom row, so the source rectangle
    // holds bitmap rows source.y to source.y + source.height - 1, the last
    // of them shown at the top of the destination.
    virtual void stretchBlit(const DisplayBitmap& bitmap, const Box& destination,
                             const Box& source) = 0;
    virtual void fill(const Box& area, Colour colour) = 0;
};

}  // namespace pellumir
