#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

namespace pellumir {

// Bytes from the stream's position to its end, when the stream has a size:
// regular files and memory streams do, pipes do not.
std::optional<uint64_t> bytesLeftIn(std::FILE* file);

// A byte stream over a stdio FILE, read in large blocks. It gives the bytes,
// end-of-file and error outcomes of getc/ungetc/fgets on the same FILE, but
// takes the stream's lock once per block instead of once per byte, and lets
// decoders work straight from its buffer.
class ByteInput {
  public:
    static constexpr int kEnd = -1;

    explicit ByteInput(std::FILE* file, size_t blockSize = size_t{1} << 20);

    // The next byte, or kEnd at the end of the file or after a read error
    // (which set atEnd() or failed(); both stay set).
    int get() {
        if (next_ == end_ && !refill()) return kEnd;
        return *next_++;
    }

    // Steps back over the byte that the last get() returned, as ungetc of
    // that byte does. Only valid directly after a get() that gave a byte.
    void unget() { --next_; }

    // fgets: reads up to size - 1 bytes, stopping after a LF, and terminates
    // them with NUL. Returns the number of bytes read; 0 means fgets would
    // have returned NULL (nothing read at the end, or a read error).
    size_t getLine(char* buffer, size_t size);

    bool atEnd() const { return atEnd_; }
    bool failed() const { return failed_; }

    // Bytes not yet read, when the size of the underlying file is known.
    std::optional<uint64_t> bytesLeft() const;

    // Direct access for decoders: the buffered bytes not yet read.
    const uint8_t* next() const { return next_; }
    const uint8_t* end() const { return end_; }
    void consume(const uint8_t* upTo) { next_ = upTo; }
    // Reads the next block; false (with atEnd() or failed() set) when none.
    bool refill();

  private:
    std::FILE* file_;
    std::vector<uint8_t> buffer_;
    const uint8_t* next_;
    const uint8_t* end_;
    uint64_t consumedBefore_ = 0;   // bytes of earlier blocks
    std::optional<uint64_t> size_;  // bytes from the start position to the end
    bool atEnd_ = false;
    bool failed_ = false;
};

}  // namespace pellumir
