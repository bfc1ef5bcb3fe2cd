#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace pellumir::test {

// A read-only stdio stream over bytes held by the test.
class MemoryFile {
  public:
    explicit MemoryFile(std::string bytes) : bytes_(std::move(bytes)) {
        file_ = fmemopen(bytes_.empty() ? nullptr : bytes_.data(), bytes_.size(), "rb");
        if (!file_) file_ = fmemopen(nullptr, 1, "w+b");  // an empty stream
    }
    explicit MemoryFile(const std::vector<uint8_t>& bytes)
        : MemoryFile(std::string(bytes.begin(), bytes.end())) {}
    ~MemoryFile() { std::fclose(file_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    std::FILE* get() const { return file_; }

  private:
    std::string bytes_;
    std::FILE* file_;
};

}  // namespace pellumir::test
