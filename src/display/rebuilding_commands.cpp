#include "display/rebuilding_commands.h"

#include <algorithm>
#include <memory>
#include <new>

#include "display/tone_conversion.h"
#include "display/tone_table.h"
#include "picture/picture_ops.h"
#include "picture/two_cores.h"

namespace pellumir {

namespace {

uint64_t pictureBytes(const RgbeImage& picture) {
    return uint64_t{picture.width} * picture.height * sizeof(RgbePixel);
}

// The bitmap's storage in the given shape and the table for the exposure;
// null when either cannot be had, which leaves the work to the plain
// command and build(), failing as they fail.
std::unique_ptr<ToneTable> prepare(DisplayBitmap& bitmap, uint32_t width, uint32_t height,
                                   float exposure, float gamma) {
    std::unique_ptr<ToneTable> table(new (std::nothrow) ToneTable);
    if (!table) return nullptr;
    bitmap.allocate(width, height);
    if (bitmap.empty()) return nullptr;
    makeToneTable(*table, exposure, gamma);
    return table;
}

// A change that keeps the picture's shape, with the rebuild folded in:
// `step(table, s)` changes the rows of step s and converts them, on both
// cores; without the table or storage, `plain` changes the picture and
// build() rebuilds the bitmap.
template <typename Plain, typename Step>
void changeAndRebuild(RgbeImage& picture, DisplayBitmap& bitmap, float exposure, float gamma,
                      Plain plain, uint32_t steps, Step step) {
    std::unique_ptr<ToneTable> table;
    if (!picture.empty()) table = prepare(bitmap, picture.width, picture.height, exposure, gamma);
    if (!table) {
        plain(picture);
        bitmap.build(picture.pixels(), picture.width, picture.height, exposure, gamma);
        return;
    }
    onTwoCores(steps, pictureBytes(picture), 1, [&](uint32_t first, uint32_t last) {
        for (uint32_t s = first; s < last; ++s)
            step(*table, s);
    });
    bitmap.fillHeader();
}

}  // namespace

void mirrorAndRebuild(RgbeImage& picture, DisplayBitmap& bitmap, float exposure, float gamma) {
    changeAndRebuild(picture, bitmap, exposure, gamma, mirrorPicture, picture.height,
                     [&](const ToneTable& table, uint32_t r) {
                         std::reverse(picture.rows[r], picture.rows[r] + picture.width);
                         convertRows(table, picture.pixels(), picture.width, picture.height,
                                     bitmap.rows, r, r + 1);
                     });
}

void flipAndRebuild(RgbeImage& picture, DisplayBitmap& bitmap, float exposure, float gamma) {
    // Pair t is rows t and height - 1 - t; the middle row of an odd height
    // pairs with itself and is only converted.
    uint32_t pairs = picture.height / 2 + picture.height % 2;
    changeAndRebuild(picture, bitmap, exposure, gamma, flipPicture, pairs,
                     [&](const ToneTable& table, uint32_t top) {
                         uint32_t bottom = picture.height - 1 - top;
                         picture.swapRows(top, bottom);
                         convertRows(table, picture.pixels(), picture.width, picture.height,
                                     bitmap.rows, top, top + 1);
                         if (bottom != top) {
                             convertRows(table, picture.pixels(), picture.width, picture.height,
                                         bitmap.rows, bottom, bottom + 1);
                         }
                     });
}

bool rotateAndRebuild(RgbeImage& picture, DisplayBitmap& bitmap, float exposure, float gamma) {
    if (picture.empty()) return picture.rotate90();
    std::unique_ptr<ToneTable> table =
        prepare(bitmap, picture.height, picture.width, exposure, gamma);
    if (!table) {
        bool turned = picture.rotate90();
        bitmap.build(picture.pixels(), picture.width, picture.height, exposure, gamma);
        return turned;
    }
    // The viewer's user turns again and again to find the right way up: the
    // old block is kept for the next turn.
    bool turned = picture.rotate90(
        [&](const RgbeImage& done, uint32_t first, uint32_t last) {
            convertRows(*table, done.pixels(), done.width, done.height, bitmap.rows, first, last);
        },
        RgbeImage::Spare::keep);
    if (!turned) {
        bitmap.build(picture.pixels(), picture.width, picture.height, exposure, gamma);
        return false;
    }
    bitmap.fillHeader();
    return true;
}

}  // namespace pellumir
