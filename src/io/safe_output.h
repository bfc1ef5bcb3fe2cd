#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "io/byte_sink.h"
#include "io/failure_reason.h"

namespace pellumir {

// The system calls a save goes through. Tests replace them to make any one
// of them fail; the program uses the real ones.
struct FileOps {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*linkat)(int fromFolder, const char* from, int toFolder, const char* to, int flags);
};
const FileOps& realFileOps();
// Sets the operations used by every SafeOutput opened afterwards; null
// restores the real ones.
void setFileOpsForTesting(const FileOps* ops);
// Makes SafeOutput act as on a file system without unnamed files (no
// O_TMPFILE), so that tests reach the named temporary file. For tests.
void setUnnamedFilesForTesting(bool allowed);

// A buffered output file that replaces its target only when everything was
// written. What a save guarantees:
//
// - The new bytes go to an unnamed file (O_TMPFILE) in the target's folder,
//   which gets a name only once it is complete, flushed and synced, and is
//   then renamed over the target; whatever ends the process before that
//   leaves nothing behind. Where the file system has no unnamed files, a
//   hidden named one is used instead, removed on failure and on SIGINT,
//   SIGTERM and SIGHUP (save_signals.h). On any failure the target stays as
//   it was.
// - An existing target keeps its mode, owner, group and extended
//   attributes (ACLs included). Where they cannot be carried over to a new
//   file (another user's file that this user may write), the target is
//   written in place instead: only after the complete new content lies
//   beside it and room for it is reserved (fallocate), so that a full disk
//   fails before the old content is touched.
// - A target the user may not write (permission bits, an immutable or
//   append-only file, a read-only file system) is refused, even in a
//   writable folder. So is one that is not a regular file (folder, FIFO,
//   device, socket, or a link to one): it is never opened, so never blocks.
// - A symbolic link stays a link: the file it names, existing or not, is
//   written. A link loop is refused.
// - A file with several hard links is replaced under the name given: that
//   name sees the new content, the other names keep the old file.
class SafeOutput final : public ByteSink {
  public:
    SafeOutput() = default;
    ~SafeOutput();
    SafeOutput(const SafeOutput&) = delete;
    SafeOutput& operator=(const SafeOutput&) = delete;

    // Creates the new file. False when the target is refused or the file
    // cannot be created.
    bool open(const std::string& path);

    void put(uint8_t byte) {
        if (used_ == buffer_.size()) flushBuffer();
        buffer_[used_++] = byte;
    }
    // Writes size bytes; returns how many were taken, fewer only after an error.
    size_t write(const void* data, size_t size) override;

    // True once any write has failed (like a stream's error indicator).
    bool failed() const override { return failed_; }

    // The errno of the first call that failed, 0 when none has. A refusal
    // that is no failed call carries the errno that says why (save_target.h):
    // EACCES, EPERM, EROFS, EISDIR, ELOOP, kNotARegularFile.
    int error() const override { return error_; }

    // Flushes, syncs and names the new file, then renames it over the
    // target (or copies it in, see above). Returns true when the target now
    // holds exactly the bytes written; otherwise the target is untouched
    // and the new file is gone.
    bool commit();

    // Drops the new file (also done by the destructor when not committed).
    void abandon();

  private:
    void flushBuffer();
    bool writeAll(int fd, const uint8_t* data, size_t size);
    bool fail(int error);
    bool createUnnamed();
    bool createNamed();
    bool nameUnnamed();
    bool replaceTarget();
    bool writeInPlace();
    std::string temporaryName() const;
    void removeTemporary();

    const FileOps* ops_ = nullptr;
    int fd_ = -1;
    std::string target_;
    std::string folder_;     // the target's folder, "" for the working one
    std::string temporary_;  // the new file's name while it has one
    bool unnamed_ = false;   // fd_ is an O_TMPFILE not yet linked
    bool inPlace_ = false;   // the target is rewritten, not replaced
    uint64_t written_ = 0;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
    bool failed_ = false;
    int error_ = 0;
};

// How every writer saves to a path: `write` fills a SafeOutput opened for
// `path`, which is committed when `write` returns 1. Returns 1, or 0 with
// the first cause in `reason`: the target refused or not created, the cause
// `write` gave, or the system's words for a failed commit. On failure the
// target stays as it was.
int writeSafely(const std::string& path, FailureReason* reason,
                const std::function<int(ByteSink& out)>& write);

}  // namespace pellumir
