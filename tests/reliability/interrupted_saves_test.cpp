// Whatever ends a save leaves the old file byte for byte and no other
// file: SIGKILL half way, SIGINT, SIGTERM and SIGHUP (also with the named
// temporary file of a file system without unnamed ones), a file size
// limit (SIGXFSZ) and a reader that goes away (SIGPIPE), which must not
// kill the program at all.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "io/safe_output.h"
#include "io/save_signals.h"
#include "picture/formats/radiance.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::TempDir;

constexpr const char* kSaveError = "保存文件错误";
const std::string kOldBytes = "the file that was there before, which must survive\n";

// A picture whose bitmap takes long enough to write to be caught half way:
// 6000 x 4000 pixels, 72 MB of BMP.
std::string bigInput(const TempDir& dir) {
    RgbeImage picture;
    picture.allocate(6000, 4000);
    for (uint32_t r = 0; r < picture.height; ++r)
        for (uint32_t c = 0; c < picture.width; ++c)
            encodeRgbe(picture.rows[r][c], (c % 97) / 50.0, (r % 89) / 40.0, ((r ^ c) & 63) / 30.0);
    std::string path = dir.file("big.hdr");
    EXPECT_EQ(writeRadiance(picture, path), 1);
    return path;
}

// Whether process `pid` holds open a file in `folder` (an unnamed one
// shows as "folder/#inode (deleted)") with some bytes in it.
bool writingInto(pid_t pid, const std::string& folder) {
    std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    DIR* list = opendir(fds.c_str());
    if (!list) return false;
    bool found = false;
    while (dirent* entry = readdir(list)) {
        std::string fd = fds + "/" + entry->d_name;
        char target[4096];
        ssize_t size = readlink(fd.c_str(), target, sizeof target - 1);
        if (size <= 0) continue;
        std::string name(target, size_t(size));
        struct stat info {};
        if (name.rfind(folder + "/", 0) == 0 && name.find("big.hdr") == std::string::npos &&
            stat(fd.c_str(), &info) == 0 && info.st_size > (4 << 20)) {
            found = true;
        }
    }
    closedir(list);
    return found;
}

TEST(InterruptedSaves, AConverterKilledHalfWayLeavesTheOldFileAndNoOther) {
    TempDir source;
    std::string input = bigInput(source);
    for (int signal : {SIGKILL, SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        TempDir dir;
        std::string output = dir.file("out.bmp");
        test::writeBytes(output, kOldBytes);
        std::fflush(nullptr);
        pid_t pid = fork();
        if (pid == 0) {
            int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, STDERR_FILENO);
            execl(PELLUMIR_CONVERT, PELLUMIR_CONVERT, input.c_str(), output.c_str(), nullptr);
            _exit(127);
        }
        ASSERT_GT(pid, 0);
        bool caught = false;
        auto start = std::chrono::steady_clock::now();
        while (!caught && std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
            caught = writingInto(pid, dir.path());
            if (!caught) {
                int status = 0;
                if (waitpid(pid, &status, WNOHANG) == pid) break;
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
        if (caught) kill(pid, signal);
        int status = 0;
        waitpid(pid, &status, 0);
        if (!caught) {
            std::printf("the save ended before it could be caught; nothing to check\n");
            continue;
        }
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(test::readBytes(output), kOldBytes);
        EXPECT_EQ(dir.names(), std::vector<std::string>{"out.bmp"});
    }
}

// On a file system without unnamed files the new file has a hidden name
// while it is written; the three ending signals remove it, then end the
// process as they would have.
TEST(InterruptedSaves, EndingSignalsRemoveANamedTemporaryFile) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        TempDir dir;
        std::string target = dir.file("old.hdr");
        test::writeBytes(target, kOldBytes);
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        std::fflush(nullptr);
        pid_t pid = fork();
        if (pid == 0) {
            close(ready[0]);
            installSaveSignalHandlers();
            setUnnamedFilesForTesting(false);
            SafeOutput out;
            if (!out.open(target)) _exit(2);
            out.write(std::string(1 << 20, 'x').data(), 1 << 20);
            char one = 1;
            if (write(ready[1], &one, 1) != 1) _exit(3);
            for (;;)
                pause();
        }
        close(ready[1]);
        char one = 0;
        ASSERT_EQ(read(ready[0], &one, 1), 1);
        close(ready[0]);
        EXPECT_EQ(dir.names().size(), 2u) << "the named temporary file is there while writing";
        kill(pid, signal);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(test::readBytes(target), kOldBytes);
        EXPECT_EQ(dir.names(), std::vector<std::string>{"old.hdr"});
    }
}

TEST(InterruptedSaves, AFileSizeLimitIsASaveErrorNotADeath) {
    TempDir source;
    std::string input = bigInput(source);
    TempDir dir;
    for (const char* name : {"out.bmp", "out.hdr"}) {
        SCOPED_TRACE(name);
        std::string output = dir.file(name);
        test::writeBytes(output, kOldBytes);
        test::ProgramRun run = test::runProgram({PELLUMIR_CONVERT, input, output}, [] {
            rlimit limit{1 << 20, 1 << 20};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
        EXPECT_EQ(run.signal, 0);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.standardError, output + ": " + kSaveError + " (File too large)\n");
        EXPECT_EQ(test::readBytes(output), kOldBytes);
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"out.bmp", "out.hdr"}));
}

// Standard output into a pipe nobody reads any more.
TEST(InterruptedSaves, AReaderThatGoesAwayIsAFailureNotADeath) {
    TempDir dir;
    std::string input = dir.file("small.hdr");
    RgbeImage picture;
    picture.allocate(4, 3);
    for (uint32_t r = 0; r < 3; ++r)
        for (uint32_t c = 0; c < 4; ++c)
            encodeRgbe(picture.rows[r][c], 1.0, 0.5, 0.25);
    ASSERT_EQ(writeRadiance(picture, input), 1);
    test::ProgramRun run = test::runProgram({PELLUMIR_CONVERT, "--info", input}, [] {
        int gone[2];
        if (pipe(gone) != 0) _exit(126);
        close(gone[0]);
        dup2(gone[1], STDOUT_FILENO);
        std::signal(SIGPIPE, SIG_DFL);  // as a shell would start it
    });
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.status, 1);
}

}  // namespace
}  // namespace pellumir
