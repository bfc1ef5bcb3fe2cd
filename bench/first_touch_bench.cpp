// The first touch of a fresh block, as a picture or a bitmap gets it: new
// pages from the kernel, written once from end to end. Most of the time is
// the kernel's, giving out and clearing the pages. Each size is measured
// with and without the huge-page hint (madvise over the block's whole
// pages, as adviseHugePages gives it), to find the sizes where the hint
// pays; the rows "ours" take the block through adviseHugePages itself,
// whatever it decides for that size.
//
// The blocks are mapped here as malloc maps a large block, 16 bytes into
// fresh pages: malloc itself would hand out a freed block again from its
// heap once its threshold for mapping has grown past the block's size, and
// those pages are not fresh.

#include <benchmark/benchmark.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>

#include "picture/huge_pages.h"

namespace pellumir {
namespace {

enum Hint { none = 0, always = 1, ours = 2 };

// Where malloc's large blocks begin in their mapping.
constexpr uint64_t kMallocHeader = 16;

void adviseAlways(void* block, uint64_t bytes) {
    auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    auto start = reinterpret_cast<uintptr_t>(block);
    uintptr_t first = (start + page - 1) / page * page;
    uintptr_t last = (start + static_cast<uintptr_t>(bytes)) / page * page;
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

// Arguments: the block's size in MiB, the hint. The time of one block's
// mapping, hint and first writing; its unmapping is not counted.
void BM_FirstTouch(benchmark::State& state) {
    const uint64_t bytes = static_cast<uint64_t>(state.range(0)) << 20;
    const auto hint = static_cast<Hint>(state.range(1));
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        void* mapping = mmap(nullptr, bytes + kMallocHeader, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapping == MAP_FAILED) {
            state.SkipWithError("no memory for the block");
            break;
        }
        void* block = static_cast<char*>(mapping) + kMallocHeader;
        if (hint == always) adviseAlways(block, bytes);
        if (hint == ours) adviseHugePages(block, bytes);
        std::memset(block, 0x5a, bytes);
        benchmark::DoNotOptimize(block);
        auto end = std::chrono::steady_clock::now();
        munmap(mapping, bytes + kMallocHeader);
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.counters["MB/s"] = benchmark::Counter(static_cast<double>(bytes) * 1e-6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void sizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"MiB", "hint"});
    for (int64_t mib : {2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 1600}) {
        for (int64_t hint : {none, always, ours})
            b->Args({mib, hint});
    }
}

BENCHMARK(BM_FirstTouch)
    ->Name("FirstTouch")
    ->Apply(sizes)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.3);

}  // namespace
}  // namespace pellumir
