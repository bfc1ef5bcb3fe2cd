#include "io/safe_output.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::TempDir;

bool save(const std::string& path, const std::string& bytes) {
    SafeOutput out;
    if (!out.open(path)) return false;
    out.write(bytes.data(), bytes.size());
    return out.commit();
}

TEST(SafeOutput, WritesANewFileAndReplacesAnOldOne) {
    TempDir dir;
    EXPECT_TRUE(save(dir.file("a"), "first"));
    EXPECT_EQ(test::readBytes(dir.file("a")), "first");
    EXPECT_TRUE(save(dir.file("a"), "second, longer"));
    EXPECT_EQ(test::readBytes(dir.file("a")), "second, longer");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a"});
}

TEST(SafeOutput, KeepsLargeWritesInOrder) {
    TempDir dir;
    std::string big(700000, 'x');
    for (size_t i = 0; i < big.size(); i += 997)
        big[i] = static_cast<char>(i);
    SafeOutput out;
    ASSERT_TRUE(out.open(dir.file("big")));
    out.put('<');
    out.write(big.data(), big.size());
    out.write("tail", 4);
    ASSERT_TRUE(out.commit());
    EXPECT_EQ(test::readBytes(dir.file("big")), "<" + big + "tail");
}

TEST(SafeOutput, KeepsThePermissionsOfTheFileItReplaces) {
    TempDir dir;
    test::writeBytes(dir.file("p"), "old");
    chmod(dir.file("p").c_str(), 0640);
    EXPECT_TRUE(save(dir.file("p"), "new"));
    struct stat info {};
    ASSERT_EQ(stat(dir.file("p").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(SafeOutput, ReplacesTheFileBehindASymbolicLink) {
    TempDir dir;
    test::writeBytes(dir.file("real"), "old");
    ASSERT_EQ(symlink("real", dir.file("link").c_str()), 0);
    EXPECT_TRUE(save(dir.file("link"), "new"));
    EXPECT_EQ(test::readBytes(dir.file("real")), "new");
    struct stat info {};
    ASSERT_EQ(lstat(dir.file("link").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST(SafeOutput, AbandonedOutputLeavesNothingBehind) {
    TempDir dir;
    test::writeBytes(dir.file("keep"), "old");
    {
        SafeOutput out;
        ASSERT_TRUE(out.open(dir.file("keep")));
        out.write("partial", 7);
    }
    EXPECT_EQ(test::readBytes(dir.file("keep")), "old");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"keep"});
}

TEST(SafeOutput, RefusesFoldersAndMissingFolders) {
    TempDir dir;
    EXPECT_FALSE(save(dir.path(), "x"));
    EXPECT_FALSE(save(dir.file("no/such"), "x"));
}

// Each of the save's system calls fails in turn; the old file must survive
// every one of them, and no new file may be left.
enum class Failing { open, write, fsync, close, rename, linkat };
Failing failing;
int failingOpen(const char* p, int f, mode_t m) {
    if (failing == Failing::open) return errno = EACCES, -1;
    return realFileOps().open(p, f, m);
}
ssize_t failingWrite(int fd, const void* d, size_t s) {
    if (failing == Failing::write) return errno = ENOSPC, -1;
    return realFileOps().write(fd, d, s);
}
int failingFsync(int fd) {
    if (failing == Failing::fsync) return errno = EIO, -1;
    return realFileOps().fsync(fd);
}
int failingClose(int fd) {
    int result = realFileOps().close(fd);
    if (failing == Failing::close) return errno = EIO, -1;
    return result;
}
int failingRename(const char* from, const char* to) {
    if (failing == Failing::rename) return errno = EXDEV, -1;
    return realFileOps().rename(from, to);
}

int failingLinkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    if (failing == Failing::linkat) return errno = EMLINK, -1;
    return realFileOps().linkat(fromFolder, from, toFolder, to, flags);
}

// The errno of the failing call is what the save reports, for the message
// that names the cause.
TEST(SafeOutput, LeavesTheOldFileWhicheverSystemCallFailsAndRemembersWhy) {
    TempDir dir;
    test::writeBytes(dir.file("old"), "precious");
    FileOps ops{failingOpen,  failingWrite,  failingFsync,
                failingClose, failingRename, failingLinkat};
    const std::pair<Failing, int> cases[] = {{Failing::open, EACCES},  {Failing::write, ENOSPC},
                                             {Failing::fsync, EIO},    {Failing::close, EIO},
                                             {Failing::rename, EXDEV}, {Failing::linkat, EMLINK}};
    for (bool unnamed : {true, false}) {
        setUnnamedFilesForTesting(unnamed);
        for (auto [f, error] : cases) {
            if (!unnamed && f == Failing::linkat) continue;  // a named file needs no link
            SCOPED_TRACE(std::to_string(static_cast<int>(f)) + (unnamed ? " unnamed" : " named"));
            failing = f;
            setFileOpsForTesting(&ops);
            SafeOutput out;
            bool saved = out.open(dir.file("old"));
            if (saved) {
                out.write("replacement", 11);
                saved = out.commit();
            }
            setFileOpsForTesting(nullptr);
            EXPECT_FALSE(saved);
            EXPECT_EQ(out.error(), error);
            EXPECT_EQ(test::readBytes(dir.file("old")), "precious");
            EXPECT_EQ(dir.names(), std::vector<std::string>{"old"});
        }
    }
    setUnnamedFilesForTesting(true);
}

}  // namespace
}  // namespace pellumir
