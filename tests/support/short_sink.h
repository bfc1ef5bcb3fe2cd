#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "io/byte_sink.h"

namespace pellumir::test {

// A sink that takes the first `room` bytes and then fails, as a full disk
// does: the write that reaches the end is taken in part.
class ShortSink final : public ByteSink {
  public:
    explicit ShortSink(size_t room) : room_(room) {}

    size_t write(const void* data, size_t size) override {
        if (failed_) return 0;
        size_t taken = std::min(size, room_ - bytes_.size());
        const auto* bytes = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), bytes, bytes + taken);
        failed_ = taken < size;
        return taken;
    }
    bool failed() const override { return failed_; }
    int error() const override { return failed_ ? ENOSPC : 0; }

    const std::vector<uint8_t>& bytes() const { return bytes_; }

  private:
    size_t room_;
    std::vector<uint8_t> bytes_;
    bool failed_ = false;
};

}  // namespace pellumir::test
