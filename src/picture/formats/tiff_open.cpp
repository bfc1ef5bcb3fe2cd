#include "picture/formats/tiff_open.h"

#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace pellumir {

// Reading block by block needs the arrays of strip offsets, the bytes of one
// stored block (no more than the file holds) and one decoded block, so twice
// the file size is plenty; the floor keeps ordinary files clear of it.
uint64_t tiffAllocationCap(uint64_t fileSize) {
    constexpr uint64_t kSmallestAllocationCap = uint64_t{256} << 20;
    uint64_t cap =
        std::max(kSmallestAllocationCap, fileSize > UINT64_MAX / 2 ? UINT64_MAX : fileSize * 2);
    return std::min<uint64_t>(cap, static_cast<uint64_t>(INT64_MAX));
}

namespace {

// "r" for reading, "m" to leave memory mapping off: a file cut short under
// a mapping would end the process with SIGBUS instead of failing the read.
constexpr const char* kOpenMode = "rm";

struct OptionsFreer {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
using TiffOptions = std::unique_ptr<TIFFOpenOptions, OptionsFreer>;

int keepFirstError(TIFF*, void* userData, const char*, const char* format, va_list arguments) {
    auto* messages = static_cast<TiffMessages*>(userData);
    if (messages->firstError.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        messages->firstError = text;
    }
    return 1;  // handled: nothing reaches the process-wide handler
}

int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

TiffOptions openOptions(uint64_t fileSize, TiffMessages& messages) {
    TiffOptions options(TIFFOpenOptionsAlloc());
    if (!options) {
        messages.noMemory = true;
        return options;
    }
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(),
                                        static_cast<tmsize_t>(tiffAllocationCap(fileSize)));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), keepFirstError, &messages);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), ignoreWarning, &messages);
    return options;
}

tmsize_t readMemory(thandle_t handle, void* buffer, tmsize_t size) {
    auto* stream = static_cast<TiffMemory*>(handle);
    if (size <= 0 || stream->position >= stream->size) return 0;
    uint64_t count =
        std::min<uint64_t>(static_cast<uint64_t>(size), stream->size - stream->position);
    std::memcpy(buffer, stream->data + stream->position, count);
    stream->position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t writeMemory(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t seekMemory(thandle_t handle, toff_t offset, int whence) {
    auto* stream = static_cast<TiffMemory*>(handle);
    // As lseek: the offset is signed for SEEK_CUR and SEEK_END, and a
    // position beyond the end is allowed (reads there give nothing).
    auto delta = static_cast<int64_t>(offset);
    int64_t base = 0;
    if (whence == SEEK_CUR) {
        base = static_cast<int64_t>(stream->position);
    } else if (whence == SEEK_END) {
        base = static_cast<int64_t>(stream->size);
    } else if (whence != SEEK_SET) {
        return static_cast<toff_t>(-1);
    }
    if (whence == SEEK_SET) {
        if (offset > static_cast<toff_t>(INT64_MAX)) return static_cast<toff_t>(-1);
        stream->position = offset;
        return offset;
    }
    int64_t target = 0;
    if (__builtin_add_overflow(base, delta, &target) || target < 0) return static_cast<toff_t>(-1);
    stream->position = static_cast<uint64_t>(target);
    return stream->position;
}

int closeMemory(thandle_t) {
    return 0;
}

toff_t sizeOfMemory(thandle_t handle) {
    return static_cast<TiffMemory*>(handle)->size;
}

int mapMemory(thandle_t, void**, toff_t*) {
    return 0;
}

void unmapMemory(thandle_t, void*, toff_t) {}

}  // namespace

TiffHandle openTiffDescriptor(int fd, const std::string& name, uint64_t fileSize,
                              TiffMessages& messages) {
    TiffOptions options = openOptions(fileSize, messages);
    // TIFFOpen's own way: open, then hand the descriptor over.
    TiffHandle tiff(options ? TIFFFdOpenExt(fd, name.c_str(), kOpenMode, options.get()) : nullptr);
    if (!tiff) close(fd);
    return tiff;
}

TiffHandle openTiffMemory(TiffMemory& memory, TiffMessages& messages) {
    TiffOptions options = openOptions(memory.size, messages);
    if (!options) return nullptr;
    return TiffHandle(TIFFClientOpenExt("memory", kOpenMode, &memory, readMemory, writeMemory,
                                        seekMemory, closeMemory, sizeOfMemory, mapMemory,
                                        unmapMemory, options.get()));
}

}  // namespace pellumir
