#include "allocation_probe.h"

#include <malloc.h>

#include <atomic>

namespace {

std::atomic<bool> armed{false};
std::atomic<uint64_t> largest{0};
std::atomic<int64_t> held{0};
std::atomic<int64_t> peak{0};
std::atomic<uint64_t> refusedFrom{0};  // 0: none refused
std::atomic<int> grantedLarge{0};

}  // namespace

#if defined(__SANITIZE_ADDRESS__)

namespace pellumir::test {
bool AllocationProbe::available() {
    return false;
}
}  // namespace pellumir::test

#else

namespace {

void noteRequest(size_t size) {
    if (!armed.load(std::memory_order_relaxed)) return;
    uint64_t seen = largest.load(std::memory_order_relaxed);
    while (size > seen && !largest.compare_exchange_weak(seen, size)) {
    }
}

void noteHeld(int64_t change) {
    if (!armed.load(std::memory_order_relaxed)) return;
    int64_t now = held.fetch_add(change) + change;
    int64_t seen = peak.load(std::memory_order_relaxed);
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
}

}  // namespace

// glibc lets a program replace malloc, free, calloc and realloc; its own
// memalign family still works with the replacements, as every block stays
// one of glibc's.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void __libc_free(void* block);

// Whether a request of `size` bytes is refused: while armed with a
// threshold, every request that large after the first such one.
bool refused(size_t size) {
    uint64_t from = refusedFrom.load(std::memory_order_relaxed);
    if (!armed.load(std::memory_order_relaxed) || from == 0 || size < from) return false;
    return grantedLarge.fetch_add(1) >= 1;
}

void* malloc(size_t size) {
    noteRequest(size);
    if (refused(size)) return nullptr;
    void* block = __libc_malloc(size);
    if (block) noteHeld(static_cast<int64_t>(malloc_usable_size(block)));
    return block;
}

void* calloc(size_t count, size_t size) {
    size_t total = 0;
    noteRequest(__builtin_mul_overflow(count, size, &total) ? SIZE_MAX : total);
    void* block = __libc_calloc(count, size);
    if (block) noteHeld(static_cast<int64_t>(malloc_usable_size(block)));
    return block;
}

void* realloc(void* block, size_t size) {
    noteRequest(size);
    int64_t before = block ? static_cast<int64_t>(malloc_usable_size(block)) : 0;
    void* moved = __libc_realloc(block, size);
    if (moved) {
        noteHeld(static_cast<int64_t>(malloc_usable_size(moved)) - before);
    } else if (size == 0) {
        noteHeld(-before);
    }
    return moved;
}

void free(void* block) {
    if (block) noteHeld(-static_cast<int64_t>(malloc_usable_size(block)));
    __libc_free(block);
}
}

namespace pellumir::test {
bool AllocationProbe::available() {
    return true;
}
}  // namespace pellumir::test

#endif

namespace pellumir::test {

AllocationProbe::AllocationProbe() {
    largest = 0;
    held = 0;
    peak = 0;
    armed = true;
}

AllocationProbe::~AllocationProbe() {
    armed = false;
    refusedFrom = 0;
}

void AllocationProbe::refuseAllButTheFirstFrom(uint64_t bytes) {
    grantedLarge = 0;
    refusedFrom = bytes;
}

uint64_t AllocationProbe::largestRequest() const {
    return largest.load();
}

uint64_t AllocationProbe::peakHeld() const {
    int64_t value = peak.load();
    return value > 0 ? static_cast<uint64_t>(value) : 0;
}

}  // namespace pellumir::test
