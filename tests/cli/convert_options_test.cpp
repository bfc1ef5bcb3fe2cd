#include "cli/convert_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pellumir {
namespace {

using Kind = ConvertAction::Kind;

std::optional<ConvertOptions> parse(std::vector<std::string> arguments) {
    std::string error;
    std::optional<ConvertOptions> options = parseConvertOptions(arguments, error);
    EXPECT_EQ(options.has_value(), error.empty()) << error;
    return options;
}

ConvertAction keyAction(uint32_t code) {
    ConvertAction action;
    action.key = code;
    return action;
}

ConvertAction at(Kind kind, int32_t x, int32_t y) {
    ConvertAction action;
    action.kind = kind;
    action.x = x;
    action.y = y;
    return action;
}

TEST(ConvertOptions, KeepsTheActionsInTheOrderGiven) {
    auto options = parse({"--rotate", "--key", "82,72", "--plus", "in.hdr", "--pick", "-3", "4",
                          "--minus", "--mirror", "--flip", "--reset", "out.bmp"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->input, "in.hdr");
    EXPECT_EQ(options->output, "out.bmp");
    EXPECT_FALSE(options->printsOnly());
    EXPECT_EQ(options->actions, (std::vector<ConvertAction>{keyAction(82),
                                                            keyAction(82),
                                                            keyAction(72),
                                                            keyAction(107),
                                                            at(Kind::pick, -3, 4),
                                                            keyAction(109),
                                                            keyAction(72),
                                                            keyAction(86),
                                                            {Kind::reset}}));
}

TEST(ConvertOptions, PrintingActionsTakeTheInputOnly) {
    auto info = parse({"--info", "in.hdr"});
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->printsOnly());
    EXPECT_EQ(info->input, "in.hdr");
    EXPECT_EQ(info->output, "");
    auto pixel = parse({"--mirror", "--pixel", "-1", "0", "in.hdr"});
    ASSERT_TRUE(pixel);
    EXPECT_EQ(pixel->actions, (std::vector<ConvertAction>{keyAction(72), at(Kind::pixel, -1, 0)}));
}

TEST(ConvertOptions, HelpEndsTheParsing) {
    auto options = parse({"--frob", "--help"});
    // The unknown option comes first and is refused.
    EXPECT_FALSE(options);
    options = parse({"--help", "--frob"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->help);
}

TEST(ConvertOptions, TakesNamesAfterADoubleDashAsFiles) {
    auto options = parse({"--mirror", "--", "--odd.hdr", "out.hdr"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->input, "--odd.hdr");
}

TEST(ConvertOptions, FillsTheRawLayout) {
    auto options = parse({"--raw", "640", "480", "--grey", "--swap", "in.FLOAT", "out.hdr"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->rawLayout.width, 640);
    EXPECT_EQ(options->rawLayout.height, 480);
    EXPECT_FALSE(options->rawLayout.colour);
    EXPECT_TRUE(options->rawLayout.swapBytes);
    options = parse({"--raw", "2", "3", "in.float", "out.hdr"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->rawLayout.colour);
    EXPECT_FALSE(options->rawLayout.swapBytes);
}

TEST(ConvertOptions, RefusesWrongCommandLines) {
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"in.hdr"},
        {"in.hdr", "out.hdr", "more.hdr"},
        {"--info", "in.hdr", "out.hdr"},
        {"--pixel", "1", "in.hdr"},
        {"--pixel", "1", "x", "in.hdr"},
        {"--pick", "1", "2"},
        {"--pick", "1.5", "2", "in.hdr", "out.hdr"},
        {"--pick", "3000000000", "2", "in.hdr", "out.hdr"},
        {"--key", "82,,72", "in.hdr", "out.hdr"},
        {"--key", "82,", "in.hdr", "out.hdr"},
        {"--key", "-1", "in.hdr", "out.hdr"},
        {"--key", "+82", "in.hdr", "out.hdr"},
        {"--key", "4294967296", "in.hdr", "out.hdr"},
        {"--key"},
        {"--frob", "in.hdr", "out.hdr"},
        {"in.float", "out.hdr"},  // raw float without its size
        {"--raw", "0", "4", "in.float", "out.hdr"},
        {"--raw", "4", "in.float", "out.hdr"},
        {"--raw", "2", "2", "in.hdr", "out.hdr"},  // raw layout for another kind
        {"--grey", "in.hdr", "out.hdr"},
        {"--swap", "in.pfm", "out.hdr"},
    };
    for (const auto& arguments : wrong) {
        std::string joined;
        for (const auto& a : arguments)
            joined += a + " ";
        SCOPED_TRACE(joined);
        std::string error;
        EXPECT_FALSE(parseConvertOptions(arguments, error));
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
}  // namespace pellumir
