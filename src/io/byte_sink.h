#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pellumir {

// Where a writer's bytes go: a file being saved (SafeOutput) or memory
// (MemorySink). A writer needs only to hand over bytes and to learn whether
// all of them were taken; what happens to them, and what a failure leaves
// behind, is the sink's business.
class ByteSink {
  public:
    virtual ~ByteSink() = default;

    // Takes size bytes; returns how many were taken, fewer only when the
    // sink failed. After a failure every write takes nothing.
    virtual size_t write(const void* data, size_t size) = 0;

    // True once a write has taken fewer bytes than it was given.
    virtual bool failed() const = 0;

    // The errno that says why the sink failed, 0 while it has not.
    virtual int error() const = 0;

  protected:
    ByteSink() = default;
    ByteSink(const ByteSink&) = default;
    ByteSink& operator=(const ByteSink&) = default;
};

// Bytes kept in memory: a writer's output without a file, for tests and for
// whatever wants the bytes themselves.
class MemorySink final : public ByteSink {
  public:
    size_t write(const void* data, size_t size) override;
    bool failed() const override { return error_ != 0; }
    // ENOMEM when the bytes did not fit in memory.
    int error() const override { return error_; }

    const std::vector<uint8_t>& bytes() const { return bytes_; }

  private:
    size_t refuse();

    std::vector<uint8_t> bytes_;
    int error_ = 0;
};

}  // namespace pellumir
