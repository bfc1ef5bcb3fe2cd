#pragma once

#include <sys/stat.h>

#include <string>

namespace pellumir {

// Gives the new file open at `fd` what the file at `path` (described by
// `info`) has besides its bytes: owner, group, extended attributes (POSIX
// ACLs among them, as system.posix_acl_access and _default) and mode, and
// takes away attributes the new file got that the old one lacks (an ACL
// inherited from the folder). Returns true when all of it was carried
// over; false when something could not be (another user's file, a group
// the user is not in), with the new file then in an unspecified state.
bool carryAttributes(const std::string& path, const struct stat& info, int fd);

}  // namespace pellumir
