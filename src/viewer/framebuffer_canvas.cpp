#include "viewer/framebuffer_canvas.h"

namespace pellumir {

void FramebufferCanvas::stretchBlit(const DisplayBitmap& bitmap, const Box& destination,
                                    const Box& source) {
    pellumir::stretchBlit(target_, bitmap, destination, source);
}

void FramebufferCanvas::fill(const Box& area, Colour colour) {
    fillBox(target_, area, colour);
}

}  // namespace pellumir
