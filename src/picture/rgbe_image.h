#pragma once

#include <cstdint>
#include <functional>

namespace pellumir {

// One pixel in the shared-exponent form of Radiance files: three 8-bit
// mantissas and one biased exponent, in the byte order of the file.
struct RgbePixel {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t exponent;

    friend bool operator==(const RgbePixel&, const RgbePixel&) = default;
};
static_assert(sizeof(RgbePixel) == 4);

// The picture: one block of width x height pixels, row 0 at the top, and one
// array of row pointers into it. Empty while `rows` is null.
struct RgbeImage {
    RgbePixel** rows = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;

    RgbeImage() = default;
    ~RgbeImage() { release(); }
    RgbeImage(const RgbeImage&) = delete;
    RgbeImage& operator=(const RgbeImage&) = delete;

    bool empty() const { return rows == nullptr; }
    // The first pixel of the block; all pixels follow row after row.
    RgbePixel* pixels() const { return rows ? rows[0] : nullptr; }

    // Makes room for width x height pixels, keeping the present block (and
    // its pixels) when the size is unchanged. The new pixels are not
    // initialised; large blocks are asked for in huge pages. On failure, or for a width or height
    // of 0, the picture is left empty.
    void allocate(uint32_t newWidth, uint32_t newHeight);
    void release();

    // Exchange pixel contents; the row pointers stay. Indices are not checked.
    void swapRows(uint32_t a, uint32_t b);
    void swapColumns(uint32_t a, uint32_t b);

    // Called by rotate90 as soon as rows [first, last) of the turned
    // picture are complete, on the thread that wrote them, while they are
    // still in its cache.
    using RowsDone = std::function<void(const RgbeImage& turned, uint32_t first, uint32_t last)>;

    // Whether a turn keeps the picture's old block for the next turn.
    enum class Spare { release, keep };

    // Turns the picture 90 degrees clockwise as displayed; width and height
    // exchange. Large pictures are turned on two cores. With Spare::keep the
    // old block is kept (while the memory budget has room for two) and the
    // next turn writes into it instead of into fresh memory; it goes with
    // release() or an allocate() of another size. Returns false, with the
    // picture exactly as it was and `rowsDone` never called, when the
    // second block cannot be had.
    bool rotate90(const RowsDone& rowsDone = nullptr, Spare spare = Spare::release);

    // Gives the picture a block of `bytes` (from malloc) for its next turn,
    // in the place of a spare it may have; a block of another size than
    // the picture's is freed at that turn.
    void giveSpare(RgbePixel* block, uint64_t bytes);

    // Takes over the other picture's block and rows; the other is left
    // empty. Spare blocks stay where they are.
    void swap(RgbeImage& other);

  private:
    RgbePixel* spare_ = nullptr;
    uint64_t spareBytes_ = 0;
};

struct RgbColour {
    double red;
    double green;
    double blue;
};

// The largest component value that encodes without overflowing the exponent.
inline constexpr double kLargestEncodable = 0x1.fffffffffffffp126;

// Float colour to shared exponent. Each component is first clamped into
// [0, kLargestEncodable], NaN counting as 0.
void encodeRgbe(RgbePixel& pixel, double red, double green, double blue);

// (mantissa + 0.5) x 2^(exponent - 136); exponent 0 is not special.
RgbColour decodeRgbe(RgbePixel pixel);

}  // namespace pellumir
