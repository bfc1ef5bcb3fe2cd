#pragma once

#include <openexr.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>

#include "io/failure_reason.h"

namespace pellumir {

// Where the OpenEXR reader's bytes come from: a file descriptor or a block
// of memory. The core library reads through it from several threads at once.
struct ExrSource {
    int fd = -1;
    const uint8_t* data = nullptr;
    uint64_t size = 0;
    std::mutex lock;      // guards `message`: chunks fail on any thread
    std::string message;  // the core library's first error, for a cause without better words

    // The first `count` bytes from `offset`, as many as there are.
    int64_t read(void* buffer, uint64_t count, uint64_t offset) const;
    // The core library's first error, or `otherwise` when it gave none.
    std::string messageOr(const std::string& otherwise);
};

struct ExrContextCloser {
    void operator()(exr_context_t context) const { exr_finish(&context); }
};
using ExrContext = std::unique_ptr<std::remove_pointer_t<exr_context_t>, ExrContextCloser>;

// Reads the header of `source` (called `name` in the core library's
// messages) through the core library. Returns the open context, or null with
// the cause in `reason`: not an OpenEXR file, or a header that cannot be read.
ExrContext startExrRead(const char* name, ExrSource& source, FailureReason* reason);

}  // namespace pellumir
