#include "io/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "io/save_target.h"

namespace pellumir {

namespace {

int openWithoutBlocking(const std::string& path) {
    return open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

}  // namespace

bool canOpenForReading(const std::string& path) {
    int fd = openWithoutBlocking(path);
    if (fd < 0) return false;
    close(fd);
    return true;
}

int openInputFile(const std::string& path, uint64_t* size) {
    int fd = openWithoutBlocking(path);
    if (fd < 0) return -1;
    struct stat info {};
    int refusal = 0;
    if (fstat(fd, &info) != 0) {
        refusal = errno;
    } else if (S_ISDIR(info.st_mode)) {
        refusal = EISDIR;
    } else if (!S_ISREG(info.st_mode)) {
        refusal = kNotARegularFile;  // "not a regular file"
    } else {
        int flags = fcntl(fd, F_GETFL);
        if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) refusal = errno;
    }
    if (refusal != 0) {
        close(fd);
        errno = refusal;
        return -1;
    }
    if (size) *size = static_cast<uint64_t>(info.st_size);
    return fd;
}

std::FILE* openInputStream(const std::string& path) {
    int fd = openInputFile(path);
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, "rb");
    if (!file) {
        int saved = errno;
        close(fd);
        errno = saved;
    }
    return file;
}

}  // namespace pellumir
