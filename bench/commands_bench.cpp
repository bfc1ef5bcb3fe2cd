// The picture commands on a 48-megapixel picture, each through its hook as
// the viewer calls it (keyCommand, pickExposure, resetExposure) with the
// headless window, so that every figure includes the bitmap's rebuild; and
// the converter's turn as whole processes beside its plain conversion.
//
// Every hook row carries "of_goal": its time over the time it should take
// at most (150 ms for R, 60 ms for the others), so a figure above 1 is a
// miss; and "both_cores_cpu_ms", the processor time of one command, which
// a busy machine does not inflate (on an idle one the time is about half
// of it, the two cores sharing the work). The converter's rows carry the two commands' medians,
// and their ratio. (A child's peak memory cannot be had here: a process
// spawned from this large one is charged with its memory; bench/huge-pictures
// measures the peaks through /usr/bin/time.)

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include "bench_support.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/headless_window.h"
#include "display/display_bitmap.h"
#include "display/picture_commands.h"
#include "display/viewer_state.h"
#include "picture/formats/radiance.h"
#include "render-scene/scene.h"

extern char** environ;

namespace pellumir {
namespace {

constexpr uint32_t kWidth = 8000;
constexpr uint32_t kHeight = 6000;

// The scene as the viewer holds it after start-up: in currentPicture, with
// its bitmap built, and as a Radiance file for the converter.
class Subject : public bench::Subject<Subject> {
  public:
    DisplayBitmap& bitmap() { return bitmap_; }
    const std::string& input() const { return input_; }

    Subject() {
        if (!problem_.empty()) return;
        renderScene(currentPicture, kWidth, kHeight);
        currentExposure = 1.0f;
        if (currentPicture.empty() || !bitmap_.build(currentPicture.pixels(), kWidth, kHeight,
                                                     currentExposure, kDisplayGamma)) {
            problem_ = "not enough memory for the picture and its bitmap";
            return;
        }
        input_ = folder_.file("big.hdr");
        if (writeRadiance(currentPicture, input_) != 1) problem_ = "cannot write " + input_;
    }

  private:
    DisplayBitmap bitmap_;
    std::string input_;
};

// The processor time of all the process's threads, user and system: on a
// machine shared with other work, what a command costs whatever its wait.
double processCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Runs `command` once per iteration and reports its time against the goal,
// and the processor time it took on both cores together.
template <typename Command>
void hook(benchmark::State& state, double goalMs, Command command) {
    if (!Subject::ready(state)) return;
    HeadlessWindow window;
    DisplayBitmap& bitmap = Subject::get().bitmap();
    double cpuStart = processCpuMs();
    auto start = std::chrono::steady_clock::now();
    int64_t n = 0;
    for (auto _ : state) {
        command(window, bitmap, n++);
        benchmark::ClobberMemory();
    }
    double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    double cpuMs = processCpuMs() - cpuStart;
    if (bitmap.empty() || bitmap.width != currentPicture.width) {
        state.SkipWithError("the bitmap was not rebuilt");
        return;
    }
    state.counters["of_goal"] = ms / static_cast<double>(n) / goalMs;
    state.counters["both_cores_cpu_ms"] = cpuMs / static_cast<double>(n);
}

void rotate(benchmark::State& state) {
    hook(state, 150,
         [](HookWindow& w, DisplayBitmap& b, int64_t) { keyCommand(w, b, kKeyRotate); });
}

void mirror(benchmark::State& state) {
    hook(state, 60, [](HookWindow& w, DisplayBitmap& b, int64_t) { keyCommand(w, b, kKeyMirror); });
}

void flip(benchmark::State& state) {
    hook(state, 60, [](HookWindow& w, DisplayBitmap& b, int64_t) { keyCommand(w, b, kKeyFlip); });
}

// Plus and minus by turns, so that the exposure stays near 1.
void plusMinus(benchmark::State& state) {
    hook(state, 60, [](HookWindow& w, DisplayBitmap& b, int64_t n) {
        keyCommand(w, b, n % 2 ? kVirtualKeyOemMinus : kVirtualKeyAdd);
    });
}

// A bright and a dark pixel by turns: every pick gives another exposure.
void pick(benchmark::State& state) {
    hook(state, 60, [](HookWindow& w, DisplayBitmap& b, int64_t n) {
        int32_t x = n % 2 ? 10 : int32_t{kWidth} / 2;
        pickExposure(w, b, x, int32_t{kHeight} / 3);
    });
}

void reset(benchmark::State& state) {
    hook(state, 60, [](HookWindow& w, DisplayBitmap& b, int64_t) { resetExposure(w, b); });
}

// One run of the converter: its seconds, or a negative time when it could
// not run or failed.
double runConverter(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), PELLUMIR_CONVERT_PATH);
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The converter with `options` against the plain conversion, the two
// processes alternating.
void converterPair(benchmark::State& state, std::vector<std::string> options) {
    if (!Subject::ready(state)) return;
    std::string output = Subject::get().file("out.hdr");
    std::vector<double> with;
    std::vector<double> plain;
    for (auto _ : state) {
        std::vector<std::string> arguments = options;
        arguments.push_back(Subject::get().input());
        arguments.push_back(output);
        auto a = runConverter(arguments);
        auto b = runConverter({Subject::get().input(), output});
        if (a < 0 || b < 0) {
            state.SkipWithError("pellumir-convert failed");
            return;
        }
        with.push_back(a);
        plain.push_back(b);
    }
    state.counters["with_ms"] = median(with) * 1000;
    state.counters["plain_ms"] = median(plain) * 1000;
    state.counters["ratio"] = median(with) / median(plain);
}

// One command is one or two full passes over 336 MB: ten of each give a
// steady median without making the run long.
BENCHMARK(rotate)->Name("Commands/R")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(mirror)->Name("Commands/H")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(flip)->Name("Commands/V")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(plusMinus)
    ->Name("Commands/plus-minus")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK(pick)
    ->Name("Commands/pick")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK(reset)
    ->Name("Commands/reset")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK_CAPTURE(converterPair, rotate, std::vector<std::string>{"--rotate"})
    ->Name("Convert/rotate-vs-plain")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(converterPair, mirror_flip_plus,
                  std::vector<std::string>{"--mirror", "--flip", "--plus"})
    ->Name("Convert/mirror-flip-plus-vs-plain")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

}  // namespace
}  // namespace pellumir
