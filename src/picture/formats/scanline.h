#pragma once

#include <cstdint>

namespace pellumir {

// New run-length scanlines exist only for these lengths; others are flat.
inline constexpr uint32_t kMinRunLengthScanline = 8;
inline constexpr uint32_t kMaxRunLengthScanline = 32767;

// The bytes 2, 2 open a new run-length scanline; a third byte with its top
// bit set makes them an ordinary pixel instead.
inline constexpr int kRunLengthMark = 2;

// A run-length scanline holds its four planes (red, green, blue, exponent)
// one after the other, each a chain of packets. A code byte above
// kRunCodeBase opens a run, (code - 128) copies of the one value after it;
// codes up to it open a dump of that many literal values, so that a run
// holds at most 127 values and a dump at most 128.
inline constexpr uint32_t kRunCodeBase = 128;
inline constexpr uint32_t kLongestDump = 128;

}  // namespace pellumir
