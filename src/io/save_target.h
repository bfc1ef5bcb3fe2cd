#pragma once

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "io/failure_reason.h"

namespace pellumir {

// The errno that names a refusal of a file that is neither a regular file
// nor a folder (a FIFO, a device, a socket, or /dev/stdout and its kin):
// "not a regular file". A folder is refused with EISDIR.
inline constexpr int kNotARegularFile = EINVAL;

// The cause of that refusal in plain words, as a failure's reason gives it.
inline constexpr const char* kNotARegularFileText =
    "it is not a regular file (a folder, a FIFO, a device or a socket)";

// Records why a file could not be opened, read or saved: the refusal of
// what is not a regular file in its own words, any other errno in the
// system's. Returns 0, as failWith does.
int failWithFileError(FailureReason* reason, int error);

// The file a save to `path` ends up in.
struct SaveTarget {
    std::string path;  // symbolic links followed; never a link itself
    bool exists = false;
    struct stat info {};  // of the existing file
};

// Follows `path` through its symbolic links, relative or absolute, to the
// file they name, whether that file exists or not (a link that dangles
// names the file to create). Returns 0, or the errno of the refusal:
// ELOOP for a link loop (more than 40 links), EISDIR for a folder,
// kNotARegularFile for anything else that is not a regular file or for a
// link kept by /proc (/dev/stdout, /proc/self/fd/N: it names an open file,
// not a place for a new one), and for an existing file EACCES, EPERM or
// EROFS where writing the file itself would be refused (its permission
// bits, an immutable or append-only flag, a read-only file system), even
// in a folder the user may write.
int findSaveTarget(const std::string& path, SaveTarget& target);

// The folder part of a path with its final '/', or "" for a bare name.
std::string folderOf(const std::string& path);
std::string baseNameOf(const std::string& path);

}  // namespace pellumir
