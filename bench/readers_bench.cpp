// Reading a 48-megapixel float picture: readPfm and readFloatTiff against a
// plain fread of the same file, which is as fast as any reader of it can be.
//
// The files hold the project's scene at 8000 x 6000, rendered once and
// decoded to floats, so that every reader must give back the rendered
// pixels exactly. They live in /dev/shm, so the figures are for files in
// the page cache. Each reader's row carries "of fread", its rate as a share
// of fread's rate on the same file.

#include <benchmark/benchmark.h>

#include <tiffio.h>
#include "bench_support.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "picture/formats/float_tiff.h"
#include "picture/formats/pfm.h"
#include "picture/rgbe_image.h"
#include "render-scene/scene.h"

namespace pellumir {
namespace {

constexpr uint32_t kWidth = 8000;
constexpr uint32_t kHeight = 6000;
constexpr double kMegapixels = double{kWidth} * kHeight / 1e6;

// Row r of the picture as floats, three a pixel.
void decodeRow(const RgbeImage& picture, uint32_t r, std::vector<float>& row) {
    row.resize(size_t{kWidth} * 3);
    for (uint32_t x = 0; x < kWidth; ++x) {
        RgbColour c = decodeRgbe(picture.rows[r][x]);
        row[3 * x] = static_cast<float>(c.red);
        row[3 * x + 1] = static_cast<float>(c.green);
        row[3 * x + 2] = static_cast<float>(c.blue);
    }
}

bool writePfm(const RgbeImage& picture, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fprintf(file, "PF\n%u %u\n-1.0\n", kWidth, kHeight) > 0;
    std::vector<float> row;
    for (uint32_t r = kHeight; ok && r-- > 0;) {
        decodeRow(picture, r, row);
        ok = std::fwrite(row.data(), sizeof(float), row.size(), file) == row.size();
    }
    return std::fclose(file) == 0 && ok;
}

bool writeTiff(const RgbeImage& picture, const std::string& path, uint16_t compression) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (!tiff) return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 32);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
    if (compression != COMPRESSION_NONE) {
        TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_FLOATINGPOINT);
    }
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    std::vector<float> row;
    bool ok = true;
    for (uint32_t r = 0; ok && r < kHeight; ++r) {
        decodeRow(picture, r, row);
        ok = TIFFWriteScanline(tiff, row.data(), r, 0) >= 0;
    }
    ok = ok && TIFFWriteDirectory(tiff);
    TIFFClose(tiff);
    return ok;
}

// The scene and its files, made on first use and removed at the end.
class Subject : public bench::Subject<Subject> {
  public:
    // Whether `image` holds the rendered scene exactly.
    bool isScene(const RgbeImage& image) const {
        return image.width == kWidth && image.height == kHeight &&
               std::memcmp(image.pixels(), picture_.pixels(),
                           size_t{kWidth} * kHeight * sizeof(RgbePixel)) == 0;
    }

    Subject() {
        if (!render(picture_, kWidth, kHeight)) return;
        // A pixel whose largest mantissa is 127 encodes back from its
        // floats with one exponent less; after one round every pixel is
        // what the encoding of its floats gives.
        for (uint64_t i = 0; i < uint64_t{kWidth} * kHeight; ++i) {
            RgbePixel& pixel = picture_.pixels()[i];
            RgbColour c = decodeRgbe(pixel);
            encodeRgbe(pixel, static_cast<float>(c.red), static_cast<float>(c.green),
                       static_cast<float>(c.blue));
        }
        if (!writePfm(picture_, file("scene.pfm")) ||
            !writeTiff(picture_, file("scene.tif"), COMPRESSION_NONE) ||
            !writeTiff(picture_, file("deflate.tif"), COMPRESSION_ADOBE_DEFLATE)) {
            problem_ = "cannot write the files in " + folder_.path();
            return;
        }
        // The figures count only if the files read back as the scene.
        RgbeImage check;
        if (readPfm(check, file("scene.pfm")) != 1 || !isScene(check) ||
            readFloatTiff(check, file("scene.tif")) != 1 || !isScene(check) ||
            readFloatTiff(check, file("deflate.tif")) != 1 || !isScene(check)) {
            problem_ = "the files do not read back as the scene";
        }
    }

  private:
    RgbeImage picture_;
};

// Runs `once` every iteration and reports megapixels per second; with
// `limit`, also the rate as a share of that benchmark's.
template <typename Once>
void measure(benchmark::State& state, const std::string& name, const std::string& limit,
             Once once) {
    if (!Subject::ready(state)) return;
    std::optional<double> rate = bench::measureAndKeep(state, name, kMegapixels, once);
    std::optional<double> limitRate = limit.empty() ? std::nullopt : bench::keptRate(limit);
    if (rate && limitRate) state.counters["of fread"] = *rate / *limitRate;
}

// The whole file through fread in 1 MiB blocks, the bytes left untouched.
bool freadWhole(const std::string& path) {
    static std::vector<char> block(size_t{1} << 20);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    size_t total = 0;
    for (size_t got; (got = std::fread(block.data(), 1, block.size(), file)) > 0;)
        total += got;
    benchmark::DoNotOptimize(block.data());
    std::fclose(file);
    return total > size_t{kWidth} * kHeight * 12;
}

void freadPfm(benchmark::State& state) {
    std::string path = Subject::get().file("scene.pfm");
    measure(state, "pfm/fread", "", [&] { return freadWhole(path); });
}

void readPfmOurs(benchmark::State& state) {
    std::string path = Subject::get().file("scene.pfm");
    RgbeImage image;
    measure(state, "pfm/ours", "pfm/fread", [&] {
        // A fresh picture each time, as the viewer reads a file once.
        image.release();
        return readPfm(image, path) == 1 && image.width == kWidth;
    });
}

void freadTiff(benchmark::State& state) {
    std::string path = Subject::get().file("scene.tif");
    measure(state, "tiff/fread", "", [&] { return freadWhole(path); });
}

void readTiffOurs(benchmark::State& state, const char* name) {
    std::string path = Subject::get().file(name);
    RgbeImage image;
    measure(state, std::string("tiff/") + name, "tiff/fread", [&] {
        image.release();
        return readFloatTiff(image, path) == 1 && image.width == kWidth;
    });
}

// Each iteration handles 48 megapixels; a second is enough for a steady figure.
BENCHMARK(freadPfm)
    ->Name("Pfm/read/fread")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1);
BENCHMARK(readPfmOurs)
    ->Name("Pfm/read/ours")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1);
BENCHMARK(freadTiff)
    ->Name("Tiff/read/fread")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1);
BENCHMARK_CAPTURE(readTiffOurs, uncompressed, "scene.tif")
    ->Name("Tiff/read/ours")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1);
BENCHMARK_CAPTURE(readTiffOurs, deflate, "deflate.tif")
    ->Name("Tiff/read-deflate/ours")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1);

}  // namespace
}  // namespace pellumir
