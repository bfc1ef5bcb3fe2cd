#include "io/byte_input.h"

#include <gtest/gtest.h>

#include <string>

#include "support/memory_file.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::MemoryFile;

TEST(ByteInput, GivesTheBytesAcrossBlockBoundariesThenStaysAtTheEnd) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += static_cast<char>(i * 7);
    MemoryFile file(bytes);
    ByteInput in(file.get(), 64);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(in.get(), static_cast<uint8_t>(i * 7));
    EXPECT_FALSE(in.atEnd());
    EXPECT_EQ(in.get(), ByteInput::kEnd);
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(in.get(), ByteInput::kEnd);
    EXPECT_FALSE(in.failed());
}

TEST(ByteInput, StepsBackOverTheLastByteAlsoAtTheStartOfABlock) {
    MemoryFile file("abcdef");
    ByteInput in(file.get(), 3);
    EXPECT_EQ(in.get(), 'a');
    in.unget();
    EXPECT_EQ(in.get(), 'a');
    in.get();
    in.get();
    EXPECT_EQ(in.get(), 'd');  // the first byte of the second block
    in.unget();
    EXPECT_EQ(in.get(), 'd');
}

TEST(ByteInput, ReadsLinesLikeFgets) {
    MemoryFile file("one\ntwo is long\nlast");
    ByteInput in(file.get(), 5);
    char line[8];
    EXPECT_EQ(in.getLine(line, sizeof line), 4u);
    EXPECT_STREQ(line, "one\n");
    EXPECT_EQ(in.getLine(line, sizeof line), 7u);  // cut at size - 1
    EXPECT_STREQ(line, "two is ");
    EXPECT_EQ(in.getLine(line, sizeof line), 5u);
    EXPECT_STREQ(line, "long\n");
    EXPECT_EQ(in.getLine(line, sizeof line), 4u);
    EXPECT_STREQ(line, "last");
    EXPECT_EQ(in.getLine(line, sizeof line), 0u);
}

TEST(ByteInput, KnowsTheBytesLeftOfFilesAndMemoryStreams) {
    MemoryFile memory("0123456789");
    ByteInput in(memory.get(), 4);
    EXPECT_EQ(in.bytesLeft(), 10u);
    for (int i = 0; i < 6; ++i)
        in.get();
    EXPECT_EQ(in.bytesLeft(), 4u);

    test::TempDir dir;
    test::writeBytes(dir.file("f"), "abcdefgh");
    std::FILE* file = std::fopen(dir.file("f").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::fgetc(file);
    ByteInput fromFile(file, 2);
    EXPECT_EQ(fromFile.bytesLeft(), 7u);
    EXPECT_EQ(fromFile.get(), 'b');
    std::fclose(file);
}

TEST(ByteInput, ReportsAReadErrorAsFailedNotAsTheEnd) {
    // A stream opened for writing only cannot be read.
    test::TempDir dir;
    std::FILE* file = std::fopen(dir.file("w").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ByteInput in(file);
    EXPECT_EQ(in.get(), ByteInput::kEnd);
    EXPECT_TRUE(in.failed());
    char line[4];
    EXPECT_EQ(in.getLine(line, sizeof line), 0u);
    std::fclose(file);
}

}  // namespace
}  // namespace pellumir
