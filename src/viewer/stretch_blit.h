#pragma once

#include <cstddef>
#include <cstdint>

#include "display/display_bitmap.h"
#include "viewer/canvas.h"

namespace pellumir {

// A 32-bit picture in memory, top row first, one 0xFFRRGGBB word a pixel
// (the layout of a QImage in Format_RGB32). stride is the distance from one
// row to the next in pixels, at least width.
struct Framebuffer {
    uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    ptrdiff_t stride = 0;
};

inline uint32_t framebufferPixel(Colour c) {
    return 0xFF000000u | uint32_t{c.red} << 16 | uint32_t{c.green} << 8 | c.blue;
}

// Scales the source rectangle of the bottom-up bitmap onto the destination
// rectangle, nearest pixel: destination pixel (dx, dy) shows source column
// source.x + floor((dx - destination.x) * source.width / destination.width),
// and the row found the same way, counted down from the source rectangle's
// top row. Only the part of the destination inside the framebuffer is
// written, so the work follows the framebuffer's size, never the picture's.
// A source rectangle that is empty or not wholly inside the bitmap, or an
// empty destination, draws nothing.
void stretchBlit(const Framebuffer& target, const DisplayBitmap& bitmap, const Box& destination,
                 const Box& source);

// Fills the part of the area inside the framebuffer.
void fillBox(const Framebuffer& target, const Box& area, Colour colour);

}  // namespace pellumir
