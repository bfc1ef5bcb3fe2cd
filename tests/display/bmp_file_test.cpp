#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "display/display_bitmap.h"
#include "io/byte_sink.h"
#include "io/failure_reason.h"
#include "io/safe_output.h"
#include "support/short_sink.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::TempDir;

// 3 x 2 pixels of known display bytes (blue, green, red in the comments).
const std::vector<RgbePixel> kPicture = {
    {255, 127, 0, 128},   {0, 0, 0, 0},   {1, 128, 255, 128},    // 15 186 255, 0 0 0, 255 187 24
    {128, 128, 128, 128}, {0, 1, 0, 128}, {255, 255, 255, 255},  // 187 x 3, 15 24 15, 255 x 3
};

std::string bytes(std::initializer_list<int> values) {
    std::string result;
    for (int v : values)
        result.push_back(static_cast<char>(v));
    return result;
}

const std::string kExpectedFile =
    bytes({'B', 'M', 78,  0,  0,  0,  0,   0,   0,    0,    54, 0, 0,    0,  // file header
           40,  0,   0,   0,  3,  0,  0,   0,   2,    0,    0,  0, 1,    0,
           24,  0,  // size, width, height
           0,   0,   0,   0,  0,  0,  0,   0,   0x12, 0x0b, 0,  0, 0x12, 0x0b,
           0,   0,                                                    // planes, bits, ...
           0,   0,   0,   0,  0,  0,  0,   0,                         // colours used
           187, 187, 187, 15, 24, 15, 255, 255, 255,  0,    0,  0,    // bottom row first
           15,  186, 255, 0,  0,  0,  255, 187, 24,   0,    0,  0});  // then the top row

void buildPicture(DisplayBitmap& bitmap) {
    ASSERT_EQ(bitmap.build(kPicture.data(), 3, 2, 1.0f, 2.2f), 1);
}

TEST(WriteBmp, WritesA3By2PictureAsThe78BytesOfItsFile) {
    DisplayBitmap bitmap;
    buildPicture(bitmap);
    MemorySink out;
    ASSERT_EQ(bitmap.writeBmp(out), 1);
    EXPECT_EQ(std::string(out.bytes().begin(), out.bytes().end()), kExpectedFile);
}

TEST(WriteBmp, FailsWithTheOutputsCauseWhereverTheOutputStopsTaking) {
    DisplayBitmap bitmap;
    buildPicture(bitmap);
    for (size_t room = 0; room < kExpectedFile.size(); ++room) {
        test::ShortSink out(room);
        FailureReason reason;
        EXPECT_EQ(bitmap.writeBmp(out, &reason), 0) << room;
        EXPECT_EQ(reason.text(), std::strerror(ENOSPC)) << room;
    }
}

TEST(WriteBmp, ReplacesAnExistingFile) {
    TempDir dir;
    test::writeBytes(dir.file("a.bmp"), std::string(500, 'x'));
    DisplayBitmap bitmap;
    buildPicture(bitmap);
    ASSERT_EQ(bitmap.writeBmp(dir.file("a.bmp")), 1);
    EXPECT_EQ(test::readBytes(dir.file("a.bmp")), kExpectedFile);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.bmp"});
}

TEST(WriteBmp, WritesNothingForAnEmptyBitmap) {
    TempDir dir;
    DisplayBitmap bitmap;
    EXPECT_EQ(bitmap.writeBmp(dir.file("a.bmp")), 0);
    EXPECT_TRUE(dir.names().empty());
}

TEST(WriteBmp, FailsIntoAMissingFolderAndCreatesNothing) {
    TempDir dir;
    DisplayBitmap bitmap;
    buildPicture(bitmap);
    EXPECT_EQ(bitmap.writeBmp(dir.file("missing/a.bmp")), 0);
    EXPECT_TRUE(dir.names().empty());
}

ssize_t failingWrite(int, const void*, size_t) {
    return errno = ENOSPC, -1;
}

TEST(WriteBmp, LeavesAnOldFileAsItWasWhenTheWriteFails) {
    TempDir dir;
    test::writeBytes(dir.file("a.bmp"), "precious");
    DisplayBitmap bitmap;
    buildPicture(bitmap);
    FileOps ops = realFileOps();
    ops.write = failingWrite;
    setFileOpsForTesting(&ops);
    int result = bitmap.writeBmp(dir.file("a.bmp"));
    setFileOpsForTesting(nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(test::readBytes(dir.file("a.bmp")), "precious");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.bmp"});
}

TEST(WriteBmpHeaders, RefusesAFileSizeBeyond32Bits) {
    BitmapInfoHeader header;
    header.biWidth = 0x20000000;  // a stride of 1.5 GiB: three rows are too many
    header.biHeight = 3;
    MemorySink out;
    EXPECT_EQ(DisplayBitmap::writeBmpHeaders(header, out), 0);
    EXPECT_TRUE(out.bytes().empty());
    header.biHeight = 2;
    EXPECT_EQ(DisplayBitmap::writeBmpHeaders(header, out), 1);
}

}  // namespace
}  // namespace pellumir
