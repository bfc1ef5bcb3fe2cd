#include "viewer/status_title.h"

#include <cstdio>

namespace pellumir {

std::string statusTitle(const std::string& name, int32_t column, int32_t row, const char* colour,
                        float zoom, const char* exposure) {
    // Zoomed out, the scale reads as a fraction; both are whole numbers, as
    // the zoom is a power of two.
    const bool zoomedOut = zoom < 1.0f;
    const int scale =
        zoomedOut ? static_cast<int>(1.0 / static_cast<double>(zoom)) : static_cast<int>(zoom);
    auto format = [&](char* buffer, size_t size) {
        return zoomedOut
                   ? std::snprintf(buffer, size, "%s   像素 (%4d,%4d) 颜色 (%s) 比例 (1/%d) %s",
                                   name.c_str(), column, row, colour, scale, exposure)
                   : std::snprintf(buffer, size, "%s   像素 (%4d,%4d) 颜色 (%s) 比例 (%d) %s",
                                   name.c_str(), column, row, colour, scale, exposure);
    };
    int length = format(nullptr, 0);
    if (length <= 0) return name;
    std::string title(static_cast<size_t>(length), '\0');
    format(title.data(), title.size() + 1);
    return title;
}

}  // namespace pellumir
