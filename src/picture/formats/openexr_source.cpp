#include "picture/formats/openexr_source.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "picture/formats/openexr_attributes.h"

namespace pellumir {

namespace {

constexpr uint8_t kMagic[4] = {0x76, 0x2f, 0x31, 0x01};

int64_t readSource(exr_const_context_t, void* userData, void* buffer, uint64_t size,
                   uint64_t offset, exr_stream_error_func_ptr_t) {
    return static_cast<const ExrSource*>(userData)->read(buffer, size, offset);
}

int64_t sizeOfSource(exr_const_context_t, void* userData) {
    return static_cast<int64_t>(static_cast<ExrSource*>(userData)->size);
}

void keepFirstMessage(exr_const_context_t context, exr_result_t, const char* message) {
    void* userData = nullptr;
    if (exr_get_user_data(context, &userData) != EXR_ERR_SUCCESS || !userData) return;
    auto* source = static_cast<ExrSource*>(userData);
    std::lock_guard<std::mutex> hold(source->lock);
    if (source->message.empty() && message) source->message = message;
}

bool startsWithMagic(const ExrSource& source) {
    uint8_t start[4] = {};
    return source.read(start, sizeof start, 0) == sizeof start &&
           std::memcmp(start, kMagic, sizeof start) == 0;
}

}  // namespace

int64_t ExrSource::read(void* buffer, uint64_t count, uint64_t offset) const {
    if (offset >= size || count > INT64_MAX) return 0;
    count = std::min(count, size - offset);
    if (data) {
        std::memcpy(buffer, data + offset, count);
        return static_cast<int64_t>(count);
    }
    uint64_t done = 0;
    while (done < count) {
        ssize_t got = pread(fd, static_cast<uint8_t*>(buffer) + done, count - done,
                            static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<uint64_t>(got);
    }
    return static_cast<int64_t>(done);
}

std::string ExrSource::messageOr(const std::string& otherwise) {
    std::lock_guard<std::mutex> hold(lock);
    return message.empty() ? otherwise : message;
}

ExrContext startExrRead(const char* name, ExrSource& source, FailureReason* reason) {
    if (startsWithMagic(source) && !exrAttributesFitTheFile(source, reason)) return nullptr;
    exr_context_initializer_t initializer = EXR_DEFAULT_CONTEXT_INITIALIZER;
    initializer.error_handler_fn = keepFirstMessage;
    initializer.user_data = &source;
    initializer.read_fn = readSource;
    initializer.size_fn = sizeOfSource;
    exr_context_t opened = nullptr;
    exr_result_t result = exr_start_read(&opened, name, &initializer);
    ExrContext context(opened);
    if (result == EXR_ERR_SUCCESS && context) return context;
    context.reset();
    if (!startsWithMagic(source)) {
        failWith(reason, "the file is not an OpenEXR file");
        return nullptr;
    }
    std::string text = "the OpenEXR header cannot be read";
    std::string message = source.messageOr("");
    if (!message.empty()) text += ": " + message;
    failWith(reason, text);
    return nullptr;
}

}  // namespace pellumir
