#include "io/input_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "io/save_target.h"
#include "reliability/child_process.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::TempDir;

// Each open runs in a child with an alarm, so that one that blocks fails
// the test instead of hanging it.
int openErrorInChild(const std::string& path) {
    test::ChildOutcome outcome = test::runInChild([&] {
        alarm(10);
        int fd = openInputFile(path);
        if (fd >= 0) return 0;
        return errno;
    });
    return outcome.exited ? outcome.status : -outcome.signal;
}

TEST(InputFile, AnythingButARegularFileIsRefusedAtOnce) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("x.hdr").c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", dir.file("z.hdr").c_str()), 0);
    EXPECT_EQ(openErrorInChild(dir.file("x.hdr")), kNotARegularFile) << "a FIFO without a writer";
    EXPECT_EQ(openErrorInChild(dir.file("z.hdr")), kNotARegularFile) << "a link to /dev/zero";
    EXPECT_EQ(openErrorInChild("/dev/null"), kNotARegularFile);
    EXPECT_EQ(openErrorInChild(dir.path()), EISDIR);
    EXPECT_EQ(openErrorInChild(dir.file("missing.hdr")), ENOENT);
    // Opening (without blocking) is what start-up checks; the FIFO opens.
    EXPECT_TRUE(canOpenForReading(dir.file("x.hdr")));
    EXPECT_FALSE(canOpenForReading(dir.file("missing.hdr")));
}

TEST(InputFile, ARegularFileReadsWithBlockingReads) {
    TempDir dir;
    test::writeBytes(dir.file("a.pfm"), "Pf\n1 1\n-1\n");
    int fd = openInputFile(dir.file("a.pfm"));
    ASSERT_GE(fd, 0);
    EXPECT_EQ(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    close(fd);
    std::FILE* file = openInputStream(dir.file("a.pfm"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::getc(file), 'P');
    std::fclose(file);
}

}  // namespace
}  // namespace pellumir
