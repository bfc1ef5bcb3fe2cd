#include "picture/formats/scanline_reader.h"
#include "picture/formats/scanline_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "io/byte_sink.h"
#include "support/memory_file.h"
#include "support/short_sink.h"

namespace pellumir {
namespace {

using Bytes = std::vector<uint8_t>;
using test::MemoryFile;

RgbePixel px(uint8_t r, uint8_t g, uint8_t b, uint8_t e) {
    return {r, g, b, e};
}

Bytes encode(const std::vector<RgbePixel>& row) {
    MemorySink out;
    EXPECT_EQ(writeScanline(row.data(), static_cast<uint32_t>(row.size()), out), 0);
    return out.bytes();
}

// The bytes of one plane when every other plane is constant.
std::vector<RgbePixel> redPlane(const std::vector<uint8_t>& reds) {
    std::vector<RgbePixel> row;
    for (uint8_t v : reds)
        row.push_back(px(v, 0, 0, 0));
    return row;
}

Bytes firstPlaneOf(const Bytes& encoded, size_t count) {
    return Bytes(encoded.begin() + 4, encoded.begin() + 4 + static_cast<long>(count));
}

TEST(WriteScanline, WritesEightEqualPixelsAsTwelveBytes) {
    std::vector<RgbePixel> row(8, px(10, 20, 30, 130));
    EXPECT_EQ(encode(row), (Bytes{2, 2, 0, 8, 136, 10, 136, 20, 136, 30, 136, 130}));
}

TEST(WriteScanline, SplitsLongRunsAt127) {
    EXPECT_EQ(firstPlaneOf(encode(redPlane(std::vector<uint8_t>(128, 7))), 4),
              (Bytes{255, 7, 1, 7}));
    EXPECT_EQ(firstPlaneOf(encode(redPlane(std::vector<uint8_t>(130, 7))), 4),
              (Bytes{255, 7, 131, 7}));
}

TEST(WriteScanline, UsesShortRunsOnlyBeforeALongRun) {
    const uint8_t A = 1, B = 2, C = 3;
    EXPECT_EQ(firstPlaneOf(encode(redPlane({A, A, B, B, B, B, C, C})), 4), (Bytes{130, A, 132, B}));
    EXPECT_EQ(firstPlaneOf(encode(redPlane({A, A, C, B, B, B, B, C})), 6),
              (Bytes{3, A, A, C, 132, B}));
    EXPECT_EQ(firstPlaneOf(encode(redPlane({A, B, C, A, B, C, A, A})), 9),
              (Bytes{8, A, B, C, A, B, C, A, A}));
    // Two equal values at the very end are a short run too.
    EXPECT_EQ(firstPlaneOf(encode(redPlane({B, B, B, B, C, C, C, C, A, A})), 6),
              (Bytes{132, B, 132, C, 130, A}));
}

TEST(WriteScanline, DumpsAtMost128Values) {
    std::vector<uint8_t> values;
    for (int i = 0; i < 130; ++i)
        values.push_back(static_cast<uint8_t>(i));
    Bytes plane = encode(redPlane(values));
    EXPECT_EQ(plane[4], 128);
    EXPECT_EQ(plane[4 + 129], 2);
    EXPECT_EQ(plane[4 + 130], 128);
}

TEST(WriteScanline, WritesShortAndOverlongLinesFlat) {
    for (uint32_t length : {1u, 7u, 32768u}) {
        std::vector<RgbePixel> row(length, px(2, 2, 0, 7));
        EXPECT_EQ(encode(row).size(), 4 * length);
    }
    EXPECT_EQ(encode(std::vector<RgbePixel>(8, px(1, 2, 3, 4)))[0], 2);
    EXPECT_EQ(encode(std::vector<RgbePixel>(32767, px(1, 2, 3, 4)))[3], 0xff);
}

TEST(WriteScanline, FailsWhenTheOutputTakesNotAllOfTheLine) {
    // Flat and run-length lines, each cut at every byte; one writer for all
    // the cuts, as a picture's lines share one.
    for (uint32_t length : {3u, 12u}) {
        std::vector<RgbePixel> row;
        for (uint32_t i = 0; i < length; ++i)
            row.push_back(px(uint8_t(i), uint8_t(i / 4), 7, 130));
        size_t whole = encode(row).size();
        ScanlineWriter writer(length);
        for (size_t room = 0; room < whole; ++room) {
            test::ShortSink out(room);
            EXPECT_LT(writer.write(row.data(), out), 0) << length << " " << room;
        }
        test::ShortSink out(whole);
        EXPECT_EQ(writer.write(row.data(), out), 0);
        EXPECT_EQ(out.bytes(), encode(row));
    }
}

// readScanline over the given bytes into a row of `length` pixels, with
// one pixel before the row (as in every row but the first).
struct Read {
    int result;
    std::vector<RgbePixel> row;
    int next;  // the byte after the scanline, or -1
};

Read read(const Bytes& bytes, uint32_t length, bool firstRow = false,
          RgbePixel before = px(9, 9, 9, 9)) {
    MemoryFile file(bytes);
    ByteInput in(file.get());
    std::vector<RgbePixel> block(length + 1, px(0xee, 0xee, 0xee, 0xee));
    block[0] = before;
    int result = readScanline(block.data() + 1, length, in, firstRow);
    return {result, std::vector<RgbePixel>(block.begin() + 1, block.end()), in.get()};
}

Bytes flat(const std::vector<RgbePixel>& pixels) {
    Bytes bytes;
    for (const auto& p : pixels)
        bytes.insert(bytes.end(), {p.red, p.green, p.blue, p.exponent});
    return bytes;
}

TEST(ReadScanline, ReadsRunLengthPlanes) {
    Read r = read({2, 2, 0, 8, 136, 10, 136, 20, 136, 30, 136, 130, 77}, 8);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.row, std::vector<RgbePixel>(8, px(10, 20, 30, 130)));
    EXPECT_EQ(r.next, 77);
}

TEST(ReadScanline, FailsWhenTheLengthFieldDiffersFromTheWidth) {
    EXPECT_EQ(read({2, 2, 0, 9, 137, 1, 137, 1, 137, 1, 137, 1}, 8).result, -1);
}

TEST(ReadScanline, DropsThePartOfAPacketPastTheEndOfThePlane) {
    // Five values in a plane with three left: a run keeps three.
    Bytes run = {2, 2, 0, 8, 5, 1, 2, 3, 4, 5, 133, 6, 136, 0, 136, 0, 136, 0, 99};
    Read r = read(run, 8);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.row[4].red, 5);
    EXPECT_EQ(r.row[7].red, 6);
    EXPECT_EQ(r.next, 99);
    // A dump is read whole and only its first three values kept.
    Bytes dump = {2, 2, 0, 8, 5, 1, 2, 3, 4, 5, 5, 6, 7, 8, 60, 61, 136, 0, 136, 0, 136, 0, 99};
    r = read(dump, 8);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.row[7].red, 8);
    EXPECT_EQ(r.row[0].green, 0);
    EXPECT_EQ(r.next, 99);
}

TEST(ReadScanline, SkipsEmptyDumpPackets) {
    Read r = read({2, 2, 0, 8, 0, 0, 136, 4, 136, 5, 136, 6, 0, 136, 7}, 8);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.row[3], px(4, 5, 6, 7));
}

TEST(ReadScanline, FailsAtEveryCutOfARunLengthScanline) {
    Bytes whole = {2, 2, 0, 8, 136, 10, 3, 1, 2, 3, 133, 4, 136, 30, 136, 130};
    ASSERT_EQ(read(whole, 8).result, 0);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_EQ(read(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)), 8).result, -1);
    }
}

TEST(ReadScanline, ReadsAPixelStartingWithTwoAsAnOrdinaryPixel) {
    // 2, 2 with a third byte of 128 or more, or 2, x with x not 2.
    std::vector<RgbePixel> pixels(8, px(5, 6, 7, 8));
    pixels[0] = px(2, 2, 200, 9);
    EXPECT_EQ(read(flat(pixels), 8).row, pixels);
    pixels[0] = px(2, 3, 0, 9);
    EXPECT_EQ(read(flat(pixels), 8).row, pixels);
    // Below 8 pixels the new form is never tried.
    std::vector<RgbePixel> shortRow(7, px(2, 2, 0, 7));
    EXPECT_EQ(read(flat(shortRow), 7).row, shortRow);
}

TEST(ReadScanline, RepeatsThePixelBeforeAnOldMarker) {
    RgbePixel p = px(50, 60, 70, 130), q = px(3, 4, 5, 6);
    Read r = read(flat({p, px(1, 1, 1, 3), q}), 5);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.row, (std::vector<RgbePixel>{p, p, p, p, q}));
}

TEST(ReadScanline, ChainsConsecutiveMarkersBy256) {
    RgbePixel p = px(50, 60, 70, 130);
    Read r = read(flat({p, px(1, 1, 1, 3), px(1, 1, 1, 1)}), 260);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.row, std::vector<RgbePixel>(260, p));
    EXPECT_EQ(r.next, -1);
}

TEST(ReadScanline, SaturatesTheCountOfLongMarkerChains) {
    // Four markers of count 0 shift the fifth by 32: its count fills the rest of the line.
    RgbePixel p = px(8, 8, 8, 8), zero = px(1, 1, 1, 0);
    Read r = read(flat({p, zero, zero, zero, zero, px(1, 1, 1, 1), px(7, 7, 7, 7)}), 40000);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.row.back(), p);
    EXPECT_EQ(r.next, 7);
}

TEST(ReadScanline, StartsARowWithAMarkerFromTheLastPixelOfTheRowAbove) {
    RgbePixel before = px(40, 41, 42, 43);
    Read r = read(flat({px(1, 1, 1, 2), px(5, 5, 5, 5)}), 3, false, before);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.row, (std::vector<RgbePixel>{before, before, px(5, 5, 5, 5)}));
}

TEST(ReadScanline, FailsOnAMarkerAsTheFirstPixelOfThePicture) {
    EXPECT_EQ(read(flat({px(1, 1, 1, 2), px(5, 5, 5, 5)}), 3, true).result, -1);
    // A marker of count 0 there repeats nothing and is overwritten.
    Read r = read(flat({px(1, 1, 1, 0), px(5, 5, 5, 5), px(6, 6, 6, 6), px(7, 7, 7, 7)}), 3, true);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.row, (std::vector<RgbePixel>{px(5, 5, 5, 5), px(6, 6, 6, 6), px(7, 7, 7, 7)}));
}

TEST(ReadScanline, MarkerZeroStillShiftsTheNextMarker) {
    RgbePixel p = px(9, 8, 7, 6);
    // p, then markers 0 and 1: 0 + 256 copies.
    Read r = read(flat({p, px(1, 1, 1, 0), px(1, 1, 1, 1)}), 257);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.row, std::vector<RgbePixel>(257, p));
}

TEST(ReadScanline, DropsTheSurplusOfAMarkerPastTheEndOfTheLine) {
    RgbePixel p = px(9, 8, 7, 6);
    Read r = read(flat({px(4, 4, 4, 4), p, px(1, 1, 1, 10), px(3, 3, 3, 3)}), 4);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.row, (std::vector<RgbePixel>{px(4, 4, 4, 4), p, p, p}));
    EXPECT_EQ(r.next, 3);
}

TEST(ReadScanline, FailsAtEveryCutOfAFlatScanline) {
    std::vector<RgbePixel> pixels = {px(1, 2, 3, 4), px(5, 6, 7, 8), px(9, 10, 11, 12)};
    Bytes whole = flat(pixels);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        EXPECT_EQ(read(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)), 3).result, -1);
    }
    EXPECT_EQ(read(whole, 3).row, pixels);
}

TEST(Scanline, RoundTripsRandomPixelsAtEveryInterestingLength) {
    std::mt19937 random(42);
    std::vector<uint32_t> lengths;
    for (uint32_t w = 1; w <= 40; ++w)
        lengths.push_back(w);
    lengths.insert(lengths.end(), {127, 128, 129, 255, 256, 1000, 32767, 32768});
    for (uint32_t length : lengths) {
        SCOPED_TRACE(length);
        std::vector<RgbePixel> row(length);
        for (auto& p : row) {
            // Runs as well as noise; never the old marker 1, 1, 1.
            uint32_t bits = random();
            uint8_t shared = static_cast<uint8_t>(bits >> 24);
            bool run = (bits & 3) != 0;
            p = px(run ? shared & 0xf0 : static_cast<uint8_t>(bits | 0x80),
                   run ? 200 : static_cast<uint8_t>(bits >> 8),
                   static_cast<uint8_t>(bits >> 16 & 0x0f), 130);
        }
        Bytes bytes = encode(row);
        Read r = read(bytes, length);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.row, row);
        EXPECT_EQ(r.next, -1);
    }
}

}  // namespace
}  // namespace pellumir
