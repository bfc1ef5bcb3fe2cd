#include "picture/formats/header.h"

#include <gtest/gtest.h>

#include <string>

#include "support/memory_file.h"

namespace pellumir {
namespace {

using test::MemoryFile;

// skipHeader's result and the bytes left after it.
std::pair<int, std::string> skip(const std::string& bytes) {
    MemoryFile file(bytes);
    ByteInput in(file.get());
    int result = skipHeader(in);
    std::string rest;
    for (int c = in.get(); c != ByteInput::kEnd; c = in.get())
        rest += static_cast<char>(c);
    return {result, rest};
}

TEST(SkipHeader, StopsAfterTheFirstEmptyLine) {
    EXPECT_EQ(skip("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 2 +X 2\n"),
              std::make_pair(0, std::string("-Y 2 +X 2\n")));
    EXPECT_EQ(skip("\nrest"), std::make_pair(0, std::string("rest")));
}

TEST(SkipHeader, FailsWhenTheFileEndsInsideTheHeader) {
    EXPECT_EQ(skip("").first, -1);
    EXPECT_EQ(skip("#?RADIANCE\n").first, -1);
    EXPECT_EQ(skip("#?RADIANCE\nno line end").first, -1);
}

TEST(SkipHeader, TakesCrLfAsAnOrdinaryLine) {
    EXPECT_EQ(skip("#?RADIANCE\r\n\r\n-Y 1 +X 1\r\n").first, -1);
    EXPECT_EQ(skip("#?RADIANCE\r\n\r\n\nX").second, "X");
}

TEST(SkipHeader, DoesNotTakeTheEndOfALongLineForAnEmptyLine) {
    for (size_t length : {509u, 510u, 511u, 512u, 1022u, 1023u, 1024u, 5000u}) {
        SCOPED_TRACE(length);
        std::string line(length, 'a');
        EXPECT_EQ(skip(line + "\n\nrest"), std::make_pair(0, std::string("rest")));
        // Only the real empty line ends the header, also with a long line last.
        EXPECT_EQ(skip("#\n" + line + "\n").first, -1);
    }
}

TEST(SkipHeader, FailsOnAHeaderCutAfterALongLineWithoutLoopingForever) {
    EXPECT_EQ(skip(std::string(511, 'a')).first, -1);
    EXPECT_EQ(skip(std::string(3000, 'a')).first, -1);
}

}  // namespace
}  // namespace pellumir
