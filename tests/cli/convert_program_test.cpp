// Runs the built pellumir-convert and compares what it writes with what the
// picture commands give in this process after the same keys.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/picture_files.h"
#include "display/display_bitmap.h"
#include "display/picture_commands.h"
#include "display/recording_window.h"
#include "display/viewer_state.h"
#include "picture/formats/radiance.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::TempDir;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

class ConvertProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("PELLUMIR_BINARY_DIR"), nullptr) << "run through ctest";
        resetState();
        // 5 x 3, every pixel different, one black and one very bright.
        RgbeImage picture;
        picture.allocate(5, 3);
        for (uint32_t y = 0; y < 3; ++y) {
            for (uint32_t x = 0; x < 5; ++x) {
                picture.rows[y][x] = {uint8_t(40 * x + 10), uint8_t(60 * y + 5),
                                      uint8_t(17 * (x + y)), uint8_t(120 + 3 * x + y)};
            }
        }
        picture.rows[0][0] = {0, 0, 0, 0};
        picture.rows[2][4] = {200, 100, 50, 150};
        ASSERT_EQ(writeRadiance(picture, input()), 1);
    }
    void TearDown() override { resetState(); }

    static void resetState() {
        currentPicture.release();
        currentExposure = 1.0f;
    }

    std::string input() const { return dir.file("in.hdr"); }

    Outcome run(const std::vector<std::string>& arguments) const {
        std::string command =
            quoted(std::string(std::getenv("PELLUMIR_BINARY_DIR")) + "/pellumir-convert");
        for (const std::string& a : arguments)
            command += " " + quoted(a);
        command += " >" + quoted(output.file("stdout")) + " 2>" + quoted(output.file("stderr"));
        Outcome outcome;
        int status = std::system(command.c_str());
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.out = test::readBytes(output.file("stdout"));
        outcome.err = test::readBytes(output.file("stderr"));
        return outcome;
    }

    // The picture as start-up shows it, then the keys through the hooks.
    void viewAfter(const std::vector<uint32_t>& keys) {
        resetState();
        ASSERT_EQ(readRadiance(currentPicture, input()), 1);
        bitmap.build(currentPicture.pixels(), currentPicture.width, currentPicture.height,
                     currentExposure, kDisplayGamma);
        bitmap.fillHeader();
        for (uint32_t key : keys)
            keyCommand(window, bitmap, key);
    }

    TempDir dir;
    TempDir output;  // the program's own stdout and stderr
    test::RecordingWindow window;
    DisplayBitmap bitmap;
};

TEST_F(ConvertProgram, WritesTheBitmapTheViewerSavesAfterTheSameCommands) {
    Outcome outcome = run({"--rotate", "--minus", "--mirror", "--pick", "1", "3", "--plus", "--key",
                           "86,187", input(), dir.file("out.bmp")});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "");

    viewAfter({82, 109, 72});
    pickExposure(window, bitmap, 1, 3);
    for (uint32_t key : {107u, 86u, 187u})
        keyCommand(window, bitmap, key);
    ASSERT_EQ(bitmap.writeBmp(dir.file("expected.bmp")), 1);
    std::string written = test::readBytes(dir.file("out.bmp"));
    EXPECT_EQ(written.size(), 54u + 12 * 5);  // 3 x 5 after the turn
    EXPECT_EQ(written, test::readBytes(dir.file("expected.bmp")));
}

TEST_F(ConvertProgram, WritesAPngOfTheSamePixelsAsTheBitmapWithItsGamma) {
    if (std::system("convert -version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "ImageMagick's convert is needed to decode the PNG";
    }
    for (const char* name : {"out.bmp", "out.PNG"}) {
        Outcome outcome = run({"--rotate", "--plus", input(), dir.file(name)});
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(outcome.err, "");
    }
    std::string png = test::readBytes(dir.file("out.PNG"));
    ASSERT_EQ(png.substr(1, 3), "PNG");
    // 8-bit RGB, and gAMA of 1/2.2 in units of 1/100000.
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(png.substr(24, 2), std::string("\x08\x02", 2));
    EXPECT_NE(png.find(std::string("gAMA\x00\x00\xb1\x8f", 8)), std::string::npos);
    // ImageMagick's decoding of both: the same pixels.
    for (const char* name : {"out.bmp", "out.PNG"}) {
        std::string command = "convert " + quoted(dir.file(name)) +
                              " -depth 8 rgb:" + quoted(dir.file(std::string(name) + ".rgb"));
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    std::string fromBmp = test::readBytes(dir.file("out.bmp.rgb"));
    EXPECT_EQ(fromBmp.size(), 5u * 3 * 3);
    EXPECT_EQ(test::readBytes(dir.file("out.PNG.rgb")), fromBmp);
}

TEST_F(ConvertProgram, WritesTheRadiancePictureTheViewerSavesWhateverTheCase) {
    for (const char* name : {"out.HDR", "out.Pic"}) {
        SCOPED_TRACE(name);
        Outcome outcome = run({"--key", "82,72,86", "--plus", "--reset", input(), dir.file(name)});
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        viewAfter({82, 72, 86, 107});
        ASSERT_EQ(writeRadiance(currentPicture, dir.file("expected.hdr")), 1);
        EXPECT_EQ(test::readBytes(dir.file(name)), test::readBytes(dir.file("expected.hdr")));
    }
}

// Written from the unmoved picture, row by row as the actions would leave it.
TEST_F(ConvertProgram, WritesATurnedMirroredOrFlippedRadiancePictureAsTheViewerSavesIt) {
    const std::vector<std::string> lines[] = {
        {"--rotate"},
        {"--mirror", "--rotate", "--rotate", "--flip", "--rotate"},
        {"--key", "82,82,72", "--flip"},
    };
    const std::vector<uint32_t> keys[] = {{82}, {72, 82, 82, 86, 82}, {82, 82, 72, 86}};
    for (size_t i = 0; i < std::size(lines); ++i) {
        SCOPED_TRACE(i);
        std::vector<std::string> arguments = lines[i];
        arguments.insert(arguments.end(), {input(), dir.file("out.hdr")});
        Outcome outcome = run(arguments);
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        viewAfter(keys[i]);
        ASSERT_EQ(writeRadiance(currentPicture, dir.file("expected.hdr")), 1);
        EXPECT_EQ(test::readBytes(dir.file("out.hdr")), test::readBytes(dir.file("expected.hdr")));
    }
}

TEST_F(ConvertProgram, ASaveKeyIsCancelledAndWritesNothingElse) {
    Outcome outcome = run({"--key", "83", input(), dir.file("out.hdr")});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.hdr", "out.hdr"}));
    EXPECT_EQ(test::readBytes(dir.file("out.hdr")), test::readBytes(input()));
}

TEST_F(ConvertProgram, InfoPrintsTheSizeAndOrientationAfterTheOptionsBeforeIt) {
    Outcome outcome = run({"--info", input()});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "width 5\nheight 3\norientation standard\n");
    outcome = run({"--info", "--rotate", "--info", input()});
    EXPECT_EQ(outcome.out,
              "width 5\nheight 3\norientation standard\nwidth 3\nheight 5\norientation standard\n");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"in.hdr"});

    // Two pixels stored right to left: a mirrored file.
    test::writeBytes(dir.file("turned.hdr"),
                     std::string("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n"
                                 "-Y 1 -X 2\n") +
                         std::string("\x10\x20\x30\x80\x40\x50\x60\x80", 8));
    outcome = run({"--info", dir.file("turned.hdr")});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "width 2\nheight 1\norientation turned to standard\n");
}

TEST_F(ConvertProgram, PixelPrintsTheTitlesColourText) {
    viewAfter({72});
    // One at a time: each call overwrites the text of the last.
    std::string expected = std::string(pixelText(2, 1)) + "\n";
    expected += std::string(pixelText(0, 0)) + "\n";
    Outcome outcome = run({"--mirror", "--pixel", "2", "1", "--pixel", "0", "0", input()});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, expected);
    outcome = run({"--pixel", "-1", "0", "--pixel", "5", "0", "--pixel", "0", "3", input()});
    EXPECT_EQ(outcome.out, "- - -\n- - -\n- - -\n");
}

TEST_F(ConvertProgram, ReadsRawFloatFilesWithTheLayoutGiven) {
    // Two rows of three grey big-endian floats: 0.5, 1, 2 and 4, 8, 16.
    std::string bytes;
    for (float value : {0.5f, 1.0f, 2.0f, 4.0f, 8.0f, 16.0f}) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(char(bits >> shift));
    }
    test::writeBytes(dir.file("grey.float"), bytes);
    RawFloatLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.colour = false;
    layout.swapBytes = true;
    ASSERT_NE(readPicture(currentPicture, PictureKind::rawFloat, dir.file("grey.float"), layout),
              0);
    std::string expected;
    for (auto [x, y] : {std::pair{0, 0}, {2, 1}})
        expected += std::string(pixelText(x, y)) + "\n";

    Outcome outcome = run({"--raw", "3", "2", "--grey", "--swap", "--pixel", "0", "0", "--pixel",
                           "2", "1", dir.file("grey.float")});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, expected);
    outcome = run({"--raw", "3", "2", "--grey", "--swap", "--info", dir.file("grey.float")});
    EXPECT_EQ(outcome.out, "width 3\nheight 2\norientation standard\n");
}

TEST_F(ConvertProgram, NamesTheFileAndTheCauseOfEachFailure) {
    test::writeBytes(dir.file("picture.xyz"), "whatever");
    test::writeBytes(dir.file("broken.hdr"), "#?RADIANCE\n\n-Y 2 +X 2\n\x01\x02");
    struct Case {
        std::vector<std::string> arguments;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{dir.file("missing.hdr"), dir.file("o.hdr")},
         dir.file("missing.hdr") + ": 无法打开文件 (No such file or directory)\n"},
        {{dir.file("picture.xyz"), dir.file("o.hdr")},
         dir.file("picture.xyz") +
             ": 未知文件类型 (pictures are read from names ending in .hdr, .pic, .pfm, .float, "
             ".tif, .tiff or .exr)\n"},
        {{dir.file("broken.hdr"), dir.file("o.bmp")},
         dir.file("broken.hdr") +
             ": 读取文件时出错 (the header claims 2 × 2 pixels but only 2 bytes follow it)\n"},
        {{input(), dir.file("o.gif")},
         dir.file("o.gif") +
             ": 未知文件类型 (pictures are written to names ending in .hdr, .pic, .bmp or .png)\n"},
        {{input(), dir.file("o")},
         dir.file("o") +
             ": 未知文件类型 (pictures are written to names ending in .hdr, .pic, .bmp or .png)\n"},
        {{input(), dir.file("no/o.bmp")},
         dir.file("no/o.bmp") + ": 保存文件错误 (No such file or directory)\n"},
        {{input(), dir.file("no/o.hdr")},
         dir.file("no/o.hdr") + ": 保存文件错误 (No such file or directory)\n"},
        {{input(), dir.file("no/o.png")},
         dir.file("no/o.png") + ": 保存文件错误 (No such file or directory)\n"},
        {{input(), dir.file(std::string(300, 'n') + ".bmp")},
         dir.file(std::string(300, 'n') + ".bmp") + ": 保存文件错误 (File name too long)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[0] + " " + c.arguments[1]);
        Outcome outcome = run(c.arguments);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.err, c.err);
        EXPECT_EQ(outcome.out, "");
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"broken.hdr", "in.hdr", "picture.xyz"}));
}

TEST_F(ConvertProgram, LeavesAnExistingOutputAsItWasWhenTheSaveFails) {
    // A folder in the output's place cannot be replaced by a file.
    ASSERT_EQ(std::system(("mkdir " + quoted(dir.file("o.bmp"))).c_str()), 0);
    test::writeBytes(dir.file("o.bmp/keep"), "precious");
    Outcome outcome = run({input(), dir.file("o.bmp")});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, dir.file("o.bmp") + ": 保存文件错误 (Is a directory)\n");
    EXPECT_EQ(test::readBytes(dir.file("o.bmp/keep")), "precious");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.hdr", "o.bmp"}));
}

TEST_F(ConvertProgram, PrintsTheUsageForHelpAndForWrongCommandLines) {
    Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: pellumir-convert [options] INPUT OUTPUT\n", 0), 0u);
    EXPECT_EQ(help.err, "");
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {}, {input()}, {"--frob", input(), "o.hdr"}, {"--info", input(), "o.hdr"}}) {
        Outcome wrong = run(arguments);
        EXPECT_EQ(wrong.status, 2);
        EXPECT_EQ(wrong.out, "");
        EXPECT_NE(wrong.err.find(help.out), std::string::npos);
    }
}

}  // namespace
}  // namespace pellumir
