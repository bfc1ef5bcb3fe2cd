#include "io/safe_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <random>

#include "io/file_attributes.h"
#include "io/save_signals.h"
#include "io/save_target.h"

namespace pellumir {

namespace {

int realOpen(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

const FileOps kRealOps = {realOpen, ::write, ::fsync, ::close, ::rename, ::linkat};
const FileOps* currentOps = &kRealOps;
bool unnamedFilesAllowed = true;

constexpr size_t kBufferSize = size_t{1} << 18;
// Tries at a free temporary name before the save gives up.
constexpr int kNameAttempts = 16;
// "." + name + "." + six hex digits + "~"
constexpr size_t kTemporaryExtraBytes = 9;

std::string procPathOf(int fd) {
    char path[40];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    return path;
}

}  // namespace

const FileOps& realFileOps() {
    return kRealOps;
}

void setFileOpsForTesting(const FileOps* ops) {
    currentOps = ops ? ops : &kRealOps;
}

void setUnnamedFilesForTesting(bool allowed) {
    unnamedFilesAllowed = allowed;
}

SafeOutput::~SafeOutput() {
    abandon();
}

bool SafeOutput::fail(int error) {
    if (error_ == 0) error_ = error != 0 ? error : EIO;
    failed_ = true;
    return false;
}

bool SafeOutput::open(const std::string& path) {
    abandon();
    ops_ = currentOps;
    failed_ = false;
    error_ = 0;
    used_ = 0;
    written_ = 0;
    inPlace_ = false;

    SaveTarget target;
    if (int refusal = findSaveTarget(path, target)) return fail(refusal);
    target_ = target.path;
    folder_ = folderOf(target_);
    if (!createUnnamed() && (error_ != 0 || !createNamed())) return false;

    // Where owner, group or attributes cannot go with a new file, the old
    // one is rewritten instead, so that they stay.
    if (target.exists && !carryAttributes(target_, target.info, fd_)) inPlace_ = true;
    buffer_.resize(kBufferSize);
    return true;
}

// False with no error where the file system (or the kernel) has no unnamed
// files, or /proc is not there to name one later.
bool SafeOutput::createUnnamed() {
    if (!unnamedFilesAllowed) return false;
    std::string folder = folder_.empty() ? "." : folder_;
    // Read and write: a file rewritten in place is copied from it.
    fd_ = ops_->open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return false;
        return fail(errno);
    }
    if (access(procPathOf(fd_).c_str(), F_OK) != 0) {
        ops_->close(fd_);
        fd_ = -1;
        return false;
    }
    unnamed_ = true;
    return true;
}

bool SafeOutput::createNamed() {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = temporaryName();
        SignalBlock block;
        fd_ = ops_->open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporary_ = name;
            notePendingTemporary(temporary_.c_str());
            return true;
        }
        if (errno != EEXIST) return fail(errno);
    }
    return fail(EEXIST);
}

// A hidden name beside the target. A target name near NAME_MAX is cut
// short in it; the random part keeps it apart from others.
std::string SafeOutput::temporaryName() const {
    static thread_local std::mt19937 random{std::random_device{}()};
    long nameMax = pathconf(folder_.empty() ? "." : folder_.c_str(), _PC_NAME_MAX);
    size_t room = nameMax > long{kTemporaryExtraBytes} ? size_t(nameMax) - kTemporaryExtraBytes
                                                       : NAME_MAX - kTemporaryExtraBytes;
    std::string base = baseNameOf(target_).substr(0, room);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%06x~", static_cast<unsigned>(random() & 0xffffff));
    return folder_ + "." + base + suffix;
}

bool SafeOutput::writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t written = ops_->write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return fail(written < 0 ? errno : ENOSPC);
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

void SafeOutput::flushBuffer() {
    if (!failed_ && fd_ >= 0 && writeAll(fd_, buffer_.data(), used_)) written_ += used_;
    used_ = 0;
}

size_t SafeOutput::write(const void* data, size_t size) {
    if (failed_ || fd_ < 0) return 0;
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (size >= buffer_.size() - used_) {
        flushBuffer();
        if (size >= buffer_.size()) {
            if (failed_ || !writeAll(fd_, bytes, size)) return 0;
            written_ += size;
            return size;
        }
    }
    std::memcpy(buffer_.data() + used_, bytes, size);
    used_ += size;
    return failed_ ? 0 : size;
}

bool SafeOutput::commit() {
    if (fd_ < 0) return false;
    flushBuffer();
    bool ok = !failed_ && (inPlace_ ? writeInPlace() : replaceTarget());
    if (!ok) abandon();
    failed_ = !ok;
    return ok;
}

// Gives the complete unnamed file a hidden name, from which the rename
// takes it. linkat through /proc needs no privilege, unlike AT_EMPTY_PATH.
bool SafeOutput::nameUnnamed() {
    std::string source = procPathOf(fd_);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::string name = temporaryName();
        SignalBlock block;
        if (ops_->linkat(AT_FDCWD, source.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) ==
            0) {
            temporary_ = name;
            notePendingTemporary(temporary_.c_str());
            unnamed_ = false;
            return true;
        }
        if (errno != EEXIST) return fail(errno);
    }
    return fail(EEXIST);
}

bool SafeOutput::replaceTarget() {
    if (ops_->fsync(fd_) != 0) return fail(errno);
    if (unnamed_ && !nameUnnamed()) return false;
    int closed = ops_->close(fd_);
    fd_ = -1;
    if (closed != 0) return fail(errno);
    SignalBlock block;
    if (ops_->rename(temporary_.c_str(), target_.c_str()) != 0) return fail(errno);
    clearPendingTemporary();
    temporary_.clear();
    return true;
}

// The new content is complete in fd_. Room for all of it is reserved in
// the target first, so that a full disk fails here, before a byte of the
// old content changes; then it is copied over and the rest cut off.
bool SafeOutput::writeInPlace() {
    int target = ops_->open(target_.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
    if (target < 0) return fail(errno);
    struct stat info {};
    bool ok = true;
    if (fstat(target, &info) != 0) {
        ok = fail(errno);
    } else if (!S_ISREG(info.st_mode)) {
        ok = fail(kNotARegularFile);
    } else if (written_ > 0 && fallocate(target, FALLOC_FL_KEEP_SIZE, 0, off_t(written_)) != 0) {
        ok = fail(errno);
    }
    for (uint64_t at = 0; ok && at < written_;) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(buffer_.size(), written_ - at));
        ssize_t got = pread(fd_, buffer_.data(), piece, off_t(at));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = fail(got < 0 ? errno : EIO);
        } else {
            ok = writeAll(target, buffer_.data(), size_t(got));
            at += uint64_t(got);
        }
    }
    if (ok && ftruncate(target, off_t(written_)) != 0) ok = fail(errno);
    if (ok && ops_->fsync(target) != 0) ok = fail(errno);
    if (ops_->close(target) != 0 && ok) ok = fail(errno);
    if (!ok) return false;
    ops_->close(fd_);
    fd_ = -1;
    removeTemporary();
    return true;
}

void SafeOutput::removeTemporary() {
    if (temporary_.empty()) return;
    SignalBlock block;
    unlink(temporary_.c_str());
    clearPendingTemporary();
    temporary_.clear();
}

void SafeOutput::abandon() {
    if (fd_ >= 0) {
        ops_->close(fd_);
        fd_ = -1;
    }
    unnamed_ = false;
    removeTemporary();
}

int writeSafely(const std::string& path, FailureReason* reason,
                const std::function<int(ByteSink& out)>& write) {
    SafeOutput out;
    if (!out.open(path)) return failWithFileError(reason, out.error());
    // Returning without commit drops the new file; an old one stays.
    if (write(out) == 0) return 0;
    return out.commit() ? 1 : failWithSystemError(reason, out.error());
}

}  // namespace pellumir
