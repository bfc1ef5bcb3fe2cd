#include "io/byte_input.h"

#include <sys/stat.h>

#include "io/read_progress.h"

namespace pellumir {

std::optional<uint64_t> bytesLeftIn(std::FILE* file) {
    long position = std::ftell(file);
    if (position < 0) return std::nullopt;
    int fd = fileno(file);
    if (fd >= 0) {
        struct stat info {};
        if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
        return info.st_size > position ? static_cast<uint64_t>(info.st_size - position) : 0;
    }
    // Memory streams have no descriptor but can seek to their end.
    if (std::fseek(file, 0, SEEK_END) != 0) return std::nullopt;
    long end = std::ftell(file);
    if (std::fseek(file, position, SEEK_SET) != 0 || end < 0) return std::nullopt;
    return end > position ? static_cast<uint64_t>(end - position) : 0;
}

ByteInput::ByteInput(std::FILE* file, size_t blockSize)
    : file_(file),
      buffer_(blockSize),
      next_(buffer_.data()),
      end_(buffer_.data()),
      size_(bytesLeftIn(file)) {}

bool ByteInput::refill() {
    if (atEnd_ || failed_) return false;
    consumedBefore_ += static_cast<uint64_t>(end_ - buffer_.data());
    // A read stopped by its watcher ends as a read error does.
    if (!reportReadProgress(consumedBefore_, size_.value_or(0))) {
        failed_ = true;
        next_ = end_ = buffer_.data();
        return false;
    }
    size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    next_ = buffer_.data();
    end_ = buffer_.data() + got;
    if (got > 0) return true;
    if (std::ferror(file_)) {
        failed_ = true;
    } else {
        atEnd_ = true;
    }
    return false;
}

size_t ByteInput::getLine(char* buffer, size_t size) {
    size_t count = 0;
    while (count + 1 < size) {
        int c = get();
        if (c == kEnd) break;
        buffer[count++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    if (failed_) count = 0;
    if (size > 0) buffer[count] = '\0';
    return count;
}

std::optional<uint64_t> ByteInput::bytesLeft() const {
    if (!size_) return std::nullopt;
    uint64_t consumed = consumedBefore_ + static_cast<uint64_t>(next_ - buffer_.data());
    return consumed >= *size_ ? 0 : *size_ - consumed;
}

}  // namespace pellumir
