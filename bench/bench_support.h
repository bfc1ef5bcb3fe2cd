#pragma once

// What the benchmarks share: a folder in memory for their files, and the
// loop that measures megapixels per second.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace pellumir::bench {

// A fresh folder on /dev/shm, so that disk speed never enters a figure;
// removed with everything in it at the end.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern = "/dev/shm/pellumir-bench-XXXXXX";
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool made() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    std::string file(const char* name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Runs `once` for every iteration and reports the counter "MP/s" for
// `megapixels` a run. Returns the rate, or nothing when a run failed
// (`once` returned false) and the benchmark was skipped with an error.
template <typename Once>
std::optional<double> measureMegapixels(benchmark::State& state, const std::string& name,
                                        double megapixels, Once once) {
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!once()) {
            state.SkipWithError((name + " failed").c_str());
            return std::nullopt;
        }
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double runs = static_cast<double>(state.iterations());
    state.counters["MP/s"] = benchmark::Counter(megapixels * runs, benchmark::Counter::kIsRate);
    return megapixels * runs / seconds;
}

}  // namespace pellumir::bench
