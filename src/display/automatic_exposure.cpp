#include "display/automatic_exposure.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

namespace pellumir {

float automaticExposure(const RgbeImage& picture) {
    if (picture.empty()) return 1.0f;
    std::vector<double> luminances;
    uint64_t count = static_cast<uint64_t>(picture.width) * picture.height;
    // The picture is a thumbnail: a few hundred thousand pixels at most.
    luminances.reserve(count);
    double logSum = 0;
    for (uint32_t y = 0; y < picture.height; ++y) {
        for (uint32_t x = 0; x < picture.width; ++x) {
            RgbePixel p = picture.rows[y][x];
            if (p.exponent == 0) continue;
            RgbColour c = decodeRgbe(p);
            double luminance = (c.green * 0.587 + c.blue * 0.114) + c.red * 0.299;
            luminances.push_back(luminance);
            logSum += std::log(luminance);
        }
    }
    if (luminances.empty()) return 1.0f;

    double logAverage = std::exp(logSum / static_cast<double>(luminances.size()));
    double exposure = kMidGrey / logAverage;
    // The luminance that only kWhiteShare of all pixels (black ones
    // included) exceed.
    uint64_t whiteCount =
        static_cast<uint64_t>(std::floor(static_cast<double>(count) * kWhiteShare));
    if (whiteCount < luminances.size()) {
        auto bright = luminances.end() - static_cast<std::ptrdiff_t>(whiteCount) - 1;
        std::nth_element(luminances.begin(), bright, luminances.end());
        if (exposure * *bright > 1.0) {
            exposure = std::max(1.0 / *bright, exposure * std::exp2(-kMostStopsDown));
        }
    }
    // Decoded luminances lie within 2^-136 and 2^128, so the quotients are
    // finite doubles; single precision may still overflow or underflow.
    return static_cast<float>(
        std::clamp(exposure, static_cast<double>(FLT_MIN), static_cast<double>(FLT_MAX)));
}

}  // namespace pellumir
