#include "thumbnailer/thumbnailer_options.h"

#include <gtest/gtest.h>

namespace pellumir {
namespace {

std::optional<ThumbnailerOptions> parse(const std::vector<std::string>& arguments) {
    std::string error;
    auto options = parseThumbnailerOptions(arguments, error);
    EXPECT_EQ(options.has_value(), error.empty()) << error;
    return options;
}

TEST(ThumbnailerOptions, TakesTheFreedesktopLineSizeInputOutput) {
    auto options = parse({"-s", "256", "/home/a b/room.hdr", "/tmp/out.png"});
    ASSERT_TRUE(options);
    EXPECT_FALSE(options->help);
    EXPECT_EQ(options->size, 256u);
    EXPECT_EQ(options->input, "/home/a b/room.hdr");
    EXPECT_EQ(options->output, "/tmp/out.png");
    ASSERT_TRUE(parse({"--help"}));
    EXPECT_TRUE(parse({"--help"})->help);
    EXPECT_EQ(parse({"-s", "1", "a", "b"})->size, 1u);
    EXPECT_EQ(parse({"-s", "2048", "a", "b"})->size, kLargestThumbnailSide);
}

TEST(ThumbnailerOptions, RefusesSizesThatAreNotWholeNumbersInRange) {
    for (const char* size : {"0", "2049", "-5", "+5", "12a", "", " 5", "99999999999999999999"})
        EXPECT_FALSE(parse({"-s", size, "a", "b"})) << size;
}

TEST(ThumbnailerOptions, RefusesAnyOtherShapeOfLine) {
    EXPECT_FALSE(parse({}));
    EXPECT_FALSE(parse({"-s", "128", "in.hdr"}));
    EXPECT_FALSE(parse({"in.hdr", "out.png"}));
    EXPECT_FALSE(parse({"-x", "128", "in.hdr", "out.png"}));
    EXPECT_FALSE(parse({"-s", "128", "in.hdr", "out.png", "more"}));
    EXPECT_FALSE(parse({"-s", "128", "", "out.png"}));
    EXPECT_FALSE(parse({"-s", "128", "in.hdr", ""}));
}

}  // namespace
}  // namespace pellumir
