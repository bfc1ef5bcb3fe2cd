#include "picture/picture_ops.h"

#include <algorithm>

namespace pellumir {

void mirrorPicture(RgbeImage& image) {
    for (uint32_t r = 0; r < image.height; ++r) {
        std::reverse(image.rows[r], image.rows[r] + image.width);
    }
}

void flipPicture(RgbeImage& image) {
    if (image.height < 2) return;
    for (uint32_t top = 0, bottom = image.height - 1; top < bottom; ++top, --bottom) {
        image.swapRows(top, bottom);
    }
}

}  // namespace pellumir
