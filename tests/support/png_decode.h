#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace pellumir::test {

struct DecodedPng {
    uint32_t width = 0;
    uint32_t height = 0;
    int colourType = -1;
    int bitDepth = 0;
    png_fixed_point gamma = 0;
    std::vector<uint8_t> rgb;  // top row first
};

// Decoded by libpng's reader, not by anything of ours. Only 8-bit RGB files
// have their pixels read; any other kind is a failure.
inline bool decodePng(FILE* file, DecodedPng& result) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    bool ok = false;
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        png_read_info(png, info);
        result.width = png_get_image_width(png, info);
        result.height = png_get_image_height(png, info);
        result.colourType = png_get_color_type(png, info);
        result.bitDepth = png_get_bit_depth(png, info);
        png_get_gAMA_fixed(png, info, &result.gamma);
        if (result.colourType == PNG_COLOR_TYPE_RGB && result.bitDepth == 8) {
            result.rgb.resize(size_t{result.width} * result.height * 3);
            for (uint32_t y = 0; y < result.height; ++y)
                png_read_row(png, result.rgb.data() + size_t{y} * result.width * 3, nullptr);
            png_read_end(png, nullptr);
            ok = true;
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return ok;
}

inline bool decodePng(const std::string& path, DecodedPng& result) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bool ok = decodePng(file, result);
    std::fclose(file);
    return ok;
}

}  // namespace pellumir::test
