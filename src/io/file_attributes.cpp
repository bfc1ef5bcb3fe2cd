#include "io/file_attributes.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace pellumir {

namespace {

// The attribute names, each ended by NUL, as listxattr gives them; empty
// where the file system keeps none.
template <typename List>
bool attributeNames(List list, std::vector<char>& names) {
    for (;;) {
        ssize_t size = list(nullptr, 0);
        if (size < 0) {
            names.clear();
            return errno == ENOTSUP;
        }
        names.resize(static_cast<size_t>(size));
        if (size == 0) return true;
        size = list(names.data(), names.size());
        if (size >= 0) {
            names.resize(static_cast<size_t>(size));
            return true;
        }
        if (errno != ERANGE) return false;  // grown in between: ask again
    }
}

template <typename Get>
bool attributeValue(Get get, const char* name, std::vector<char>& value) {
    for (;;) {
        ssize_t size = get(name, nullptr, 0);
        if (size < 0) return false;
        value.resize(static_cast<size_t>(size));
        if (size == 0) return true;
        size = get(name, value.data(), value.size());
        if (size >= 0) {
            value.resize(static_cast<size_t>(size));
            return true;
        }
        if (errno != ERANGE) return false;
    }
}

bool hasName(const std::vector<char>& names, const char* name) {
    for (size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
        if (std::strcmp(names.data() + at, name) == 0) return true;
    }
    return false;
}

bool carryExtendedAttributes(const std::string& path, int fd) {
    const char* from = path.c_str();
    std::vector<char> oldNames;
    std::vector<char> newNames;
    if (!attributeNames([&](char* l, size_t s) { return llistxattr(from, l, s); }, oldNames) ||
        !attributeNames([&](char* l, size_t s) { return flistxattr(fd, l, s); }, newNames)) {
        return false;
    }
    for (size_t at = 0; at < newNames.size(); at += std::strlen(newNames.data() + at) + 1) {
        const char* name = newNames.data() + at;
        if (!hasName(oldNames, name) && fremovexattr(fd, name) != 0) return false;
    }
    std::vector<char> value;
    std::vector<char> present;
    for (size_t at = 0; at < oldNames.size(); at += std::strlen(oldNames.data() + at) + 1) {
        const char* name = oldNames.data() + at;
        if (!attributeValue(
                [&](const char* n, void* v, size_t s) { return lgetxattr(from, n, v, s); }, name,
                value)) {
            return false;
        }
        // Only what differs is set: a security label the system already
        // gave the new file is left alone.
        if (attributeValue([&](const char* n, void* v, size_t s) { return fgetxattr(fd, n, v, s); },
                           name, present) &&
            present == value) {
            continue;
        }
        if (fsetxattr(fd, name, value.data(), value.size(), 0) != 0) return false;
    }
    return true;
}

}  // namespace

bool carryAttributes(const std::string& path, const struct stat& info, int fd) {
    struct stat made {};
    if (fstat(fd, &made) != 0) return false;
    // Owner first: a change of owner clears the set-user-ID and set-group-ID
    // bits, which the mode below puts back.
    if ((made.st_uid != info.st_uid || made.st_gid != info.st_gid) &&
        fchown(fd, info.st_uid, info.st_gid) != 0) {
        return false;
    }
    if (!carryExtendedAttributes(path, fd)) return false;
    // After the ACL, whose mask the mode's group bits then equal again.
    return fchmod(fd, info.st_mode & 07777) == 0;
}

}  // namespace pellumir
