#pragma once

// What every harness shares: a read-only stdio stream over the fuzzer's
// bytes, and the checks that any successful read must pass.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "picture/memory_budget.h"
#include "picture/rgbe_image.h"

namespace pellumir::fuzz {

// A stdio stream over the input, as the readers' FILE* entry points take
// it. An empty input gives a stream that is at its end at once.
class InputStream {
  public:
    InputStream(const uint8_t* data, size_t size) {
        if (size > 0) {
            file_ = fmemopen(const_cast<uint8_t*>(data), size, "rb");
        } else {
            file_ = fmemopen(nullptr, 1, "w+b");
        }
        if (!file_) std::abort();
    }
    ~InputStream() { std::fclose(file_); }
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;
    std::FILE* get() const { return file_; }

  private:
    std::FILE* file_ = nullptr;
};

// The harnesses read with the memory budget of a small machine: libFuzzer
// takes any allocation beyond its RSS limit (2 GiB in our runs) for a leak
// of memory, and a picture that the budget refuses is a clean failure,
// whose path is worth fuzzing as much as any other.
inline constexpr uint64_t kFuzzingBudget = uint64_t{256} << 20;
inline void useFuzzingBudget() {
    // Never more than the machine's own budget, which is worked out first.
    static const uint64_t budget = std::min(memoryBudget(), kFuzzingBudget);
    setMemoryBudgetForTesting(budget);
}

// The readers take a path or an open stream; an input of odd length goes
// through a file on /dev/shm and the path, the others through a memory
// stream, so that both doors are fuzzed and each input always takes the
// same one.
inline bool readThroughAFile(size_t size) {
    return size % 2 == 1;
}

// A name for a harness's scratch file: /dev/shm keeps it off the disk, and
// one name per process and harness keeps harnesses running side by side
// apart.
inline std::string scratchPath(const char* harness) {
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(folder) + "/pellumir-" + harness + "-" + std::to_string(getpid());
}

// A file holding the input, removed at the end of the run.
class ScratchFile {
  public:
    ScratchFile(const char* harness, const uint8_t* data, size_t size) {
        path_ = scratchPath(harness);
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
            std::abort();
        }
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Reads the input through the door readThroughAFile picks: `read` is
// called with the path of a scratch file or with a memory stream
// (std::FILE*), as the reader's two entry points take them.
template <typename Read>
int readEitherWay(const char* harness, const uint8_t* data, size_t size, Read read) {
    if (readThroughAFile(size)) {
        ScratchFile file(harness, data, size);
        return read(file.path());
    }
    InputStream stream(data, size);
    return read(stream.get());
}

// The same for readers whose second door takes the bytes themselves.
template <typename FromPath, typename FromBytes>
int readPathOrBytes(const char* harness, const uint8_t* data, size_t size, FromPath fromPath,
                    FromBytes fromBytes) {
    if (readThroughAFile(size)) {
        ScratchFile file(harness, data, size);
        return fromPath(file.path());
    }
    return fromBytes(data, size);
}

// A reader's result and the picture it left must agree: the result is
// from 0 to `largestResult`, a failure leaves no rows, a success leaves
// rows laid out as one block, row after row.
inline void checkPicture(const RgbeImage& image, int result, int largestResult = 1) {
    if (result < 0 || result > largestResult) std::abort();
    if (result == 0) {
        if (!image.empty() || image.width != 0 || image.height != 0) std::abort();
        return;
    }
    if (image.empty() || image.width == 0 || image.height == 0) std::abort();
    for (uint32_t r = 0; r < image.height; ++r) {
        if (image.rows[r] != image.rows[0] + uint64_t{r} * image.width) std::abort();
    }
    // Touch the first and the last pixel, so that a block smaller than its
    // claimed size is caught by AddressSanitizer.
    volatile uint8_t sink = image.rows[0][0].red;
    sink = image.rows[image.height - 1][image.width - 1].exponent;
    (void)sink;
}

}  // namespace pellumir::fuzz
