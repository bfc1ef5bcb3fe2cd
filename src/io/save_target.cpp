#include "io/save_target.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <vector>

namespace pellumir {

namespace {

// As the kernel's own limit on links followed in one path.
constexpr int kMostLinks = 40;

bool keptByProc(const std::string& link) {
    std::string folder = folderOf(link);
    struct statfs info {};
    return statfs(folder.empty() ? "." : folder.c_str(), &info) == 0 &&
           info.f_type == PROC_SUPER_MAGIC;
}

// The link's text, or "" when it cannot be read.
std::string linkText(const std::string& link, off_t sizeHint) {
    std::vector<char> text(static_cast<size_t>(sizeHint > 0 ? sizeHint : 255) + 1);
    for (;;) {
        ssize_t got = readlink(link.c_str(), text.data(), text.size());
        if (got < 0) return "";
        if (static_cast<size_t>(got) < text.size()) return std::string(text.data(), size_t(got));
        text.resize(text.size() * 2);
    }
}

// The write right on the file itself, not only on its folder: permission
// bits (root passes them, as it passes `echo x > file`), the immutable and
// append-only flags, a read-only mount.
int writeRefusal(const std::string& path) {
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return errno;
    // The flags are read where the file may be opened for reading; the
    // access check above already refuses an immutable file.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return 0;
    int flags = 0;
    bool fixed =
        ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
    close(fd);
    return fixed ? EPERM : 0;
}

}  // namespace

int failWithFileError(FailureReason* reason, int error) {
    if (error == kNotARegularFile) return failWith(reason, kNotARegularFileText);
    return failWithSystemError(reason, error);
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string baseNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int findSaveTarget(const std::string& path, SaveTarget& target) {
    std::string current = path;
    struct stat info {};
    for (int links = 0;; ++links) {
        if (lstat(current.c_str(), &info) != 0) {
            // A name (or a link's end) that does not exist yet: the file
            // to create. A missing folder fails when the file is made.
            if (errno != ENOENT) return errno;
            target.path = current;
            target.exists = false;
            return 0;
        }
        if (!S_ISLNK(info.st_mode)) break;
        if (links == kMostLinks) return ELOOP;
        if (keptByProc(current)) return kNotARegularFile;
        std::string text = linkText(current, info.st_size);
        if (text.empty()) return ENOENT;
        current = text[0] == '/' ? text : folderOf(current) + text;
    }
    if (S_ISDIR(info.st_mode)) return EISDIR;
    if (!S_ISREG(info.st_mode)) return kNotARegularFile;
    if (int refusal = writeRefusal(current)) return refusal;
    target.path = current;
    target.exists = true;
    target.info = info;
    return 0;
}

}  // namespace pellumir
