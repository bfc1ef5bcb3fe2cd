// A small file that claims a huge picture must fail at once, in every
// format, without asking for the memory it claims: tested in a child
// process held to 32 MiB more address space than it starts with, by its
// resident memory, by every allocation it asks for, and through the
// converter's error line.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "allocation_probe.h"
#include "app/picture_files.h"
#include "child_process.h"
#include "picture/formats/radiance.h"
#include "support/temp_dir.h"
#include "tiny_files.h"

namespace pellumir {
namespace {

using test::TempDir;

constexpr uint64_t kAllowance = uint64_t{32} << 20;
constexpr const char* kReadError = kReadErrorMessage;

struct Claim {
    std::string name;  // also the file's name, which chooses the reader
    std::string bytes;
    RawFloatLayout layout;  // for raw float files
};

struct Size {
    uint32_t width;
    uint32_t height;
};

// 2^32 pixels, just over 2^31 (46341^2 overflows int32), just over 2^32,
// and exactly 2^31 in two shapes.
const std::vector<Size> kClaimedSizes = {
    {65536, 65536}, {46341, 46341}, {65537, 65536}, {32768, 65536}, {1073741824, 2}};

std::string sizeName(Size s) {
    return std::to_string(s.width) + "x" + std::to_string(s.height);
}

// An OpenEXR header of half R, G, B over a data window of width x height
// with the compression given (0 none, 3 zip), padded to 400 bytes.
std::string exrHeader(uint32_t width, uint32_t height, uint8_t compression) {
    std::string bytes("\x76\x2f\x31\x01\x02\x00\x00\x00", 8);
    auto put = [&](uint64_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes += static_cast<char>((value >> (8 * i)) & 0xff);
    };
    auto attribute = [&](const std::string& name, const std::string& type, int size) {
        bytes += name + '\0' + type + '\0';
        put(static_cast<uint32_t>(size), 4);
    };
    attribute("channels", "chlist", 3 * 18 + 1);
    for (const char* channel : {"B", "G", "R"}) {
        bytes += std::string(channel) + '\0';
        put(1, 4);  // half
        put(0, 4);  // linear, reserved
        put(1, 4);
        put(1, 4);
    }
    bytes += '\0';
    attribute("compression", "compression", 1);
    put(compression, 1);
    for (const char* window : {"dataWindow", "displayWindow"}) {
        attribute(window, "box2i", 16);
        put(0, 4);
        put(0, 4);
        put(width - 1, 4);
        put(height - 1, 4);
    }
    attribute("lineOrder", "lineOrder", 1);
    put(0, 1);
    attribute("pixelAspectRatio", "float", 4);
    put(0x3f800000, 4);
    attribute("screenWindowCenter", "v2f", 8);
    put(0, 8);
    attribute("screenWindowWidth", "float", 4);
    put(0x3f800000, 4);
    bytes += '\0';
    return test::padded(bytes, 400);
}

std::vector<Claim> hugeClaims() {
    std::vector<Claim> claims;
    for (Size s : kClaimedSizes) {
        std::string dims = std::to_string(s.width) + " " + std::to_string(s.height);
        claims.push_back({"claim-" + sizeName(s) + ".hdr",
                          test::padded("#?RADIANCE\n\n-Y " + std::to_string(s.height) + " +X " +
                                           std::to_string(s.width) + "\n",
                                       100),
                          {}});
        claims.push_back(
            {"claim-" + sizeName(s) + ".pfm", test::padded("PF\n" + dims + "\n-1.0\n", 100), {}});
        claims.push_back({"claim-grey-" + sizeName(s) + ".pfm",
                          test::padded("Pf\n" + dims + "\n1.0\n", 100),
                          {}});
        RawFloatLayout layout;
        layout.width = s.width;
        layout.height = s.height;
        claims.push_back({"claim-" + sizeName(s) + ".float", std::string(100, '\0'), layout});
        uint64_t rasterBytes = uint64_t{s.width} * s.height * 12;
        auto stripBytes = static_cast<uint32_t>(std::min<uint64_t>(rasterBytes, UINT32_MAX));
        claims.push_back(
            {"claim-" + sizeName(s) + ".tif",
             test::floatTiff(s.width, s.height, 3, test::kNoCompression, stripBytes).bytes(),
             {}});
        // Compressed strips do not say how large they decode; their first
        // row is not in the file.
        claims.push_back({"claim-deflate-" + sizeName(s) + ".tif",
                          test::floatTiff(s.width, s.height, 1, test::kDeflate, 16).bytes(),
                          {}});
        claims.push_back({"claim-" + sizeName(s) + ".exr", exrHeader(s.width, s.height, 0), {}});
        claims.push_back(
            {"claim-zip-" + sizeName(s) + ".exr", exrHeader(s.width, s.height, 3), {}});
    }
    // Old repeat markers: two scanlines of 2^30 pixels, every one of them
    // given, in 67 bytes. A valid file, but one of 2^31 pixels.
    std::string markers;
    for (int i = 0; i < 4; ++i)
        markers += std::string("\x01\x01\x01\xff", 4);
    claims.push_back({"marker-bomb-2^31.hdr",
                      "#?RADIANCE\n\n-Y 2 +X 1073741824\n" + std::string("\x10\x20\x30\x80", 4) +
                          markers + markers,
                      {}});
    return claims;
}

// Each claim fails, leaving no picture, in a child that may map no more
// than 32 MiB beyond its start; and, without that limit, it stays within
// 32 MiB of resident memory.
TEST(ResourceLimits, HugeClaimsOnTinyFilesFailWithin32MiB) {
    TempDir dir;
    for (const Claim& claim : hugeClaims()) {
        SCOPED_TRACE(claim.name);
        std::string path = dir.file(claim.name);
        test::writeBytes(path, claim.bytes);
        auto readFails = [&] {
            RgbeImage image;
            int result = readPicture(image, kindOfFile(path), path, claim.layout);
            return result == 0 && image.empty() && image.width == 0 ? 0 : 1;
        };
        for (uint64_t allowance : {kAllowance, uint64_t{0}}) {
            test::ChildOutcome outcome = test::runInChild(readFails, allowance);
            ASSERT_TRUE(outcome.exited) << "killed by signal " << outcome.signal;
            EXPECT_EQ(outcome.status, 0) << "the reader did not fail with an empty picture";
            EXPECT_LT(outcome.rssGrowthKb * 1024, kAllowance);
            std::printf("%-32s %s %8.3f ms %7llu KiB\n", claim.name.c_str(),
                        allowance ? "limited  " : "unlimited", outcome.seconds * 1e3,
                        static_cast<unsigned long long>(outcome.rssGrowthKb));
        }
    }
}

// What the user sees: the converter's error line, and no picture made.
TEST(ResourceLimits, HugeClaimsShowTheReadErrorThroughTheConverter) {
    TempDir dir;
    for (const Claim& claim : hugeClaims()) {
        SCOPED_TRACE(claim.name);
        std::string path = dir.file(claim.name);
        test::writeBytes(path, claim.bytes);
        std::vector<std::string> command = {PELLUMIR_CONVERT, "--info"};
        if (kindOfFile(path) == PictureKind::rawFloat) {
            command.insert(command.end(), {"--raw", std::to_string(claim.layout.width),
                                           std::to_string(claim.layout.height)});
        }
        command.push_back(path);
        test::ProgramRun run = test::runProgram(command);
        EXPECT_EQ(run.status, 1);
        // One line: the fixed text, then the reader's cause in parentheses.
        std::string start = path + ": " + kReadError + " (";
        EXPECT_EQ(run.standardError.rfind(start, 0), 0u) << run.standardError;
        EXPECT_TRUE(run.standardError.ends_with(")\n")) << run.standardError;
        EXPECT_EQ(std::count(run.standardError.begin(), run.standardError.end(), '\n'), 1);
        // The whole program, libraries included; sanitizers need more.
        if (!test::underAddressSanitizer()) {
            EXPECT_LT(run.maxRssKb * 1024, kAllowance);
        }
        std::printf("%-32s converter %8.3f ms %7llu KiB peak\n", claim.name.c_str(),
                    run.seconds * 1e3, static_cast<unsigned long long>(run.maxRssKb));
    }
}

// Where the header tells the raster's size (flat PFM, raw, uncompressed
// TIFF strips, and the fewest bytes any Radiance scanline can take), a
// file too short for it fails before the picture is asked for: no single
// allocation comes near the 64 MiB that 4000 x 4000 pixels would take.
TEST(ResourceLimits, ShortFilesFailBeforeThePictureIsAllocated) {
    if (!test::AllocationProbe::available()) {
        GTEST_SKIP() << "malloc is AddressSanitizer's here";
    }
    TempDir dir;
    RawFloatLayout raw;
    raw.width = 4000;
    raw.height = 4000;
    std::vector<Claim> claims = {
        {"short.hdr", test::padded("#?RADIANCE\n\n-Y 4000 +X 4000\n", 1000), {}},
        {"short.pfm", test::padded("PF\n4000 4000\n-1.0\n", 1000), {}},
        {"short-grey.pfm", test::padded("Pf\n4000 4000\n-1.0\n", 1000), {}},
        {"short.float", std::string(1000, '\0'), raw},
        {"short.exr", exrHeader(4000, 4000, 3), {}},
        {"short.tif",
         test::floatTiff(4000, 4000, 3, test::kNoCompression, 4000 * 4000 * 12,
                         std::string(1000, '\0'))
             .bytes(),
         {}},
    };
    for (const Claim& claim : claims) {
        SCOPED_TRACE(claim.name);
        std::string path = dir.file(claim.name);
        test::writeBytes(path, claim.bytes);
        RgbeImage image;
        test::AllocationProbe probe;
        EXPECT_EQ(readPicture(image, kindOfFile(path), path, claim.layout), 0);
        EXPECT_TRUE(image.empty());
        EXPECT_LT(probe.largestRequest(), uint64_t{8} << 20);
        EXPECT_LT(probe.peakHeld(), uint64_t{8} << 20);
    }
}

// libtiff allocates on its own account while it reads a directory (the
// arrays of strip offsets, a strip's bytes). A 132-byte file claiming two
// billion strips, or a strip of 4 GiB, must not make it ask for gigabytes.
TEST(ResourceLimits, LibtiffAsksForLittleOnATinyFile) {
    if (!test::AllocationProbe::available()) {
        GTEST_SKIP() << "malloc is AddressSanitizer's here";
    }
    TempDir dir;
    // 2^31 - 1 rows of one strip each: the offsets and byte counts would
    // take 32 GiB as libtiff holds them.
    test::TinyTiff strips = test::floatTiff(1, 0x7fffffff, 1, test::kNoCompression, 4);
    strips.entries = {{test::kImageWidth, 4, 1, 1},
                      {test::kImageLength, 4, 1, 0x7fffffff},
                      {test::kBitsPerSample, 3, 1, 32},
                      {test::kStripOffsets, 4, 0x7fffffff, 8},
                      {test::kSamplesPerPixel, 3, 1, 1},
                      {test::kRowsPerStrip, 4, 1, 1},
                      {test::kStripByteCounts, 4, 0x7fffffff, 8},
                      {test::kSampleFormat, 3, 1, 3},
                      {test::kCompression, 3, 1, test::kDeflate}};
    std::sort(strips.entries.begin(), strips.entries.end(),
              [](const test::TiffEntry& a, const test::TiffEntry& b) { return a.tag < b.tag; });
    strips.data = std::string(132 - strips.dataOffset(), '\0');
    // One deflate strip claiming 4 GiB of stored bytes for a small picture.
    test::TinyTiff bigStrip = test::floatTiff(64, 64, 1, test::kDeflate, 0xffffffff);
    std::vector<Claim> claims = {{"strips.tif", strips.bytes(), {}},
                                 {"big-strip.tif", bigStrip.bytes(), {}}};
    for (const Claim& claim : claims) {
        SCOPED_TRACE(claim.name);
        std::string path = dir.file(claim.name);
        test::writeBytes(path, claim.bytes);
        RgbeImage image;
        test::AllocationProbe probe;
        EXPECT_EQ(readPicture(image, PictureKind::tiff, path), 0);
        EXPECT_TRUE(image.empty());
        EXPECT_LE(probe.largestRequest(), uint64_t{256} << 20);
        std::printf("%-16s %zu bytes: largest request %llu, peak held %llu\n", claim.name.c_str(),
                    claim.bytes.size(), static_cast<unsigned long long>(probe.largestRequest()),
                    static_cast<unsigned long long>(probe.peakHeld()));
    }
}

// Regression, found by the round-trip fuzzer: old repeat markers let a
// 67-byte file describe 2^31 pixels, which took seconds and 8 GiB to read.
TEST(ResourceLimits, RadianceRefusesPicturesOf2To31PixelsHoweverShortTheirFile) {
    std::string markers;
    for (int i = 0; i < 4; ++i)
        markers += std::string("\x01\x01\x01\xff", 4);
    std::string pixel("\x10\x20\x30\x80", 4);
    for (const char* line :
         {"-Y 2 +X 1073741824\n", "+X 2 +Y 1073741824\n", "-Y 65536 +X 32768\n"}) {
        SCOPED_TRACE(line);
        std::string file = "#?RADIANCE\n\n" + std::string(line) + pixel + markers;
        for (int row = 1; row < 65536 && file.size() < (1u << 20); ++row)
            file += markers;
        std::FILE* stream = fmemopen(file.data(), file.size(), "rb");
        ASSERT_NE(stream, nullptr);
        RgbeImage image;
        EXPECT_EQ(readRadiance(image, stream), 0);
        EXPECT_TRUE(image.empty());
        std::fclose(stream);
    }
}

}  // namespace
}  // namespace pellumir
