#pragma once

#include <cstdint>

namespace pellumir {

// What any number of turns, mirrors and flips make of a picture, told
// without moving a pixel: the result's row r, column c is, in the unmoved
// picture of width W and height H,
//
//   row rr(r), column cc(c) when not transposed, and
//   row cc(c), column rr(r) when transposed (the result is then H wide),
//
// where rr reverses the order of the result's rows when `rowsReversed` and
// cc that of its columns when `columnsReversed`. Every one of the eight
// orientations of a rectangle has exactly one such form.
struct Orientation {
    bool transposed = false;
    bool rowsReversed = false;
    bool columnsReversed = false;

    // The picture turned clockwise once more as displayed. The result's
    // column c becomes row c, read from the bottom up.
    Orientation turned() const { return {!transposed, columnsReversed, !rowsReversed}; }
    // Left to right.
    Orientation mirrored() const { return {transposed, rowsReversed, !columnsReversed}; }
    // Upside down.
    Orientation flipped() const { return {transposed, !rowsReversed, columnsReversed}; }

    bool unmoved() const { return !transposed && !rowsReversed && !columnsReversed; }

    uint32_t widthOf(uint32_t width, uint32_t height) const { return transposed ? height : width; }
    uint32_t heightOf(uint32_t width, uint32_t height) const { return transposed ? width : height; }

    friend bool operator==(const Orientation&, const Orientation&) = default;
};

}  // namespace pellumir
