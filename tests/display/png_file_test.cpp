#include <gtest/gtest.h>
#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "display/display_bitmap.h"
#include "display/png_file.h"
#include "io/byte_sink.h"
#include "support/memory_file.h"
#include "support/png_decode.h"
#include "support/short_sink.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::DecodedPng;
using test::decodePng;
using test::TempDir;

// 3 x 2 pixels whose display bytes are known (red, green, blue in the comments).
const std::vector<RgbePixel> kPicture = {
    {255, 127, 0, 128},   {0, 0, 0, 0},   {1, 128, 255, 128},    // 255 186 15, 0 0 0, 24 187 255
    {128, 128, 128, 128}, {0, 1, 0, 128}, {255, 255, 255, 255},  // 187 x 3, 15 24 15, 255 x 3
};

TEST(WritePng, HoldsTheBitmapsPixelsTopRowFirstAsRgbWithTheDisplayGamma) {
    DisplayBitmap bitmap;
    ASSERT_EQ(bitmap.build(kPicture.data(), 3, 2, 1.0f, 2.2f), 1);
    MemorySink out;
    ASSERT_EQ(writeBitmapPng(out, bitmap, 2.2), 1);

    DecodedPng png;
    test::MemoryFile file(out.bytes());
    ASSERT_TRUE(decodePng(file.get(), png));
    EXPECT_EQ(png.width, 3u);
    EXPECT_EQ(png.height, 2u);
    EXPECT_EQ(png.colourType, PNG_COLOR_TYPE_RGB);
    EXPECT_EQ(png.bitDepth, 8);
    EXPECT_EQ(png.gamma, 45455);
    EXPECT_EQ(png.rgb, (std::vector<uint8_t>{255, 186, 15, 0, 0, 0, 24, 187, 255, 187, 187, 187, 15,
                                             24, 15, 255, 255, 255}));
}

TEST(WritePng, SavesTheSameBytesToAFileAndLeavesNothingElse) {
    TempDir dir;
    DisplayBitmap bitmap;
    ASSERT_EQ(bitmap.build(kPicture.data(), 3, 2, 1.0f, 2.2f), 1);
    MemorySink out;
    ASSERT_EQ(writeBitmapPng(out, bitmap, 2.2), 1);
    ASSERT_EQ(writeBitmapPng(dir.file("a.png"), bitmap, 2.2), 1);
    EXPECT_EQ(test::readBytes(dir.file("a.png")),
              std::string(out.bytes().begin(), out.bytes().end()));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.png"});
}

TEST(WritePng, FailsWithTheOutputsCauseWhereverTheOutputStopsTaking) {
    DisplayBitmap bitmap;
    ASSERT_EQ(bitmap.build(kPicture.data(), 3, 2, 1.0f, 2.2f), 1);
    MemorySink whole;
    ASSERT_EQ(writeBitmapPng(whole, bitmap, 2.2), 1);
    for (size_t room = 0; room < whole.bytes().size(); ++room) {
        test::ShortSink out(room);
        FailureReason reason;
        EXPECT_EQ(writeBitmapPng(out, bitmap, 2.2, &reason), 0) << room;
        EXPECT_EQ(reason.text(), std::strerror(ENOSPC)) << room;
    }
}

TEST(WritePng, AFailedOrEmptySaveLeavesTheOldFile) {
    TempDir dir;
    test::writeBytes(dir.file("a.png"), "old");
    DisplayBitmap empty;
    EXPECT_EQ(writeBitmapPng(dir.file("a.png"), empty, 2.2), 0);

    PngSource missingRows{3, 2, [](uint32_t y) -> const uint8_t* {
                              static const uint8_t row[9] = {};
                              return y == 0 ? row : nullptr;
                          }};
    EXPECT_EQ(writePng(dir.file("a.png"), missingRows, 2.2), 0);
    EXPECT_EQ(test::readBytes(dir.file("a.png")), "old");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.png"});
}

TEST(WritePng, ReportsAFullDisk) {
    DisplayBitmap bitmap;
    ASSERT_EQ(bitmap.build(kPicture.data(), 3, 2, 1.0f, 2.2f), 1);
    EXPECT_EQ(writeBitmapPng("/dev/full", bitmap, 2.2), 0);
}

}  // namespace
}  // namespace pellumir
