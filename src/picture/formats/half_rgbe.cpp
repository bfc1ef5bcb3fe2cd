#include "picture/formats/half_rgbe.h"

#include <cmath>
#include <cstring>

#include "picture/formats/float_samples.h"

namespace pellumir {

namespace {

// Positive finite halves run from 0x0001 to 0x7bff, in the order of their
// values; 0x7c00 is infinity. Negative halves and NaN encode as 0.
constexpr uint16_t kInfinity = 0x7c00;

// encodeRgbe takes the largest sample m = f × 2^e (f in [0.5, 1)) and gives
// each sample v the mantissa byte trunc(v × f × 255.9999 / m): 255.9999
// rather than 256 pulls a product that is a whole number k just below k, and
// leaves every other product on its side of a whole number, as a half's
// digits are too few to come that close. So the byte is ceil(v × 2^(8-e)) - 1,
// or 0 for 0. With v × 2^32 a whole number below 2^48 for every half, that
// is (v × 2^32 - 1) >> (24 + e): one lookup and one shift a sample.
struct HalfRgbeTable {
    HalfRgbeTable() {
        scaled[0] = 0;
        for (uint32_t h = 1; h < kInfinity; ++h) {
            double value = halfToFloat(static_cast<uint16_t>(h));
            scaled[h] = static_cast<uint64_t>(std::ldexp(value, 32)) - 1;
            int e = 0;
            std::frexp(value, &e);
            shift[h] = static_cast<uint8_t>(24 + e);
            exponent[h] = static_cast<uint8_t>(e + 128);
        }
    }
    uint64_t scaled[kInfinity];
    uint8_t shift[kInfinity];
    uint8_t exponent[kInfinity];
};

const HalfRgbeTable& halfRgbeTable() {
    static const HalfRgbeTable table;  // made once, by whichever thread comes first
    return table;
}

uint16_t bitsAt(const uint8_t* bytes) {
    uint16_t bits;
    std::memcpy(&bits, bytes, sizeof bits);
    return bits <= kInfinity ? bits : 0;  // negatives and NaN are 0 to encodeRgbe
}

}  // namespace

void encodeHalfPixels(const uint8_t* red, const uint8_t* green, const uint8_t* blue,
                      size_t pixelStep, uint32_t width, RgbePixel* out) {
    const HalfRgbeTable& table = halfRgbeTable();
    size_t at = 0;
    for (uint32_t i = 0; i < width; ++i, at += pixelStep) {
        uint16_t r = bitsAt(red + at);
        uint16_t g = bitsAt(green + at);
        uint16_t b = bitsAt(blue + at);
        uint16_t m = r > g ? r : g;
        if (b > m) m = b;
        if (m == 0) {
            out[i] = {0, 0, 0, 0};
        } else if (m == kInfinity) {
            // Infinity is clamped to the largest encodable value: rare
            // enough for the arithmetic.
            encodeRgbe(out[i], halfToFloat(r), halfToFloat(g), halfToFloat(b));
        } else {
            unsigned s = table.shift[m];
            out[i] = {static_cast<uint8_t>(table.scaled[r] >> s),
                      static_cast<uint8_t>(table.scaled[g] >> s),
                      static_cast<uint8_t>(table.scaled[b] >> s), table.exponent[m]};
        }
    }
}

}  // namespace pellumir
