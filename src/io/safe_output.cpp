#include "io/safe_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>

namespace pellumir {

namespace {

int realOpen(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

const FileOps kRealOps = {realOpen, ::write, ::fsync, ::close, ::rename};
const FileOps* currentOps = &kRealOps;

constexpr size_t kBufferSize = size_t{1} << 18;

// The file that a write to `path` should end up in: symbolic links are
// followed, so that saving through a link replaces the file it names.
std::string resolveTarget(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved)) return resolved;
    }
    return path;
}

std::string directoryOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return "";
    return path.substr(0, slash + 1);
}

std::string baseNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

const FileOps& realFileOps() {
    return kRealOps;
}

void setFileOpsForTesting(const FileOps* ops) {
    currentOps = ops ? ops : &kRealOps;
}

SafeOutput::~SafeOutput() {
    abandon();
}

bool SafeOutput::open(const std::string& path) {
    abandon();
    ops_ = currentOps;
    failed_ = false;
    error_ = 0;
    used_ = 0;
    target_ = resolveTarget(path);

    struct stat info {};
    bool exists = stat(target_.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        error_ = EISDIR;
        return false;
    }
    if (exists && !S_ISREG(info.st_mode)) {
        fd_ = ops_->open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            error_ = errno;
            return false;
        }
        temporary_.clear();
    } else {
        // The new file keeps the permissions of the file it replaces; a new
        // name gets the usual 0666 less the umask, as fopen would give it.
        std::random_device seed;
        std::mt19937 random(seed());
        for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, ".%06x~",
                          static_cast<unsigned>(random() & 0xffffff));
            temporary_ = directoryOf(target_) + "." + baseNameOf(target_) + suffix;
            fd_ = ops_->open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST) break;
        }
        if (fd_ < 0) {
            error_ = errno;
            temporary_.clear();
            return false;
        }
        if (exists) fchmod(fd_, info.st_mode & 07777);
    }
    buffer_.resize(kBufferSize);
    return true;
}

bool SafeOutput::writeAll(const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t written = ops_->write(fd_, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            // A write that takes nothing without an error has run out of room.
            noteError(written < 0 ? errno : ENOSPC);
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

void SafeOutput::noteError(int error) {
    if (error_ == 0) error_ = error;
}

void SafeOutput::flushBuffer() {
    if (!failed_ && fd_ >= 0 && !writeAll(buffer_.data(), used_)) failed_ = true;
    used_ = 0;
}

size_t SafeOutput::write(const void* data, size_t size) {
    if (failed_ || fd_ < 0) return 0;
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (size >= buffer_.size() - used_) {
        flushBuffer();
        if (size >= buffer_.size()) {
            if (failed_ || !writeAll(bytes, size)) {
                failed_ = true;
                return 0;
            }
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
    bool ok = !failed_;
    // Only a regular file is synced: devices such as /dev/full refuse fsync
    // and have nothing to keep.
    if (ok && !temporary_.empty() && ops_->fsync(fd_) != 0) {
        noteError(errno);
        ok = false;
    }
    if (ops_->close(fd_) != 0) {
        noteError(errno);
        ok = false;
    }
    fd_ = -1;
    if (ok && !temporary_.empty() && ops_->rename(temporary_.c_str(), target_.c_str()) != 0) {
        noteError(errno);
        ok = false;
    }
    if (!ok && !temporary_.empty()) unlink(temporary_.c_str());
    temporary_.clear();
    failed_ = !ok;
    return ok;
}

void SafeOutput::abandon() {
    if (fd_ >= 0) {
        ops_->close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace pellumir
