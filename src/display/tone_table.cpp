#include "display/tone_table.h"

#include <cmath>
#include <cstring>

namespace pellumir {

namespace {

constexpr int kMantissas = 256;

uint8_t toneByte(double value, double inverse) {
    double p = std::pow(value, inverse) * 256.0;
    // !(p <= 255) also sends an infinite value to 255 (and a NaN, which no
    // exposure the program makes can give, to a defined byte).
    if (!(p <= 255.0)) return 255;
    return static_cast<uint8_t>(p);
}

// Fills one row from its 256 values, which grow with the mantissa. The
// bytes then never fall along the row, so the run of 0s at its start and the
// run of 255s at its end are found by bisection, and only the entries
// between them cost a power each: about 5000 of the 65280 for exposures of
// ordinary pictures. Neighbouring values differ by far more than pow's
// error, so the bytes are exactly those of one power per entry.
void fillRow(uint8_t* row, const double* values, double inverse) {
    uint8_t first = toneByte(values[0], inverse);
    if (first == 255) {
        std::memset(row, 255, kMantissas);
        return;
    }
    uint8_t last = toneByte(values[kMantissas - 1], inverse);
    if (last == 0) {
        std::memset(row, 0, kMantissas);
        return;
    }
    // begin: the first entry above 0; end: the first entry of 255.
    int begin = 0;
    if (first == 0) {
        int low = 0;  // toneByte(values[low]) == 0
        int high = kMantissas - 1;
        while (high - low > 1) {
            int middle = (low + high) / 2;
            (toneByte(values[middle], inverse) == 0 ? low : high) = middle;
        }
        begin = high;
    }
    int end = kMantissas;
    if (last == 255) {
        int low = begin;  // toneByte(values[low]) < 255
        int high = kMantissas - 1;
        while (high - low > 1) {
            int middle = (low + high) / 2;
            (toneByte(values[middle], inverse) == 255 ? high : low) = middle;
        }
        end = high;
    }
    std::memset(row, 0, static_cast<size_t>(begin));
    for (int m = begin; m < end; ++m)
        row[m] = toneByte(values[m], inverse);
    std::memset(row + end, 255, static_cast<size_t>(kMantissas - end));
}

}  // namespace

void makeStepwiseToneTable(ToneTable& table, float exposure, float gamma) {
    double inverse = 1.0 / static_cast<double>(gamma);
    // A subnormal number for exposures near 1; its rounding is part of the
    // table, which is why nothing here may be built with fast-math.
    float base = exposure * 0x1p-135f;
    std::memset(table.entries[0], 0, kMantissas);
    double values[kMantissas];
    for (int e = 1; e < 256; ++e) {
        float v = base * 0.5f;
        for (int m = 0; m < kMantissas; ++m) {
            values[m] = v;
            v = v + base;
        }
        fillRow(table.entries[e], values, inverse);
        base = base * 2.0f;
    }
}

void makeExactToneTable(ToneTable& table, float exposure, float gamma) {
    double inverse = 1.0 / static_cast<double>(gamma);
    std::memset(table.entries[0], 0, kMantissas);
    double values[kMantissas];
    for (int e = 1; e < 256; ++e) {
        // At most 9 + 24 significant bits: the product is exact.
        double scale = std::ldexp(static_cast<double>(exposure), e - 136);
        for (int m = 0; m < kMantissas; ++m)
            values[m] = (m + 0.5) * scale;
        fillRow(table.entries[e], values, inverse);
    }
}

void makeToneTable(ToneTable& table, float exposure, float gamma) {
    if (exposure >= kExactToneExposure) {
        makeStepwiseToneTable(table, exposure, gamma);
    } else {
        makeExactToneTable(table, exposure, gamma);
    }
}

}  // namespace pellumir
