#include "picture/picture_ops.h"

#include <algorithm>

#include "picture/two_cores.h"

namespace pellumir {

namespace {

uint64_t pictureBytes(const RgbeImage& image) {
    return uint64_t{image.width} * image.height * sizeof(RgbePixel);
}

}  // namespace

void mirrorPicture(RgbeImage& image) {
    onTwoCores(image.height, pictureBytes(image), 1, [&](uint32_t first, uint32_t last) {
        for (uint32_t r = first; r < last; ++r)
            std::reverse(image.rows[r], image.rows[r] + image.width);
    });
}

void flipPicture(RgbeImage& image) {
    if (image.height < 2) return;
    onTwoCores(image.height / 2, pictureBytes(image), 1, [&](uint32_t first, uint32_t last) {
        for (uint32_t top = first; top < last; ++top)
            image.swapRows(top, image.height - 1 - top);
    });
}

}  // namespace pellumir
