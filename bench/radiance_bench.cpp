// Reading and writing a large run-length Radiance file: readRadiance and
// writeRadiance against stb_image's stbi_loadf and stbi_write_hdr; and the
// picture written turned a quarter straight from the unmoved picture
// against the turned picture written plainly ("turned/moved", how many
// times the gathering of the turned rows makes the writing take).
//
// The file is the project's scene at 8000 x 6000, written once by
// writeRadiance. All files live in /dev/shm: both writers then go through
// the same page-cache writes, and the fsync that SafeOutput does before its
// rename costs nothing on tmpfs, as it would not on a disk. Each peer's row
// carries "ours/stb", how many times faster ours was in this run.

#include <benchmark/benchmark.h>

#include <stb_image.h>
#include <stb_image_write.h>
#include "bench_support.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "picture/formats/radiance.h"
#include "picture/rgbe_image.h"
#include "render-scene/scene.h"

namespace pellumir {
namespace {

constexpr uint32_t kWidth = 8000;
constexpr uint32_t kHeight = 6000;
constexpr double kMegapixels = double{kWidth} * kHeight / 1e6;

// The scene, its file, and a folder for the written files, made on first
// use and removed when the program ends.
class Subject : public bench::Subject<Subject> {
  public:
    const RgbeImage& picture() const { return picture_; }
    const std::string& input() const { return input_; }

    // The scene turned clockwise a quarter, made on first use.
    const RgbeImage& turned() {
        if (turned_.empty() && problem_.empty()) {
            turned_.allocate(kWidth, kHeight);
            std::memcpy(turned_.pixels(), picture_.pixels(),
                        size_t{kWidth} * kHeight * sizeof(RgbePixel));
            if (!turned_.rotate90()) problem_ = "not enough memory for the turned scene";
        }
        return turned_;
    }

    // The picture as stbi_write_hdr takes it: three floats per pixel.
    const std::vector<float>& floats() {
        if (floats_.empty()) {
            floats_.resize(size_t{kWidth} * kHeight * 3);
            float* out = floats_.data();
            for (uint32_t y = 0; y < kHeight; ++y) {
                for (uint32_t x = 0; x < kWidth; ++x) {
                    RgbColour c = decodeRgbe(picture_.rows[y][x]);
                    *out++ = static_cast<float>(c.red);
                    *out++ = static_cast<float>(c.green);
                    *out++ = static_cast<float>(c.blue);
                }
            }
        }
        return floats_;
    }

    Subject() {
        if (!render(picture_, kWidth, kHeight)) return;
        input_ = file("scene.hdr");
        if (!writeRadiance(picture_, input_)) {
            problem_ = "cannot write " + input_;
            return;
        }
        // The benchmark is only worth its figures if the file reads back.
        RgbeImage check;
        if (readRadiance(check, input_) != 1 || check.width != kWidth || check.height != kHeight ||
            std::memcmp(check.pixels(), picture_.pixels(),
                        size_t{kWidth} * kHeight * sizeof(RgbePixel)) != 0) {
            problem_ = "the scene does not read back as written";
        }
    }

  private:
    std::string input_;
    RgbeImage picture_;
    RgbeImage turned_;
    std::vector<float> floats_;
};

// Runs `once` for every iteration, reports megapixels per second and, for a
// peer, the ratio to ours. `once` returns false on failure.
template <typename Once>
void measure(benchmark::State& state, const std::string& name, const std::string& ours, Once once) {
    if (!Subject::ready(state)) return;
    std::optional<double> rate = bench::measureAndKeep(state, name, kMegapixels, once);
    std::optional<double> oursRate = ours.empty() ? std::nullopt : bench::keptRate(ours);
    if (rate && oursRate) state.counters["ours/stb"] = *oursRate / *rate;
}

void readOurs(benchmark::State& state) {
    RgbeImage image;
    measure(state, "read/ours", "", [&] {
        // A fresh picture every time, as the viewer reads a file once: a
        // picture of the same size would keep its block.
        image.release();
        return readRadiance(image, Subject::get().input()) == 1 && image.width == kWidth &&
               image.height == kHeight;
    });
}

void readStb(benchmark::State& state) {
    measure(state, "read/stb", "read/ours", [&] {
        int width = 0;
        int height = 0;
        int channels = 0;
        float* data = stbi_loadf(Subject::get().input().c_str(), &width, &height, &channels, 3);
        bool ok = data != nullptr && width == int{kWidth} && height == int{kHeight};
        benchmark::DoNotOptimize(data);
        stbi_image_free(data);
        return ok;
    });
}

void writeOurs(benchmark::State& state) {
    std::string path = Subject::get().file("ours.hdr");
    measure(state, "write/ours", "",
            [&] { return writeRadiance(Subject::get().picture(), path) == 1; });
}

void writeStb(benchmark::State& state) {
    std::string path = Subject::get().file("stb.hdr");
    const float* floats =
        Subject::get().problem().empty() ? Subject::get().floats().data() : nullptr;
    measure(state, "write/stb", "write/ours", [&] {
        return stbi_write_hdr(path.c_str(), int{kWidth}, int{kHeight}, 3, floats) != 0;
    });
}

void writeTurnedPicture(benchmark::State& state) {
    std::string path = Subject::get().file("moved.hdr");
    const RgbeImage& turned = Subject::get().turned();
    measure(state, "write/moved", "", [&] { return writeRadiance(turned, path) == 1; });
}

void writeTurned(benchmark::State& state) {
    std::string path = Subject::get().file("turned.hdr");
    measure(state, "write/turned", "", [&] {
        return writeRadiance(Subject::get().picture(), path, nullptr, Orientation{}.turned()) == 1;
    });
    std::optional<double> moved = bench::keptRate("write/moved");
    std::optional<double> turned = bench::keptRate("write/turned");
    if (moved && turned) state.counters["turned/moved"] = *moved / *turned;
}

// Each iteration handles 48 megapixels; a second is enough for a steady figure.
BENCHMARK(readOurs)
    ->Name("Radiance/read/ours")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1);
BENCHMARK(readStb)
    ->Name("Radiance/read/stb")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1);
BENCHMARK(writeOurs)
    ->Name("Radiance/write/ours")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1);
BENCHMARK(writeStb)
    ->Name("Radiance/write/stb")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1);
BENCHMARK(writeTurnedPicture)
    ->Name("Radiance/write/turned-picture")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1);
BENCHMARK(writeTurned)
    ->Name("Radiance/write/turned-from-unmoved")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1);

}  // namespace
}  // namespace pellumir
