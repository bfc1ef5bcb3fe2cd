#pragma once

#include <cstdint>

namespace pellumir {

// (exponent byte, mantissa byte) to display byte for one exposure and
// gamma: every channel of a pixel is one look-up in the row of its exponent.
struct ToneTable {
    uint8_t entries[256][256];

    const uint8_t* row(uint8_t exponent) const { return entries[exponent]; }
};

// Exposures from here up use the single-precision steps; below it the
// single-precision base loses too many bits (and reaches 0 below 2^-14), so
// the entries come from exact values instead. Both give the same table at
// every whole stop from here down to 2^-14.
inline constexpr float kExactToneExposure = 0x1p-3f;

// Fills the table for the exposure and gamma: the stepwise table for
// exposures of kExactToneExposure and above, the exact one below (and for
// NaN).
void makeToneTable(ToneTable& table, float exposure, float gamma);

// The entry for (e, m) is min(255, trunc(256 * v^(1/gamma))), with
// v = (m + 0.5) * 2^(e - 136) * exposure accumulated in single precision:
// a base of exposure * 2^-135, never flushed to zero, doubled from row to
// row, and v starting at half the base and growing by the base along a row.
// Row 0 is all 0.
void makeStepwiseToneTable(ToneTable& table, float exposure, float gamma);

// The same entries with v computed exactly, in double precision.
void makeExactToneTable(ToneTable& table, float exposure, float gamma);

}  // namespace pellumir
