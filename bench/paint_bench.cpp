// One paint of a full-HD client from an 8000 x 6000 (48 megapixel) display
// bitmap into the framebuffer canvas, at five zooms. The view is centred on
// the picture and set off by a fraction of a zoomed pixel, so zoomed in the
// blit starts and ends with partial pixels. The goal is a few milliseconds
// at every zoom: the work follows the client area, never the picture.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cli/headless_window.h"
#include "display/display_bitmap.h"
#include "viewer/framebuffer_canvas.h"
#include "viewer/image_window.h"

namespace pellumir {
namespace {

constexpr uint32_t kPictureWidth = 8000;
constexpr uint32_t kPictureHeight = 6000;
constexpr int32_t kClientWidth = 1920;
constexpr int32_t kClientHeight = 1080;

// The viewer's window without a screen, with a full-HD client area.
class BenchHost : public HeadlessHost {
  public:
    Rect clientRect() const override { return {0, 0, kClientWidth, kClientHeight}; }
};

// The bitmap, made on first use: a pattern that differs from pixel to pixel.
const DisplayBitmap* bitmap() {
    static DisplayBitmap* made = [] {
        auto* b = new DisplayBitmap;
        b->allocate(kPictureWidth, kPictureHeight);
        for (uint32_t k = 0; k < b->height; ++k) {
            uint8_t* row = b->rows[k];
            for (uint32_t i = 0; i < kPictureWidth * 3; ++i)
                row[i] = uint8_t(i * 7 + k * 3);
        }
        return b;
    }();
    return made->empty() ? nullptr : made;
}

void paint(benchmark::State& state, float zoom) {
    const DisplayBitmap* picture = bitmap();
    if (!picture) {
        state.SkipWithError("no memory for the bitmap");
        return;
    }
    BenchHost host;
    ImageWindow window(const_cast<DisplayBitmap&>(*picture), host);
    window.zoom = zoom;
    const double z = zoom;
    const double offset = z > 1.0 ? z / 3.0 : 0.0;
    window.origin = {static_cast<int32_t>(kClientWidth / 2 - kPictureWidth / 2 * z - offset),
                     static_cast<int32_t>(kClientHeight / 2 - kPictureHeight / 2 * z - offset)};
    std::vector<uint32_t> pixels(size_t{kClientWidth} * kClientHeight);
    FramebufferCanvas canvas({pixels.data(), kClientWidth, kClientHeight, kClientWidth});
    for (auto _ : state) {
        window.paint(canvas);
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    state.counters["Mpx/s"] = benchmark::Counter(double{kClientWidth} * kClientHeight / 1e6,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

void registerPaints() {
    const struct {
        const char* name;
        float zoom;
    } zooms[] = {{"1/256", 1.0f / 256}, {"1/8", 1.0f / 8}, {"1/4", 1.0f / 4},
                 {"1", 1.0f},           {"8", 8.0f},       {"1024", 1024.0f}};
    for (const auto& z : zooms) {
        std::string name = std::string("paint1920x1080/zoom:") + z.name;
        benchmark::RegisterBenchmark(name.c_str(), paint, z.zoom)->Unit(benchmark::kMillisecond);
    }
}

const int registered = (registerPaints(), 0);

}  // namespace
}  // namespace pellumir
