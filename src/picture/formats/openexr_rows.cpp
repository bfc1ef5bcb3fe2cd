#include "picture/formats/openexr_rows.h"

#include "picture/formats/float_samples.h"

namespace pellumir {

void encodeExrRows(const ExrChannelRows& rows, uint32_t width, uint32_t height, RgbeImage& image,
                   uint32_t x, uint32_t y) {
    // Grey was decoded into the red's place; the sample rows take it thrice.
    const size_t sampleBytes = rows.halves ? sizeof(uint16_t) : sizeof(float);
    SampleRow row;
    row.sampleBytes = static_cast<unsigned>(sampleBytes);
    row.pixelStep = 3 * sampleBytes;
    for (uint32_t r = 0; r < height; ++r) {
        row.red = rows.samples + r * rows.rowBytes;
        row.green = rows.grey ? row.red : row.red + sampleBytes;
        row.blue = rows.grey ? row.red : row.red + 2 * sampleBytes;
        encodeSampleRow(row, width, image.rows[y + r] + x);
    }
}

}  // namespace pellumir
