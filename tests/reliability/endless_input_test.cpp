// Inputs that never end or never start: a device, a FIFO with or without a
// writer, and regular files whose header goes on for ever. Each fails at
// once with the read error (a name that cannot be opened at all keeps its
// own message), in every reader.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "app/picture_files.h"
#include "child_process.h"
#include "io/input_file.h"
#include "io/save_target.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::TempDir;

const std::vector<std::string> kExtensions = {"hdr", "pfm", "float", "tif"};

// The converter on `path`, ended by SIGALRM if it hangs.
test::ProgramRun info(const std::string& path) {
    std::vector<std::string> command = {PELLUMIR_CONVERT, "--info"};
    if (path.ends_with(".float")) command.insert(command.end(), {"--raw", "64", "64"});
    command.push_back(path);
    return test::runProgram(command, [] { alarm(20); });
}

void expectReadError(const test::ProgramRun& run, const std::string& path,
                     const std::string& cause) {
    EXPECT_EQ(run.signal, 0) << "it hung or died";
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.standardError, path + ": " + kReadErrorMessage + " (" + cause + ")\n");
}

TEST(EndlessInput, DevicesAndFoldersFailAtOnce) {
    TempDir dir;
    for (const std::string& extension : kExtensions) {
        SCOPED_TRACE(extension);
        std::string zero = dir.file("z." + extension);
        ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
        expectReadError(info(zero), zero, kNotARegularFileText);
        std::string folder = dir.file("folder." + extension);
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
        expectReadError(info(folder), folder, "Is a directory");
    }
}

TEST(EndlessInput, AFifoFailsWithOrWithoutAWriter) {
    TempDir dir;
    for (const std::string& extension : kExtensions) {
        SCOPED_TRACE(extension);
        std::string fifo = dir.file("x." + extension);
        ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
        expectReadError(info(fifo), fifo, kNotARegularFileText);

        // A writer that feeds an endless header for as long as anyone reads.
        std::fflush(nullptr);
        pid_t writer = fork();
        if (writer == 0) {
            alarm(30);
            int fd = open(fifo.c_str(), O_WRONLY);
            std::string header = extension == "pfm" ? "PF\n" + std::string(4096, ' ')
                                                    : "#?RADIANCE\n" + std::string(4095, 'x');
            if (fd >= 0 && write(fd, header.data(), 3) == 3) {
                std::string endless = header.substr(3);
                while (write(fd, endless.data(), endless.size()) > 0) {
                }
            }
            _exit(0);
        }
        expectReadError(info(fifo), fifo, kNotARegularFileText);
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
    }
}

// Regular files: nothing stops them but the header bound. Each is a valid
// picture once its header ends, which is too late.
TEST(EndlessInput, AHeaderLongerThanTheBoundFails) {
    TempDir dir;
    const std::string padding(kLongestHeader + 4096, ' ');
    const std::string pixel(12, '\0');
    struct Case {
        std::string name;
        std::string bytes;
    };
    std::string longLine = "#?RADIANCE\n" + std::string(padding.size(), 'x') + "\n";
    const std::vector<Case> cases = {
        {"long-line.hdr", longLine + "\n-Y 1 +X 1\n" + std::string(4, '\0')},
        {"spaces.pfm", "PF\n" + padding + "1 1\n-1.0\n" + pixel},
        {"digits.pfm", "PF\n" + std::string(padding.size(), '0') + "1 1\n-1.0\n" + pixel},
        {"scale-spaces.pfm", "PF\n1 1\n" + padding + "-1.0\n" + pixel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.file(c.name);
        test::writeBytes(path, c.bytes);
        expectReadError(info(path), path, kLongestHeaderText);
        RgbeImage image;
        EXPECT_EQ(readPicture(image, kindOfFile(path), path, {}), 0);
        EXPECT_TRUE(image.empty());
    }
    // A terabyte of nothing (a sparse file): without the bound its header
    // would be read for many minutes.
    std::string zeros = dir.file("zeros.hdr");
    int fd = open(zeros.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    bool sparse = ftruncate(fd, off_t{1} << 40) == 0;
    close(fd);
    if (sparse) expectReadError(info(zeros), zeros, kLongestHeaderText);
}

TEST(EndlessInput, AHeaderWithinTheBoundStillReads) {
    TempDir dir;
    std::string path = dir.file("long-header.pfm");
    std::string pixel(12, '\0');
    test::writeBytes(path, "PF\n" + std::string(kLongestHeader - 64, ' ') + "1 1\n-1.0\n" + pixel);
    RgbeImage image;
    EXPECT_EQ(readPicture(image, kindOfFile(path), path, {}), 1);
    EXPECT_EQ(image.width, 1u);
}

}  // namespace
}  // namespace pellumir
