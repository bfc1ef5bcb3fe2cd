// The display layer on a 48-megapixel picture: the tone table alone, build
// against a conversion with three pow calls per pixel (the naive peer) and
// against a plain copy of the same bytes (4 read, 3 written per pixel, the
// memory-bandwidth limit), and writeBmp into /dev/shm.
//
// The picture is patterned: exponents sweep 24 stops across it, as in a
// picture with bright lamps and dark corners, and the mantissas are
// pseudo-random, so that the table rows are visited the way a real picture
// visits them. Each build rewrites a bitmap whose storage already exists,
// as every picture command does.

#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "display/display_bitmap.h"
#include "display/tone_conversion.h"
#include "display/tone_table.h"
#include "picture/rgbe_image.h"

namespace pellumir {
namespace {

constexpr uint32_t kWidth = 8000;
constexpr uint32_t kHeight = 6000;
constexpr double kMegapixels = double{kWidth} * kHeight / 1e6;
constexpr float kGamma = 2.2f;

class Subject : public bench::Subject<Subject> {
  public:
    const RgbeImage& picture() const { return picture_; }
    // A bitmap built once, for the writer and as the target of the copies.
    DisplayBitmap& bitmap() { return bitmap_; }

    Subject() {
        if (!problem_.empty()) return;
        picture_.allocate(kWidth, kHeight);
        if (picture_.empty()) {
            problem_ = "not enough memory for the picture";
            return;
        }
        uint32_t state = 2463534242u;
        for (uint32_t y = 0; y < kHeight; ++y) {
            for (uint32_t x = 0; x < kWidth; ++x) {
                state ^= state << 13;
                state ^= state >> 17;
                state ^= state << 5;
                auto exponent = static_cast<uint8_t>(116 + (x + y) * 24 / (kWidth + kHeight));
                picture_.rows[y][x] = {uint8_t(state), uint8_t(state >> 8), uint8_t(state >> 16),
                                       exponent};
            }
        }
        if (!bitmap_.build(picture_.pixels(), kWidth, kHeight, 1.0f, kGamma)) {
            problem_ = "not enough memory for the bitmap";
        }
    }

  private:
    RgbeImage picture_;
    DisplayBitmap bitmap_;
};

void perPicture(benchmark::State& state) {
    state.counters["MP/s"] = benchmark::Counter(
        kMegapixels * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void table(benchmark::State& state, float exposure) {
    auto tones = std::make_unique<ToneTable>();
    for (auto _ : state) {
        makeToneTable(*tones, exposure, kGamma);
        benchmark::DoNotOptimize(tones->entries[128][128]);
        benchmark::ClobberMemory();
    }
}

void build(benchmark::State& state) {
    if (!Subject::ready(state)) return;
    const RgbeImage& picture = Subject::get().picture();
    DisplayBitmap bitmap;
    bitmap.build(picture.pixels(), kWidth, kHeight, 1.0f, kGamma);  // the storage
    for (auto _ : state) {
        // Alternating exposures, so that no build repeats the one before.
        float exposure = state.iterations() % 2 ? 1.0f : 0.99610895f;
        if (!bitmap.build(picture.pixels(), kWidth, kHeight, exposure, kGamma)) {
            state.SkipWithError("build failed");
            return;
        }
        benchmark::ClobberMemory();
    }
    perPicture(state);
}

// The conversion alone on one thread: what build costs without its helper.
void convertOneThread(benchmark::State& state) {
    if (!Subject::ready(state)) return;
    const RgbeImage& picture = Subject::get().picture();
    DisplayBitmap& bitmap = Subject::get().bitmap();
    ToneTable tones;
    makeToneTable(tones, 1.0f, kGamma);
    for (auto _ : state) {
        convertRows(tones, picture.pixels(), kWidth, kHeight, bitmap.rows, 0, kHeight);
        benchmark::ClobberMemory();
    }
    perPicture(state);
}

// Three pow calls per pixel, the obvious way to write the conversion.
void naive(benchmark::State& state) {
    if (!Subject::ready(state)) return;
    const RgbeImage& picture = Subject::get().picture();
    DisplayBitmap& bitmap = Subject::get().bitmap();
    double inverse = 1.0 / double{kGamma};
    auto tone = [&](uint8_t mantissa, double scale) {
        double p = std::pow((mantissa + 0.5) * scale, inverse) * 256.0;
        return static_cast<uint8_t>(p > 255.0 ? 255.0 : p);
    };
    for (auto _ : state) {
        for (uint32_t i = 0; i < kHeight; ++i) {
            const RgbePixel* in = picture.rows[i];
            uint8_t* out = bitmap.rows[kHeight - 1 - i];
            for (uint32_t j = 0; j < kWidth; ++j) {
                RgbePixel p = in[j];
                double scale = p.exponent == 0 ? 0.0 : std::ldexp(1.0, int{p.exponent} - 136);
                out[0] = tone(p.blue, scale);
                out[1] = tone(p.green, scale);
                out[2] = tone(p.red, scale);
                out += 3;
            }
        }
        benchmark::ClobberMemory();
    }
    perPicture(state);
}

void copyRows(const RgbeImage& picture, DisplayBitmap& bitmap, uint32_t first, uint32_t last) {
    for (uint32_t i = first; i < last; ++i) {
        const RgbePixel* in = picture.rows[i];
        uint8_t* out = bitmap.rows[kHeight - 1 - i];
        for (uint32_t j = 0; j < kWidth; ++j) {
            out[0] = in[j].blue;
            out[1] = in[j].green;
            out[2] = in[j].red;
            out += 3;
        }
    }
}

// The same bytes moved without a table: the floor for any conversion.
void copy(benchmark::State& state, int threads) {
    if (!Subject::ready(state)) return;
    const RgbeImage& picture = Subject::get().picture();
    DisplayBitmap& bitmap = Subject::get().bitmap();
    for (auto _ : state) {
        if (threads == 1) {
            copyRows(picture, bitmap, 0, kHeight);
        } else {
            std::thread helper(copyRows, std::cref(picture), std::ref(bitmap), kHeight / 2,
                               kHeight);
            copyRows(picture, bitmap, 0, kHeight / 2);
            helper.join();
        }
        benchmark::ClobberMemory();
    }
    perPicture(state);
}

void writeBmp(benchmark::State& state) {
    if (!Subject::ready(state)) return;
    DisplayBitmap& bitmap = Subject::get().bitmap();
    std::string path = Subject::get().file("display.bmp");
    for (auto _ : state) {
        if (bitmap.writeBmp(path) != 1) {
            state.SkipWithError("writeBmp failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            (54 + int64_t{bitmap.stride} * kHeight));
    perPicture(state);
}

BENCHMARK_CAPTURE(table, exposure_1, 1.0f)
    ->Name("Display/table/exposure-1")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(table, picked, 0.99610895f)
    ->Name("Display/table/picked")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(table, exact, 0x1p-20f)
    ->Name("Display/table/exact")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(build)
    ->Name("Display/build")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK(convertOneThread)
    ->Name("Display/build/one-thread")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK_CAPTURE(copy, one_thread, 1)
    ->Name("Display/copy/one-thread")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK_CAPTURE(copy, two_threads, 2)
    ->Name("Display/copy/two-threads")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK(naive)
    ->Name("Display/build/naive-pow")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(writeBmp)
    ->Name("Display/writeBmp")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

}  // namespace
}  // namespace pellumir
