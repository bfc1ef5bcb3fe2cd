#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pellumir {

// The system calls a save goes through. Tests replace them to make any one
// of them fail; the program uses the real ones.
struct FileOps {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
};
const FileOps& realFileOps();
// Sets the operations used by every SafeOutput opened afterwards; null
// restores the real ones.
void setFileOpsForTesting(const FileOps* ops);

// A buffered output file that replaces its target only when everything was
// written: the bytes go to a new file beside the target, which is renamed
// over the target after a successful write, flush and close. On any failure
// the new file is removed and the old target stays as it was.
//
// A target that exists but is not a regular file (a device such as
// /dev/full, a pipe) is written in place, as there is no file to keep.
class SafeOutput {
  public:
    SafeOutput() = default;
    ~SafeOutput();
    SafeOutput(const SafeOutput&) = delete;
    SafeOutput& operator=(const SafeOutput&) = delete;

    // Creates the new file. False when it cannot be created.
    bool open(const std::string& path);

    void put(uint8_t byte) {
        if (used_ == buffer_.size()) flushBuffer();
        buffer_[used_++] = byte;
    }
    // Writes size bytes; returns how many were taken, fewer only after an error.
    size_t write(const void* data, size_t size);

    // True once any write has failed (like a stream's error indicator).
    bool failed() const { return failed_; }
    // The errno of the first call that failed since open(), or 0: what a
    // failed save tells the user ("No space left on device").
    int error() const { return error_; }

    // Flushes, syncs and closes the new file, then renames it over the
    // target. Returns true when the target now holds exactly the bytes
    // written; otherwise the target is untouched and the new file is gone.
    bool commit();

    // Drops the new file (also done by the destructor when not committed).
    void abandon();

  private:
    void flushBuffer();
    bool writeAll(const uint8_t* data, size_t size);
    void noteError(int error);

    const FileOps* ops_ = nullptr;
    int fd_ = -1;
    std::string target_;
    std::string temporary_;  // empty when writing the target in place
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
    bool failed_ = false;
    int error_ = 0;
};

}  // namespace pellumir
