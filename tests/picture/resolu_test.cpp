#include "picture/formats/resolu.h"

#include <gtest/gtest.h>

#include "support/memory_file.h"

namespace pellumir {
namespace {

using test::MemoryFile;

struct Parsed {
    int result;
    Resolution r;
};

Parsed parse(const char* text) {
    Resolution r{-1, -1, -1};
    int result = parseResolution(text, r);
    return {result, r};
}

TEST(ParseResolution, FindsFlagsAndSizesOfAllEightOrientations) {
    struct Case {
        const char* line;
        int flags;
    } cases[] = {{"-Y 480 +X 640\n", 6}, {"+Y 480 +X 640\n", 4}, {"-Y 480 -X 640\n", 7},
                 {"+Y 480 -X 640\n", 5}, {"+X 640 +Y 480\n", 0}, {"-X 640 -Y 480\n", 3},
                 {"+X 640 -Y 480\n", 2}, {"-X 640 +Y 480\n", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Parsed p = parse(c.line);
        EXPECT_EQ(p.result, 1);
        EXPECT_EQ(p.r.flags, c.flags);
        EXPECT_EQ(p.r.xSize, 640);
        EXPECT_EQ(p.r.ySize, 480);
    }
}

TEST(ParseResolution, ReadsNumbersLikeAtoi) {
    Parsed p = parse("-Y\t 12junk +X+7\n");
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.r.ySize, 12);
    EXPECT_EQ(p.r.xSize, 7);
    // The last X and the last Y count; a letter that opens the text has no sign.
    p = parse("Y 3 X 4 X 5");
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.r.flags, 4);
    EXPECT_EQ(p.r.xSize, 5);
    // Overlong numbers saturate instead of overflowing.
    p = parse("-Y 99999999999999999999 +X 1");
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(p.r.ySize, INT32_MAX);
}

TEST(ParseResolution, FailsWithoutTextLettersOrPositiveSizes) {
    EXPECT_EQ(parse(nullptr).result, 0);
    EXPECT_EQ(parse("").result, 0);
    EXPECT_EQ(parse("-Y 0 +X 5\n").result, 0);
    EXPECT_EQ(parse("-Y 5 +X 0\n").result, 0);
    EXPECT_EQ(parse("-Y 5 +X -3\n").result, 0);
    EXPECT_EQ(parse("-Y 5 +Z 5\n").result, 0);
    EXPECT_EQ(parse("+X 5\n").result, 0);
    EXPECT_EQ(parse("-Y +X\n").result, 0);
    EXPECT_EQ(parse("-Y -99999999999999 +X 3").result, 0);
}

TEST(ReadResolution, GivesScanlineLengthAndCountByAxisOrder) {
    MemoryFile rows("-Y 480 +X 640\n");
    ByteInput in(rows.get());
    uint32_t length = 0, count = 0;
    EXPECT_EQ(readResolution(in, length, count), 6);
    EXPECT_EQ(length, 640u);
    EXPECT_EQ(count, 480u);

    MemoryFile columns("+X 640 +Y 480\n");
    ByteInput in2(columns.get());
    EXPECT_EQ(readResolution(in2, length, count), 0);
    EXPECT_EQ(length, 480u);
    EXPECT_EQ(count, 640u);
}

TEST(ReadResolution, ReadsAtMost31CharactersOfTheLine) {
    // 31 characters: the X size is complete, the LF stays in the stream.
    std::string line31 = "-Y 2 +X 3" + std::string(22, ' ');
    ASSERT_EQ(line31.size(), 31u);
    MemoryFile file(line31 + "\nP");
    ByteInput in(file.get());
    uint32_t length = 0, count = 0;
    EXPECT_EQ(readResolution(in, length, count), 6);
    EXPECT_EQ(in.get(), '\n');

    // 32 characters with the size as the last one: it is cut off.
    std::string line32 = "-Y 2" + std::string(24, ' ') + "+X 3";
    ASSERT_EQ(line32.size(), 32u);
    MemoryFile cut(line32 + "\n");
    ByteInput in2(cut.get());
    EXPECT_EQ(readResolution(in2, length, count), -1);

    MemoryFile empty("");
    ByteInput in3(empty.get());
    EXPECT_EQ(readResolution(in3, length, count), -1);
}

}  // namespace
}  // namespace pellumir
