#include "io/byte_sink.h"

#include <cerrno>
#include <new>
#include <stdexcept>

namespace pellumir {

// Nothing of the write was taken: a failed insert leaves the bytes as they were.
size_t MemorySink::refuse() {
    error_ = ENOMEM;
    return 0;
}

size_t MemorySink::write(const void* data, size_t size) {
    if (error_ != 0) return 0;
    const auto* bytes = static_cast<const uint8_t*>(data);
    try {
        bytes_.insert(bytes_.end(), bytes, bytes + size);
    } catch (const std::bad_alloc&) {
        return refuse();
    } catch (const std::length_error&) {
        return refuse();
    }
    return size;
}

}  // namespace pellumir
