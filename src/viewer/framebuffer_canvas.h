#pragma once

#include "viewer/canvas.h"
#include "viewer/stretch_blit.h"

namespace pellumir {

// The canvas the window paints on: a client-sized framebuffer that the
// desktop then shows one to one in device pixels.
class FramebufferCanvas : public Canvas {
  public:
    explicit FramebufferCanvas(const Framebuffer& target) : target_(target) {}

    void stretchBlit(const DisplayBitmap& bitmap, const Box& destination,
                     const Box& source) override;
    void fill(const Box& area, Colour colour) override;

  private:
    Framebuffer target_;
};

}  // namespace pellumir
