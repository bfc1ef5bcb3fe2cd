#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pellumir {

// A picture as 32-bit floats, three a pixel, row 0 at the top.
struct FloatPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<float> rgb;
};

// The project's scene at width x height, each pixel sampled at its centre
// and rounded to single precision.
FloatPicture sceneFloats(uint32_t width, uint32_t height);

// A colour PFM: scale -1.0 (little-endian floats), bottom row first.
bool writePfm(const FloatPicture& picture, const std::string& path);

// Raw little-endian RGB floats, bottom row first, nothing else.
bool writeRawFloats(const FloatPicture& picture, const std::string& path);

// A TIFF of RGB 32-bit float samples, pixel-interleaved, top row first, in
// deflate-compressed strips with the floating-point predictor.
bool writeFloatTiff(const FloatPicture& picture, const std::string& path);

}  // namespace pellumir
