#pragma once

// What the benchmarks share: a folder in memory for their files, the
// subject each file makes once, and the loop that measures megapixels per
// second, with the rates kept for the ratios between peers.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>

#include "picture/rgbe_image.h"
#include "render-scene/scene.h"

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

// What a benchmark file measures with: its pictures and files, made once,
// on the first benchmark that asks (Derived::get()), so that a run that
// filters that file's benchmarks out never pays for them. Derived's
// constructor makes the rest, and sets `problem_` when it cannot.
template <typename Derived>
class Subject {
  public:
    static Derived& get() {
        static Derived subject;
        return subject;
    }

    // True when the subject is ready; otherwise the benchmark is skipped
    // with the reason.
    static bool ready(benchmark::State& state) {
        const std::string& problem = get().problem();
        if (problem.empty()) return true;
        state.SkipWithError(problem.c_str());
        return false;
    }

    // Empty when all is ready, else why not.
    const std::string& problem() const { return problem_; }
    std::string file(const char* name) const { return folder_.file(name); }

  protected:
    Subject() {
        if (!folder_.made()) problem_ = "cannot make a folder in /dev/shm";
    }

    // Renders the project's scene into `picture`; false, with the problem
    // set, when there is no memory for it or the subject has a problem
    // already.
    bool render(RgbeImage& picture, uint32_t width, uint32_t height) {
        if (!problem_.empty()) return false;
        renderScene(picture, width, height);
        if (picture.empty()) problem_ = "not enough memory for the scene";
        return problem_.empty();
    }

    ScratchFolder folder_;
    std::string problem_;
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

// The megapixels per second of the last run of each benchmark, by name, so
// that a peer's row can carry its ratio to ours.
inline std::map<std::string, double>& keptRates() {
    static std::map<std::string, double> rates;
    return rates;
}

// measureMegapixels, with the rate kept under `name`.
template <typename Once>
std::optional<double> measureAndKeep(benchmark::State& state, const std::string& name,
                                     double megapixels, Once once) {
    std::optional<double> rate = measureMegapixels(state, name, megapixels, once);
    if (rate) keptRates()[name] = *rate;
    return rate;
}

// The kept rate of the benchmark `name`, when it has run.
inline std::optional<double> keptRate(const std::string& name) {
    auto found = keptRates().find(name);
    if (found == keptRates().end()) return std::nullopt;
    return found->second;
}

}  // namespace pellumir::bench
