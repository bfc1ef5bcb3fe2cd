#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pellumir {

// A picture of straight (not premultiplied) red, green, blue, alpha bytes,
// row after row, top row first.
struct RgbaPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;  // width * height * 4 bytes
};

// The bytes of an 8-bit RGBA PNG file of the picture, made by libpng at its
// strongest compression with every row filter allowed. Empty for a picture
// without pixels or whose pixels do not match its size.
std::vector<uint8_t> encodePng(const RgbaPicture& picture);

// Writes encodePng's bytes, replacing a file at path only when every byte
// was written. False on failure.
bool writePng(const RgbaPicture& picture, const std::string& path);

}  // namespace pellumir
