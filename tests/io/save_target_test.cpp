// What a save does to the file it replaces and to names that are not plain
// files: owner, rights and attributes kept, links followed, refusals that
// leave everything as it was. Run as root in CI; the cases of another user
// are in tests/reliability/other_user_saves_test.cpp.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "io/safe_output.h"
#include "io/save_target.h"
#include "reliability/child_process.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::TempDir;

struct Outcome {
    bool saved = false;
    int error = 0;
};

Outcome save(const std::string& path, const std::string& bytes) {
    SafeOutput out;
    Outcome outcome;
    if (out.open(path)) {
        out.write(bytes.data(), bytes.size());
        outcome.saved = out.commit();
    }
    outcome.error = out.error();
    return outcome;
}

// Every test runs with unnamed files and again with the named fallback.
class Saves : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override { setUnnamedFilesForTesting(GetParam()); }
    void TearDown() override { setUnnamedFilesForTesting(true); }
};

INSTANTIATE_TEST_SUITE_P(UnnamedAndNamed, Saves, ::testing::Bool(),
                         [](const auto& param) { return param.param ? "Unnamed" : "Named"; });

struct stat statOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info;
}

// A POSIX ACL as the kernel keeps it in system.posix_acl_access: version 2,
// then (tag, permissions, id) entries, little-endian.
std::string aclBytes(uint32_t extraUser) {
    auto entry = [](uint16_t tag, uint16_t perm, uint32_t id) {
        std::string e(8, '\0');
        e[0] = char(tag), e[1] = char(tag >> 8), e[2] = char(perm), e[3] = char(perm >> 8);
        for (int i = 0; i < 4; ++i)
            e[4 + i] = char(id >> (8 * i));
        return e;
    };
    constexpr uint32_t kUndefined = 0xffffffff;
    return std::string("\x02\0\0\0", 4) + entry(0x01, 6, kUndefined) + entry(0x02, 4, extraUser) +
           entry(0x04, 6, kUndefined) + entry(0x10, 4, kUndefined) + entry(0x20, 0, kUndefined);
}

std::string attribute(const std::string& path, const char* name) {
    char value[256];
    ssize_t size = lgetxattr(path.c_str(), name, value, sizeof value);
    return size < 0 ? std::string("<none>") : std::string(value, size_t(size));
}

TEST_P(Saves, TheReplacedFileKeepsOwnerGroupModeAndAttributes) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give the old file another owner";
    TempDir dir;
    std::string path = dir.file("kept.hdr");
    test::writeBytes(path, "old");
    ASSERT_EQ(chown(path.c_str(), 1111, 4321), 0);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    bool attributes = setxattr(path.c_str(), "user.note", "hello", 5, 0) == 0;
    std::string acl = aclBytes(3333);
    bool acls = setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) == 0;

    ASSERT_TRUE(save(path, "new").saved);
    EXPECT_EQ(test::readBytes(path), "new");
    struct stat info = statOf(path);
    EXPECT_EQ(info.st_uid, 1111u);
    EXPECT_EQ(info.st_gid, 4321u);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    if (!attributes || !acls) {
        GTEST_SKIP() << "the file system of " << dir.path() << " keeps no user attributes or ACLs";
    }
    EXPECT_EQ(attribute(path, "user.note"), "hello");
    EXPECT_EQ(attribute(path, "system.posix_acl_access"), acl);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"kept.hdr"});
}

TEST_P(Saves, AnImmutableOrAppendOnlyFileIsRefusedAndKept) {
    TempDir dir;
    for (int flag : {FS_IMMUTABLE_FL, FS_APPEND_FL}) {
        SCOPED_TRACE(flag);
        std::string path = dir.file("fixed.hdr");
        test::writeBytes(path, "old");
        int fd = open(path.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        int flags = flag;
        bool set = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        if (!set) {
            close(fd);
            GTEST_SKIP() << "cannot set the flag on " << dir.path() << ": " << std::strerror(errno);
        }
        Outcome outcome = save(path, "new");
        flags = 0;
        ioctl(fd, FS_IOC_SETFLAGS, &flags);
        close(fd);
        EXPECT_FALSE(outcome.saved);
        EXPECT_EQ(outcome.error, EPERM);
        EXPECT_EQ(test::readBytes(path), "old");
        EXPECT_EQ(dir.names(), std::vector<std::string>{"fixed.hdr"});
    }
}

TEST_P(Saves, ALinkStaysALinkAndTheFileItNamesIsWrittenExistingOrNot) {
    TempDir dir;
    ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
    // Relative to the link's own folder, absolute, and a chain of both.
    ASSERT_EQ(symlink("../made.hdr", dir.file("sub/relative.hdr").c_str()), 0);
    ASSERT_EQ(symlink(dir.file("absolute.hdr").c_str(), dir.file("sub/absolute.hdr").c_str()), 0);
    ASSERT_EQ(symlink("sub/relative.hdr", dir.file("chain.hdr").c_str()), 0);

    ASSERT_TRUE(save(dir.file("sub/relative.hdr"), "one").saved);
    EXPECT_EQ(test::readBytes(dir.file("made.hdr")), "one");
    ASSERT_TRUE(save(dir.file("sub/absolute.hdr"), "two").saved);
    EXPECT_EQ(test::readBytes(dir.file("absolute.hdr")), "two");
    ASSERT_TRUE(save(dir.file("chain.hdr"), "three").saved);
    EXPECT_EQ(test::readBytes(dir.file("made.hdr")), "three");
    for (const char* link : {"sub/relative.hdr", "sub/absolute.hdr", "chain.hdr"})
        EXPECT_TRUE(S_ISLNK(statOf(dir.file(link)).st_mode)) << link;
    EXPECT_EQ(dir.names(),
              (std::vector<std::string>{"absolute.hdr", "chain.hdr", "made.hdr", "sub"}));
}

TEST_P(Saves, ALinkLoopFailsCleanly) {
    TempDir dir;
    ASSERT_EQ(symlink("b.hdr", dir.file("a.hdr").c_str()), 0);
    ASSERT_EQ(symlink("a.hdr", dir.file("b.hdr").c_str()), 0);
    ASSERT_EQ(symlink("self.hdr", dir.file("self.hdr").c_str()), 0);
    for (const char* name : {"a.hdr", "self.hdr"}) {
        Outcome outcome = save(dir.file(name), "x");
        EXPECT_FALSE(outcome.saved);
        EXPECT_EQ(outcome.error, ELOOP);
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.hdr", "b.hdr", "self.hdr"}));
}

// None of them is opened, so none can block or be written; each is still
// there as it was.
TEST_P(Saves, WhatIsNotARegularFileIsRefusedWithoutBlocking) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo.hdr").c_str(), 0644), 0);
    ASSERT_EQ(mkdir(dir.file("folder.hdr").c_str(), 0755), 0);
    int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string socketPath = dir.file("socket.hdr");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(symlink("fifo.hdr", dir.file("to-fifo.hdr").c_str()), 0);
    ASSERT_EQ(symlink("/dev/null", dir.file("to-null.hdr").c_str()), 0);
    ASSERT_EQ(symlink("/dev/stdout", dir.file("to-stdout.hdr").c_str()), 0);

    const std::pair<std::string, int> targets[] = {
        {dir.file("fifo.hdr"), kNotARegularFile},
        {dir.file("to-fifo.hdr"), kNotARegularFile},
        {dir.file("folder.hdr"), EISDIR},
        {socketPath, kNotARegularFile},
        {"/dev/null", kNotARegularFile},
        {"/dev/full", kNotARegularFile},
        {dir.file("to-null.hdr"), kNotARegularFile},
        {dir.file("to-stdout.hdr"), kNotARegularFile},
    };
    for (const auto& [target, error] : targets) {
        SCOPED_TRACE(target);
        // In a child with an alarm: a save that blocks ends there, not here.
        test::ChildOutcome outcome = test::runInChild([&, target = target, error = error] {
            alarm(10);
            Outcome result = save(target, "picture");
            return !result.saved && result.error == error ? 0 : 1;
        });
        EXPECT_TRUE(outcome.exited) << "ended by signal " << outcome.signal;
        EXPECT_EQ(outcome.status, 0);
    }
    close(sock);
    EXPECT_TRUE(S_ISFIFO(statOf(dir.file("fifo.hdr")).st_mode));
    EXPECT_TRUE(S_ISSOCK(statOf(socketPath).st_mode));
    EXPECT_EQ(dir.names().size(), 6u);
}

// /dev/stdout appended to a log names the log through /proc: the log is
// not replaced by a picture.
TEST_P(Saves, ALinkToStandardOutputLeavesTheLogItWritesTo) {
    TempDir dir;
    std::string log = dir.file("log.txt");
    test::writeBytes(log, "log line\n");
    ASSERT_EQ(symlink("/dev/stdout", dir.file("so.hdr").c_str()), 0);
    test::ChildOutcome outcome = test::runInChild([&] {
        int fd = open(log.c_str(), O_WRONLY | O_APPEND);
        if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0) return 2;
        Outcome result = save(dir.file("so.hdr"), "picture");
        return result.saved ? 1 : 0;
    });
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(test::readBytes(log), "log line\n");
}

TEST_P(Saves, NamesUpToNameMaxAreSaved) {
    TempDir dir;
    for (size_t length = 240; length <= 255; ++length) {
        std::string name = std::string(length - 4, 'n') + ".hdr";
        SCOPED_TRACE(length);
        EXPECT_TRUE(save(dir.file(name), "first").saved);
        EXPECT_TRUE(save(dir.file(name), "second").saved);
        EXPECT_EQ(test::readBytes(dir.file(name)), "second");
    }
    EXPECT_EQ(dir.names().size(), 16u);
}

// A hard link is split: the name saved to gets the new picture, the other
// names keep the old file.
TEST_P(Saves, AHardLinkedFileIsReplacedUnderTheNameGivenOnly) {
    TempDir dir;
    test::writeBytes(dir.file("one.hdr"), "old");
    ASSERT_EQ(link(dir.file("one.hdr").c_str(), dir.file("two.hdr").c_str()), 0);
    ASSERT_TRUE(save(dir.file("one.hdr"), "new").saved);
    EXPECT_EQ(test::readBytes(dir.file("one.hdr")), "new");
    EXPECT_EQ(test::readBytes(dir.file("two.hdr")), "old");
    EXPECT_EQ(statOf(dir.file("two.hdr")).st_nlink, 1u);
}

// While a save is under way the folder shows the old file alone; nothing
// is left whatever ends the process (tests/reliability kills one).
TEST(UnnamedSave, TheNewFileHasNoNameUntilItIsComplete) {
    TempDir dir;
    test::writeBytes(dir.file("old.hdr"), "old");
    SafeOutput out;
    ASSERT_TRUE(out.open(dir.file("old.hdr")));
    out.write(std::string(1 << 20, 'x').data(), 1 << 20);
    if (dir.names().size() != 1) {
        GTEST_SKIP() << "the file system of " << dir.path() << " has no unnamed files (O_TMPFILE)";
    }
    EXPECT_EQ(dir.names(), std::vector<std::string>{"old.hdr"});
    ASSERT_TRUE(out.commit());
    EXPECT_EQ(dir.names(), std::vector<std::string>{"old.hdr"});
}

}  // namespace
}  // namespace pellumir
