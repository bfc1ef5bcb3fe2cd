#pragma once

#include <cstdint>

#include "display/display_bitmap.h"
#include "display/window_host.h"

namespace pellumir {

// The picture window as the picture commands see it.
class HookWindow {
  public:
    virtual WindowHost& host() = 0;
    // Rebuilds the caption from the view state and the text hooks.
    virtual void refreshTitle() = 0;
    // Whether anything will show or save the bitmap: when nothing does, the
    // commands change the picture and the exposure and leave the bitmap be.
    virtual bool needsBitmap() const { return true; }

  protected:
    ~HookWindow() = default;
};

// The window's only way into the application: five slots, each of which
// may be absent and is tested before every call.
struct ViewerHooks {
    int (*keyCommand)(HookWindow& window, DisplayBitmap& bitmap, uint32_t key) = nullptr;
    const char* (*pixelText)(int32_t x, int32_t y) = nullptr;
    const char* (*exposureText)() = nullptr;
    void (*pickExposure)(HookWindow& window, DisplayBitmap& bitmap, int32_t x, int32_t y) = nullptr;
    void (*resetExposure)(HookWindow& window, DisplayBitmap& bitmap) = nullptr;
};

}  // namespace pellumir
