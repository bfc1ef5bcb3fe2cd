#include "picture/formats/radiance.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "io/safe_output.h"
#include "support/memory_file.h"
#include "support/short_sink.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::MemoryFile;
using test::TempDir;

RgbePixel px(uint8_t r, uint8_t g, uint8_t b, uint8_t e) {
    return {r, g, b, e};
}

std::string flatBytes(const std::vector<RgbePixel>& pixels) {
    std::string bytes;
    for (const auto& p : pixels) {
        bytes += {static_cast<char>(p.red), static_cast<char>(p.green), static_cast<char>(p.blue),
                  static_cast<char>(p.exponent)};
    }
    return bytes;
}

int readFrom(RgbeImage& image, const std::string& bytes) {
    MemoryFile file(bytes);
    return readRadiance(image, file.get());
}

// The picture's file, written into memory.
std::string written(const RgbeImage& image) {
    MemorySink out;
    EXPECT_EQ(writeRadiance(image, out), 1);
    return std::string(out.bytes().begin(), out.bytes().end());
}

// Pixel (r, c) of a test picture: distinct for every position, never a marker.
RgbePixel at(uint32_t r, uint32_t c) {
    return px(uint8_t(100 + r), uint8_t(c), uint8_t(r ^ c), 130);
}

void expectUpright(const RgbeImage& image, uint32_t width, uint32_t height) {
    ASSERT_FALSE(image.empty());
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    for (uint32_t r = 0; r < height; ++r) {
        for (uint32_t c = 0; c < width; ++c)
            ASSERT_EQ(image.rows[r][c], at(r, c)) << r << "," << c;
    }
}

TEST(ReadRadiance, NeedsNoMoreThanAnEmptyLineOfHeader) {
    RgbeImage image;
    std::vector<RgbePixel> pixels = {at(0, 0), at(0, 1), at(1, 0), at(1, 1)};
    EXPECT_EQ(readFrom(image, "\n-Y 2 +X 2\n" + flatBytes(pixels)), 1);
    expectUpright(image, 2, 2);
}

TEST(ReadRadiance, IgnoresBytesAfterTheLastScanline) {
    RgbeImage image;
    std::vector<RgbePixel> pixels = {at(0, 0), at(0, 1), at(1, 0), at(1, 1)};
    EXPECT_EQ(readFrom(image, "#?RADIANCE\n\n-Y 2 +X 2\n" + flatBytes(pixels) + "trailing"), 1);
    expectUpright(image, 2, 2);
}

// The file bytes of the W x H test picture in the orientation `flags`.
std::string orientedFile(int flags, uint32_t width, uint32_t height) {
    const char x = (flags & 1) ? '-' : '+';
    const char y = (flags & 2) ? '-' : '+';
    std::string line;
    std::vector<RgbePixel> pixels;
    if (flags & 4) {
        line = std::string(1, y) + "Y " + std::to_string(height) + " " + x + "X " +
               std::to_string(width);
        for (uint32_t k = 0; k < height; ++k) {
            uint32_t r = (flags & 2) ? k : height - 1 - k;
            for (uint32_t i = 0; i < width; ++i)
                pixels.push_back(at(r, (flags & 1) ? width - 1 - i : i));
        }
    } else {
        line = std::string(1, x) + "X " + std::to_string(width) + " " + y + "Y " +
               std::to_string(height);
        for (uint32_t k = 0; k < width; ++k) {
            uint32_t c = (flags & 1) ? width - 1 - k : k;
            for (uint32_t i = 0; i < height; ++i)
                pixels.push_back(at((flags & 2) ? i : height - 1 - i, c));
        }
    }
    return "#?RADIANCE\n\n" + line + "\n" + flatBytes(pixels);
}

TEST(ReadRadiance, LoadsAllEightOrientationsAsTheSameUprightPicture) {
    for (auto [w, h] : {std::pair{3u, 2u}, std::pair{20u, 9u}, std::pair{1u, 5u}}) {
        for (int flags = 0; flags < 8; ++flags) {
            SCOPED_TRACE(orientedFile(flags, w, h).substr(12, 14));
            RgbeImage image;
            EXPECT_EQ(readFrom(image, orientedFile(flags, w, h)), flags == 6 ? 1 : 2);
            expectUpright(image, w, h);
        }
    }
}

// The turned reading against the plain one followed by a turn: the same
// result and pixels, whether the rows are turned in batches as they come
// (standard orientation, 256 rows and more; from 4 MiB on by a second
// thread while the next batch is read) or after the reading.
void expectTurnedAsReadThenTurned(const std::string& bytes) {
    RgbeImage turned, expected;
    int result = readFrom(expected, bytes);
    ASSERT_NE(result, 0);
    ASSERT_TRUE(expected.rotate90());
    MemoryFile file(bytes);
    ASSERT_EQ(readRadianceTurned(turned, file.get()), result);
    ASSERT_EQ(turned.width, expected.width);
    ASSERT_EQ(turned.height, expected.height);
    for (uint32_t r = 0; r < expected.height; ++r) {
        ASSERT_EQ(turned.rows[r], turned.pixels() + uint64_t{r} * turned.width);
        for (uint32_t c = 0; c < expected.width; ++c)
            ASSERT_EQ(turned.rows[r][c], expected.rows[r][c]) << r << "," << c;
    }
}

TEST(ReadRadianceTurned, GivesThePlainReadingTurnedInEveryOrientation) {
    for (auto [w, h] : {std::pair{5u, 300u}, std::pair{20u, 9u}, std::pair{33u, 257u},
                        std::pair{1u, 600u}, std::pair{70u, 256u}, std::pair{1030u, 1029u}}) {
        for (int flags = 0; flags < 8; ++flags) {
            SCOPED_TRACE(orientedFile(flags, w, h).substr(12, 14));
            expectTurnedAsReadThenTurned(orientedFile(flags, w, h));
        }
    }
}

// An old repeat marker at the start of a scanline copies the last pixel of
// the scanline before, which the turned reading holds in another batch.
TEST(ReadRadianceTurned, RepeatsThePixelBeforeABatchOfScanlines) {
    std::vector<RgbePixel> pixels;
    for (uint32_t r = 0; r < 300; ++r) {
        bool repeats = r == 32 || r == 64 || r == 65 || r == 299;
        // Two copies stand for pixels 0 and 1 of the row.
        if (repeats) pixels.push_back(px(1, 1, 1, 2));
        for (uint32_t c = repeats ? 2 : 0; c < 5; ++c)
            pixels.push_back(at(r, c));
    }
    std::string bytes = "#?RADIANCE\n\n-Y 300 +X 5\n" + flatBytes(pixels);
    expectTurnedAsReadThenTurned(bytes);
    RgbeImage turned;
    MemoryFile file(bytes);
    ASSERT_EQ(readRadianceTurned(turned, file.get()), 1);
    // Row 32 of the file is column 300 - 1 - 32 of the turned picture.
    EXPECT_EQ(turned.rows[0][267], at(31, 4));
    EXPECT_EQ(turned.rows[1][267], at(31, 4));
    EXPECT_EQ(turned.rows[2][267], at(32, 2));
}

TEST(ReadRadianceTurned, FailsWithAnEmptyPictureOnACutFile) {
    std::string bytes = orientedFile(6, 7, 400);
    for (size_t cut : {bytes.size() - 1, bytes.size() / 2, size_t{40}}) {
        RgbeImage turned;
        MemoryFile file(bytes.substr(0, cut));
        EXPECT_EQ(readRadianceTurned(turned, file.get()), 0);
        EXPECT_TRUE(turned.empty());
    }
}

TEST(ReadRadiance, FailsWithoutTouchingThePictureOnABadHeaderOrResolution) {
    for (const char* bad : {"", "#?RADIANCE\n", "#?RADIANCE\n\n", "#?RADIANCE\n\n-Y 0 +X 5\n",
                            "#?RADIANCE\n\n-Y 5\n", "#?RADIANCE\r\n\r\n-Y 1 +X 1\r\n\1\2\3\4"}) {
        RgbeImage image;
        image.allocate(2, 2);
        RgbePixel* block = image.pixels();
        EXPECT_EQ(readFrom(image, bad), 0);
        EXPECT_EQ(image.pixels(), block);
    }
}

TEST(ReadRadiance, FailsWithAnEmptyPictureOnAMarkerAsTheFirstPixel) {
    RgbeImage image;
    EXPECT_EQ(readFrom(image, "\n-Y 1 +X 2\n" + flatBytes({px(1, 1, 1, 1), at(0, 0)})), 0);
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(readFrom(image, "\n-Y 1 +X 2\n" + flatBytes({px(1, 1, 1, 0), at(0, 0), at(0, 1)})),
              1);
}

TEST(ReadRadiance, FailsOnAFileTooShortForItsSizeBeforeAskingForMemory) {
    RgbeImage image;
    EXPECT_EQ(readFrom(image, "#?RADIANCE\n\n-Y 65536 +X 65536\n" + std::string(100, 'x')), 0);
    EXPECT_TRUE(image.empty());
    // Old markers can fill a whole row with 12 bytes, so a short file can be valid.
    std::string rows = flatBytes({at(0, 0), px(1, 1, 1, 255), px(1, 1, 1, 255)});
    for (int r = 1; r < 4; ++r)
        rows += flatBytes({px(1, 1, 1, 255), px(1, 1, 1, 255)});
    EXPECT_EQ(readFrom(image, "\n-Y 4 +X 40000\n" + rows), 1);
    EXPECT_EQ(image.rows[3][39999], at(0, 0));
}

TEST(ReadRadiance, ReadsTheHeaderLineLengthsAroundTheBufferSize) {
    std::vector<RgbePixel> pixels = {at(0, 0)};
    for (size_t length : {509u, 510u, 511u, 512u}) {
        SCOPED_TRACE(length);
        RgbeImage image;
        EXPECT_EQ(readFrom(image, "#" + std::string(length - 1, 'h') + "\n\n-Y 1 +X 1\n" +
                                      flatBytes(pixels)),
                  1);
        expectUpright(image, 1, 1);
    }
}

RgbeImage& randomPicture(RgbeImage& image, uint32_t width, uint32_t height, uint32_t seed) {
    std::mt19937 random(seed);
    image.allocate(width, height);
    for (uint32_t r = 0; r < height; ++r) {
        for (uint32_t c = 0; c < width; ++c) {
            uint32_t bits = random();
            // Stretches of equal values, as real pictures have, and noise.
            if ((bits & 7) != 0 && c > 0) {
                image.rows[r][c] = image.rows[r][c - 1];
            } else {
                encodeRgbe(image.rows[r][c], (bits >> 8 & 0xff) / 16.0, (bits >> 16 & 0xff) / 64.0,
                           (bits >> 24) / 3.0);
            }
        }
    }
    return image;
}

TEST(WriteRadiance, RoundTripsRandomPicturesOfEveryInterestingWidth) {
    std::vector<uint32_t> widths;
    for (uint32_t w = 1; w <= 40; ++w)
        widths.push_back(w);
    widths.insert(widths.end(), {127, 32767, 32768});
    for (uint32_t width : widths) {
        for (uint32_t height : {1u, 33u}) {
            SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
            RgbeImage original, copy;
            randomPicture(original, width, height, width * 100 + height);
            ASSERT_EQ(readFrom(copy, written(original)), 1);
            ASSERT_EQ(copy.width, width);
            ASSERT_EQ(copy.height, height);
            ASSERT_TRUE(
                std::equal(original.pixels(), original.pixels() + width * height, copy.pixels()));
        }
    }
}

TEST(WriteRadiance, WritesTheFixedHeaderAndTheStandardResolutionLine) {
    RgbeImage image;
    image.allocate(3, 2);
    std::fill(image.pixels(), image.pixels() + 6, px(1, 2, 3, 4));
    std::string expected =
        "#?RADIANCE\n# Made with 100% pure brindle\nFORMAT=32-bit_rle_rgbe\n"
        "EXPOSURE=          1.0000000000000\n\n-Y 2 +X 3\n" +
        flatBytes(std::vector<RgbePixel>(6, px(1, 2, 3, 4)));
    EXPECT_EQ(written(image), expected);
}

TEST(WriteRadiance, SavesTheSameBytesToAFileAndLeavesNothingElse) {
    TempDir dir;
    RgbeImage image;
    randomPicture(image, 20, 3, 2);
    ASSERT_EQ(writeRadiance(image, dir.file("p.hdr")), 1);
    EXPECT_EQ(test::readBytes(dir.file("p.hdr")), written(image));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"p.hdr"});
}

TEST(WriteRadiance, FailsWithTheOutputsCauseWhereverTheOutputStopsTaking) {
    RgbeImage image;
    randomPicture(image, 20, 3, 4);
    size_t whole = written(image).size();
    for (size_t room = 0; room < whole; ++room) {
        test::ShortSink out(room);
        FailureReason reason;
        ASSERT_EQ(writeRadiance(image, out, &reason), 0) << room;
        ASSERT_EQ(reason.text(), std::strerror(ENOSPC)) << room;
    }
}

TEST(ReadRadiance, FailsWithAnEmptyPictureAtEveryCutOfAWrittenFile) {
    RgbeImage original;
    randomPicture(original, 9, 3, 7);
    std::string whole = written(original);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        RgbeImage image;
        ASSERT_EQ(readFrom(image, whole.substr(0, cut)), 0) << cut;
        ASSERT_TRUE(image.empty()) << cut;
    }
    RgbeImage image;
    EXPECT_EQ(readFrom(image, whole), 1);
}

TEST(WriteRadiance, RefusesAnEmptyPictureAndAMissingFolder) {
    TempDir dir;
    RgbeImage empty, image;
    EXPECT_EQ(writeRadiance(empty, dir.file("e.hdr")), 0);
    randomPicture(image, 4, 4, 1);
    EXPECT_EQ(writeRadiance(image, dir.file("missing/e.hdr")), 0);
    EXPECT_TRUE(dir.names().empty());
}

TEST(WriteRadiance, FailsOnAFullDevice) {
    RgbeImage image;
    randomPicture(image, 64, 64, 3);
    EXPECT_EQ(writeRadiance(image, "/dev/full"), 0);
}

// Fails the write system call once `budget` calls have gone through.
int writesLeft = 0;
ssize_t failingWrite(int fd, const void* data, size_t size) {
    if (writesLeft-- <= 0) {
        errno = ENOSPC;
        return -1;
    }
    return realFileOps().write(fd, data, size);
}

TEST(WriteRadiance, LeavesTheOldFileAsItWasWhenAWriteFails) {
    TempDir dir;
    test::writeBytes(dir.file("old.hdr"), "the old picture");
    RgbeImage image;
    randomPicture(image, 2000, 300, 5);  // larger than one output buffer
    FileOps ops = realFileOps();
    ops.write = failingWrite;
    for (int allowed : {0, 1}) {
        writesLeft = allowed;
        setFileOpsForTesting(&ops);
        EXPECT_EQ(writeRadiance(image, dir.file("old.hdr")), 0);
        setFileOpsForTesting(nullptr);
        EXPECT_EQ(test::readBytes(dir.file("old.hdr")), "the old picture");
        EXPECT_EQ(dir.names(), std::vector<std::string>{"old.hdr"});
    }
    EXPECT_EQ(writeRadiance(image, dir.file("old.hdr")), 1);
    RgbeImage copy;
    EXPECT_EQ(readRadiance(copy, dir.file("old.hdr")), 1);
}

}  // namespace
}  // namespace pellumir
