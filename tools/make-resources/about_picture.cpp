#include "make-resources/about_picture.h"

#include "display/display_bitmap.h"
#include "picture/rgbe_image.h"
#include "render-scene/scene.h"

namespace pellumir {

int renderAboutPicture(DisplayBitmap& bitmap, float exposure) {
    RgbeImage image;
    image.allocate(kAboutWidth, kAboutHeight);
    if (image.empty()) return 0;
    constexpr double aspect = static_cast<double>(kAboutWidth) / kAboutHeight;
    constexpr double weight = 1.0 / (kAboutSamples * kAboutSamples);
    for (uint32_t y = 0; y < kAboutHeight; ++y) {
        for (uint32_t x = 0; x < kAboutWidth; ++x) {
            double red = 0;
            double green = 0;
            double blue = 0;
            for (uint32_t sy = 0; sy < kAboutSamples; ++sy) {
                double v = (y + (sy + 0.5) / kAboutSamples) / kAboutHeight;
                for (uint32_t sx = 0; sx < kAboutSamples; ++sx) {
                    double u = (x + (sx + 0.5) / kAboutSamples) / kAboutWidth;
                    RgbColour c = sceneRadiance(u, v, aspect);
                    red += c.red;
                    green += c.green;
                    blue += c.blue;
                }
            }
            encodeRgbe(image.rows[y][x], red * weight, green * weight, blue * weight);
        }
    }
    bitmap.name = "about-134.bmp";
    return bitmap.build(image.pixels(), image.width, image.height, exposure, kDisplayGamma);
}

}  // namespace pellumir
