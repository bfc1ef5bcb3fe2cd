// Reading a 48-megapixel half-float RGB OpenEXR file, ZIP and PIZ: readOpenExr
// (conversion to RGBE included) against OpenEXR's own RgbaInputFile reading
// into halves, both on OpenEXR's thread pool with a thread for each core.
//
// The files hold the project's scene at 8000 x 6000, written once through
// OpenEXR's RgbaOutputFile into /dev/shm. The figures count only if our
// reading gives encodeRgbe of the very halves RgbaInputFile gives. Each of
// our rows carries "of OpenEXR": its rate as a share of RgbaInputFile's on
// the same file (the goal: at least 1 / 1.2 = 0.83).

#include <ImfArray.h>
#include <ImfRgbaFile.h>
#include <ImfThreading.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <thread>

#include "bench_support.h"
#include "picture/formats/openexr.h"
#include "picture/rgbe_image.h"
#include "render-scene/scene.h"

namespace pellumir {
namespace {

constexpr int kWidth = 8000;
constexpr int kHeight = 6000;
constexpr double kMegapixels = double{kWidth} * kHeight / 1e6;

int cores() {
    return std::max(1u, std::thread::hardware_concurrency());
}

// OpenEXR's reading of the file into halves, four a pixel.
bool readWithOpenExr(const std::string& path, Imf::Array2D<Imf::Rgba>& pixels) {
    try {
        Imf::RgbaInputFile file(path.c_str(), cores());
        Imath::Box2i window = file.dataWindow();
        file.setFrameBuffer(&pixels[0][0] - window.min.x - window.min.y * kWidth, 1, kWidth);
        file.readPixels(window.min.y, window.max.y);
        return window.max.x - window.min.x + 1 == kWidth;
    } catch (...) {
        return false;
    }
}

class Subject : public bench::Subject<Subject> {
  public:
    Subject() {
        Imf::setGlobalThreadCount(cores());
        RgbeImage scene;
        if (!render(scene, kWidth, kHeight)) return;
        Imf::Array2D<Imf::Rgba> halves(kHeight, kWidth);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                RgbColour c = decodeRgbe(scene.rows[y][x]);
                halves[y][x] = Imf::Rgba(static_cast<float>(c.red), static_cast<float>(c.green),
                                         static_cast<float>(c.blue), 1.0f);
            }
        }
        scene.release();
        for (auto [name, compression] : {std::pair{"zip.exr", Imf::ZIP_COMPRESSION},
                                         std::pair{"piz.exr", Imf::PIZ_COMPRESSION}}) {
            try {
                Imf::RgbaOutputFile out(file(name).c_str(), kWidth, kHeight, Imf::WRITE_RGB, 1,
                                        Imath::V2f(0, 0), 1, Imf::INCREASING_Y, compression);
                out.setFrameBuffer(&halves[0][0], 1, kWidth);
                out.writePixels(kHeight);
            } catch (const std::exception& error) {
                problem_ = std::string("cannot write ") + name + ": " + error.what();
                return;
            }
            // The figures count only if both read the same pixels.
            Imf::Array2D<Imf::Rgba> back(kHeight, kWidth);
            RgbeImage ours;
            if (!readWithOpenExr(file(name), back) || readOpenExr(ours, file(name)) != 1) {
                problem_ = std::string("cannot read ") + name + " back";
                return;
            }
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kWidth; ++x) {
                    RgbePixel expected;
                    encodeRgbe(expected, static_cast<float>(back[y][x].r),
                               static_cast<float>(back[y][x].g), static_cast<float>(back[y][x].b));
                    if (!(ours.rows[y][x] == expected)) {
                        problem_ = std::string(name) + " reads differently from OpenEXR's reading";
                        return;
                    }
                }
            }
        }
    }
};

template <typename Once>
void measure(benchmark::State& state, const std::string& name, const std::string& peer, Once once) {
    if (!Subject::ready(state)) return;
    std::optional<double> rate = bench::measureAndKeep(state, name, kMegapixels, once);
    std::optional<double> peerRate = peer.empty() ? std::nullopt : bench::keptRate(peer);
    if (rate && peerRate) state.counters["of OpenEXR"] = *rate / *peerRate;
}

void readRgbaInputFile(benchmark::State& state, const char* name) {
    std::string path = Subject::get().file(name);
    measure(state, std::string(name) + "/RgbaInputFile", "", [&] {
        // Fresh halves each time, as ours makes a fresh picture.
        Imf::Array2D<Imf::Rgba> pixels(kHeight, kWidth);
        return readWithOpenExr(path, pixels);
    });
}

void readOurs(benchmark::State& state, const char* name) {
    std::string path = Subject::get().file(name);
    RgbeImage image;
    measure(state, std::string(name) + "/ours", std::string(name) + "/RgbaInputFile", [&] {
        // A fresh picture each time, as the viewer reads a file once.
        image.release();
        return readOpenExr(image, path) == 1 && image.width == kWidth;
    });
}

// Each peer runs before ours, so that ours can give its share.
BENCHMARK_CAPTURE(readRgbaInputFile, zip, "zip.exr")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(readOurs, zip, "zip.exr")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(readRgbaInputFile, piz, "piz.exr")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(readOurs, piz, "piz.exr")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace pellumir
