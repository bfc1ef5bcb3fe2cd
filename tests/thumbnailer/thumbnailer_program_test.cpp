// Runs the built pellumir-thumbnailer as a file manager does and reads what
// it wrote with libpng.

#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "picture/formats/radiance.h"
#include "support/png_decode.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::TempDir;

struct Outcome {
    int status = -1;
    std::string err;
};

struct Thumbnail : test::DecodedPng {
    double mean() const {
        double sum = 0;
        for (uint8_t v : rgb)
            sum += v;
        return sum / static_cast<double>(rgb.size());
    }
    double shareOf(uint8_t value) const {
        size_t count = 0;
        for (uint8_t v : rgb)
            count += v == value;
        return static_cast<double>(count) / static_cast<double>(rgb.size());
    }
};

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

class ThumbnailerProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("PELLUMIR_BINARY_DIR"), nullptr) << "run through ctest";
        ASSERT_NE(std::getenv("PELLUMIR_SOURCE_DIR"), nullptr) << "run through ctest";
    }

    static std::string sample(const char* name) {
        return std::string(std::getenv("PELLUMIR_SOURCE_DIR")) + "/samples/" + name;
    }

    Outcome run(const std::vector<std::string>& arguments) const {
        std::string command =
            quoted(std::string(std::getenv("PELLUMIR_BINARY_DIR")) + "/pellumir-thumbnailer");
        for (const std::string& a : arguments)
            command += " " + quoted(a);
        command += " </dev/null >/dev/null 2>" + quoted(scratch.file("stderr"));
        Outcome outcome;
        int status = std::system(command.c_str());
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.err = test::readBytes(scratch.file("stderr"));
        return outcome;
    }

    Thumbnail thumbnail(const std::string& input, const char* size = "128") {
        std::string output = dir.file("thumbnail.png");
        std::remove(output.c_str());
        Outcome outcome = run({"-s", size, input, output});
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(outcome.err, "");
        Thumbnail result;
        EXPECT_TRUE(test::decodePng(output, result)) << input;
        return result;
    }

    // The exit status 1, one line on stderr, and no file at `output`.
    void expectCleanFailure(const std::string& input) {
        std::string output = dir.file("out.png");
        Outcome outcome = run({"-s", "128", input, output});
        EXPECT_EQ(outcome.status, 1) << input;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        EXPECT_EQ(dir.names(), std::vector<std::string>{}) << input;
    }

    TempDir dir;      // what the thumbnailer writes
    TempDir inputs;   // pictures made by the tests
    TempDir scratch;  // stderr
};

// Mean absolute difference of two thumbnails of the same size.
double difference(const Thumbnail& a, const Thumbnail& b) {
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i)
        sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    return sum / static_cast<double>(a.rgb.size());
}

TEST_F(ThumbnailerProgram, ShowsEachSampleNeitherBlackNorWhiteWithinTheSize) {
    Thumbnail radiance = thumbnail(sample("room.hdr"));
    EXPECT_EQ(radiance.width, 128u);
    EXPECT_EQ(radiance.height, 96u);
    EXPECT_GT(radiance.mean(), 60);
    EXPECT_LT(radiance.mean(), 190);
    EXPECT_LT(radiance.shareOf(255), 0.02);
    EXPECT_LT(radiance.shareOf(0), 0.02);

    // The PFM and TIFF samples are the same scene at 160 x 120.
    for (const char* name : {"room.pfm", "room.tif"}) {
        Thumbnail other = thumbnail(sample(name));
        ASSERT_EQ(other.width, 128u) << name;
        ASSERT_EQ(other.height, 96u) << name;
        EXPECT_LT(difference(radiance, other), 4.0) << name;
    }

    // The same scene as an OpenEXR file, written by oiiotool from the PFM.
    if (std::system(("oiiotool " + sample("room.pfm") + " -d half -o " + inputs.file("room.exr") +
                     " >/dev/null 2>&1")
                        .c_str()) == 0) {
        Thumbnail exr = thumbnail(inputs.file("room.exr"));
        ASSERT_EQ(exr.width, 128u);
        EXPECT_LT(difference(radiance, exr), 4.0);
    }

    // Smaller than the size asked: never enlarged.
    Thumbnail large = thumbnail(sample("room.pfm"), "1024");
    EXPECT_EQ(large.width, 160u);
    EXPECT_EQ(large.height, 120u);
}

TEST_F(ThumbnailerProgram, ChoosesTheSameLookForAPictureMuchBrighterOrDarker) {
    RgbeImage picture;
    ASSERT_EQ(readRadiance(picture, sample("room.hdr")), 1);
    Thumbnail normal = thumbnail(sample("room.hdr"));
    // Every exponent moved by k: every radiance times exactly 2^k.
    for (int k : {-40, 40}) {
        RgbeImage scaled;
        scaled.allocate(picture.width, picture.height);
        for (uint32_t y = 0; y < picture.height; ++y)
            for (uint32_t x = 0; x < picture.width; ++x) {
                RgbePixel p = picture.rows[y][x];
                if (p.exponent != 0) p.exponent = uint8_t(p.exponent + k);
                scaled.rows[y][x] = p;
            }
        std::string path = inputs.file("scaled.hdr");
        ASSERT_EQ(writeRadiance(scaled, path), 1);
        Thumbnail other = thumbnail(path);
        ASSERT_EQ(other.rgb.size(), normal.rgb.size());
        EXPECT_LT(difference(normal, other), 0.5) << k;
    }
}

TEST_F(ThumbnailerProgram, AveragesFineDetailInsteadOfPickingPixels) {
    // One-pixel stripes of black and 2.0: nearest-pixel reduction would show
    // black or white stripes or a flat black or white; the average is an
    // even 1.0, which the exposure brings to mid-grey (117).
    RgbeImage picture;
    picture.allocate(512, 256);
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 512; ++x)
            encodeRgbe(picture.rows[y][x], x % 2 * 2.0, x % 2 * 2.0, x % 2 * 2.0);
    std::string path = inputs.file("stripes.hdr");
    ASSERT_EQ(writeRadiance(picture, path), 1);
    Thumbnail stripes = thumbnail(path, "64");
    EXPECT_EQ(stripes.width, 64u);
    EXPECT_EQ(stripes.height, 32u);
    for (uint8_t v : stripes.rgb)
        ASSERT_NEAR(v, 117, 1);
}

// An 8-bit RGB TIFF of width x height whose pixel (x, y) is colour(x, y).
template <typename Colour>
bool writeEightBitTiff(const std::string& path, uint32_t width, uint32_t height, Colour colour) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff) return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 4);
    std::vector<uint8_t> row(size_t{width} * 3);
    bool ok = true;
    for (uint32_t y = 0; ok && y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            auto [r, g, b] = colour(x, y);
            row[3 * x] = r;
            row[3 * x + 1] = g;
            row[3 * x + 2] = b;
        }
        ok = TIFFWriteScanline(tiff, row.data(), y, 0) >= 0;
    }
    TIFFClose(tiff);
    return ok;
}

struct Rgb {
    uint8_t r, g, b;
};

TEST_F(ThumbnailerProgram, ShowsAnOrdinaryTiffAsItWasStored) {
    // File managers send every TIFF to the thumbnailer, not only float ones.
    std::string path = inputs.file("photo.tif");
    ASSERT_TRUE(writeEightBitTiff(path, 40, 30, [](uint32_t, uint32_t) {
        return Rgb{200, 100, 50};
    }));
    Thumbnail photo = thumbnail(path, "16");
    ASSERT_EQ(photo.width, 16u);
    ASSERT_EQ(photo.height, 12u);
    for (size_t i = 0; i < photo.rgb.size(); i += 3) {
        ASSERT_NEAR(photo.rgb[i], 200, 1) << i / 3;
        ASSERT_NEAR(photo.rgb[i + 1], 100, 1) << i / 3;
        ASSERT_NEAR(photo.rgb[i + 2], 50, 1) << i / 3;
    }

    // Black and white stripes average in linear light too: half of white's
    // radiance shows as 186, not as the 127 of averaged display values.
    ASSERT_TRUE(writeEightBitTiff(path, 64, 8, [](uint32_t x, uint32_t) {
        uint8_t v = x % 2 ? 255 : 0;
        return Rgb{v, v, v};
    }));
    Thumbnail stripes = thumbnail(path, "8");
    ASSERT_EQ(stripes.width, 8u);
    for (uint8_t v : stripes.rgb)
        ASSERT_NEAR(v, 186, 1);
}

TEST_F(ThumbnailerProgram, FailsCleanlyOnAnythingItCannotRead) {
    expectCleanFailure(inputs.file("missing.hdr"));
    expectCleanFailure(sample("README.md"));   // unknown type
    expectCleanFailure(sample("room.float"));  // no header to give its size
    expectCleanFailure(inputs.path() + "/");   // a folder
    // A FIFO nobody writes to would block the open for ever.
    ASSERT_EQ(mkfifo(inputs.file("fifo.hdr").c_str(), 0600), 0);
    expectCleanFailure(inputs.file("fifo.hdr"));
    ASSERT_EQ(symlink("/dev/zero", inputs.file("zero.pfm").c_str()), 0);
    expectCleanFailure(inputs.file("zero.pfm"));

    test::writeBytes(inputs.file("empty.pfm"), "");
    expectCleanFailure(inputs.file("empty.pfm"));
    test::writeBytes(inputs.file("text.tif"), "not a TIFF at all\n");
    expectCleanFailure(inputs.file("text.tif"));
    test::writeBytes(inputs.file("huge.hdr"),
                     "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n"
                     "-Y 200000 +X 200000\n");
    expectCleanFailure(inputs.file("huge.hdr"));
    // The sample cut off after its first tenth.
    std::string whole = test::readBytes(sample("room.hdr"));
    test::writeBytes(inputs.file("cut.hdr"), whole.substr(0, whole.size() / 10));
    expectCleanFailure(inputs.file("cut.hdr"));
}

TEST_F(ThumbnailerProgram, LeavesNothingWhereItCannotWrite) {
    Outcome outcome = run({"-s", "64", sample("room.hdr"), dir.file("no/such/folder.png")});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(dir.names(), std::vector<std::string>{});
}

TEST_F(ThumbnailerProgram, SaysHowToCallItWhenTheLineIsWrong) {
    Outcome outcome = run({"-s", "0", sample("room.hdr"), dir.file("out.png")});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find("usage: pellumir-thumbnailer -s SIZE INPUT OUTPUT.png"),
              std::string::npos);
    EXPECT_EQ(dir.names(), std::vector<std::string>{});
    EXPECT_EQ(run({"--help"}).status, 0);
}

}  // namespace
}  // namespace pellumir
