// Saves that lose nothing: whichever system call of a save fails, on a
// full device, a full file system or a read-only one, the file that was
// there keeps every byte, no temporary file is left, and the user is told.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "child_process.h"
#include "display/display_bitmap.h"
#include "io/safe_output.h"
#include "io/save_target.h"
#include "picture/formats/radiance.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

using test::TempDir;

constexpr const char* kSaveError = "保存文件错误";
const std::string kOldBytes = "the file that was there before, which must survive\n";

// What the injected operation does at its turn.
enum class Fault { fail, shortWrite, interrupt };

// The calls of one save are numbered from 1 across all five operations;
// the call numbered `at` misbehaves.
struct Injection {
    int calls = 0;
    int at = 0;  // 0: none
    Fault fault = Fault::fail;
    bool turn() { return ++calls == at; }
};
Injection injection;

int injectedOpen(const char* path, int flags, mode_t mode) {
    if (injection.turn()) {
        errno = EACCES;
        return -1;
    }
    return realFileOps().open(path, flags, mode);
}

ssize_t injectedWrite(int fd, const void* data, size_t size) {
    if (injection.turn()) {
        switch (injection.fault) {
            case Fault::fail:
                errno = ENOSPC;
                return -1;
            case Fault::interrupt:
                errno = EINTR;
                return -1;
            case Fault::shortWrite:
                // Half of it, as a pipe or a signal may leave a write.
                return realFileOps().write(fd, data, size > 1 ? size / 2 : size);
        }
    }
    return realFileOps().write(fd, data, size);
}

int injectedFsync(int fd) {
    if (injection.turn() && injection.fault == Fault::fail) {
        errno = EIO;
        return -1;
    }
    return realFileOps().fsync(fd);
}

int injectedClose(int fd) {
    if (injection.turn() && injection.fault == Fault::fail) {
        // Linux frees the descriptor even when close reports an error.
        realFileOps().close(fd);
        errno = EIO;
        return -1;
    }
    return realFileOps().close(fd);
}

int injectedRename(const char* from, const char* to) {
    if (injection.turn() && injection.fault == Fault::fail) {
        errno = EXDEV;
        return -1;
    }
    return realFileOps().rename(from, to);
}

int injectedLinkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    if (injection.turn() && injection.fault == Fault::fail) {
        errno = EMLINK;
        return -1;
    }
    return realFileOps().linkat(fromFolder, from, toFolder, to, flags);
}

const FileOps kInjectedOps = {injectedOpen,  injectedWrite,  injectedFsync,
                              injectedClose, injectedRename, injectedLinkat};

// A picture whose Radiance file and bitmap are both larger than the save
// buffer, so that a save takes more than one write.
void makePicture(RgbeImage& image, uint32_t width, uint32_t height) {
    image.allocate(width, height);
    std::mt19937 random(7);
    for (uint32_t r = 0; r < height; ++r) {
        for (uint32_t c = 0; c < width; ++c) {
            encodeRgbe(image.rows[r][c], (random() % 1000) / 100.0, (random() % 1000) / 300.0,
                       (r + c) / 50.0);
        }
    }
}

struct Saver {
    const char* name;
    std::function<int(const std::string&)> save;
};

class SaveFailures : public ::testing::Test {
  protected:
    void SetUp() override {
        makePicture(picture, 400, 300);
        bitmap.build(picture.pixels(), picture.width, picture.height, 1.0f, 2.2f);
        ASSERT_FALSE(bitmap.empty());
        savers = {
            {"writeRadiance", [this](const std::string& p) { return writeRadiance(picture, p); }},
            {"writeBmp", [this](const std::string& p) { return bitmap.writeBmp(p); }}};
    }
    void TearDown() override {
        setFileOpsForTesting(nullptr);
        injection = {};
    }

    // The number of calls a whole save makes through the seam.
    int callsOfASave(const Saver& saver) {
        TempDir dir;
        injection = {};
        setFileOpsForTesting(&kInjectedOps);
        EXPECT_EQ(saver.save(dir.file("count")), 1);
        setFileOpsForTesting(nullptr);
        return injection.calls;
    }

    RgbeImage picture;
    DisplayBitmap bitmap;
    std::vector<Saver> savers;
};

TEST_F(SaveFailures, EveryFailingCallLeavesTheOldFileAndNothingElse) {
    for (const Saver& saver : savers) {
        SCOPED_TRACE(saver.name);
        int calls = callsOfASave(saver);
        ASSERT_GE(calls, 7) << "open, two writes or more, fsync, link, close, rename";
        int intact = 0;
        for (int k = 1; k <= calls; ++k) {
            SCOPED_TRACE("failing call " + std::to_string(k) + " of " + std::to_string(calls));
            TempDir dir;
            std::string target = dir.file("picture");
            test::writeBytes(target, kOldBytes);
            injection = {};
            injection.at = k;
            setFileOpsForTesting(&kInjectedOps);
            EXPECT_EQ(saver.save(target), 0);
            setFileOpsForTesting(nullptr);
            bool same = test::readBytes(target) == kOldBytes;
            EXPECT_TRUE(same);
            EXPECT_EQ(dir.names(), std::vector<std::string>{"picture"});
            intact += same && dir.names().size() == 1;
        }
        std::printf("%s: %d of %d injected failures left the old file intact\n", saver.name, intact,
                    calls);
    }
}

TEST_F(SaveFailures, AFailingSaveOfANewNameLeavesNoFile) {
    for (const Saver& saver : savers) {
        SCOPED_TRACE(saver.name);
        int calls = callsOfASave(saver);
        for (int k = 1; k <= calls; ++k) {
            SCOPED_TRACE(k);
            TempDir dir;
            injection = {};
            injection.at = k;
            setFileOpsForTesting(&kInjectedOps);
            EXPECT_EQ(saver.save(dir.file("new")), 0);
            setFileOpsForTesting(nullptr);
            EXPECT_TRUE(dir.names().empty());
        }
    }
}

// Short and interrupted writes are not failures: the save goes on and the
// file holds exactly what an undisturbed save writes.
TEST_F(SaveFailures, ShortAndInterruptedWritesStillSaveEveryByte) {
    for (const Saver& saver : savers) {
        SCOPED_TRACE(saver.name);
        TempDir reference;
        ASSERT_EQ(saver.save(reference.file("expected")), 1);
        std::string expected = test::readBytes(reference.file("expected"));
        int calls = callsOfASave(saver);
        for (Fault fault : {Fault::shortWrite, Fault::interrupt}) {
            for (int k = 2; k < calls; ++k) {
                SCOPED_TRACE(k);
                TempDir dir;
                test::writeBytes(dir.file("picture"), kOldBytes);
                injection = {};
                injection.at = k;
                injection.fault = fault;
                setFileOpsForTesting(&kInjectedOps);
                EXPECT_EQ(saver.save(dir.file("picture")), 1);
                setFileOpsForTesting(nullptr);
                EXPECT_TRUE(test::readBytes(dir.file("picture")) == expected);
                EXPECT_EQ(dir.names(), std::vector<std::string>{"picture"});
            }
        }
    }
}

TEST_F(SaveFailures, AFolderThatRefusesNewFilesKeepsTheOldOne) {
    // As root, permissions do not stop a write; the seam's open fails with
    // EACCES as a folder without write permission would make it.
    for (const Saver& saver : savers) {
        SCOPED_TRACE(saver.name);
        TempDir dir;
        test::writeBytes(dir.file("picture"), kOldBytes);
        injection = {};
        injection.at = 1;
        setFileOpsForTesting(&kInjectedOps);
        EXPECT_EQ(saver.save(dir.file("picture")), 0);
        setFileOpsForTesting(nullptr);
        EXPECT_EQ(test::readBytes(dir.file("picture")), kOldBytes);
        EXPECT_EQ(dir.names(), std::vector<std::string>{"picture"});
    }
}

TEST_F(SaveFailures, AFullDeviceFailsTheSave) {
    for (const Saver& saver : savers) {
        SCOPED_TRACE(saver.name);
        EXPECT_EQ(saver.save("/dev/full"), 0);
    }
}

// A tmpfs of `size` bytes mounted on a fresh folder; unmounted at the end.
class SmallFileSystem {
  public:
    explicit SmallFileSystem(const std::string& where, const char* options) : path_(where) {
        mounted_ = mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options) == 0;
        if (!mounted_) error_ = std::strerror(errno);
    }
    ~SmallFileSystem() {
        if (mounted_) umount2(path_.c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    bool mounted() const { return mounted_; }
    const std::string& error() const { return error_; }
    bool makeReadOnly() {
        return mount("tmpfs", path_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
                     nullptr) == 0;
    }

  private:
    std::string path_;
    bool mounted_ = false;
    std::string error_;
};

// Fills the file system at `folder` with one file until a write fails.
void fill(const std::string& folder) {
    std::FILE* filler = std::fopen((folder + "/filler").c_str(), "wb");
    ASSERT_NE(filler, nullptr);
    std::string block(4096, 'f');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() &&
           std::fflush(filler) == 0) {
    }
    std::fclose(filler);
}

class SavesOnFileSystems : public SaveFailures {
  protected:
    // The converter's saves of the same picture, as a user would make them.
    void SetUp() override {
        SaveFailures::SetUp();
        input = source.file("input.hdr");
        ASSERT_EQ(writeRadiance(picture, input), 1);
    }
    test::ProgramRun convert(const std::string& output) {
        return test::runProgram({PELLUMIR_CONVERT, input, output});
    }
    void expectSaveErrorShown(const std::string& output, const std::string& cause) {
        test::ProgramRun run = convert(output);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.standardError, output + ": " + kSaveError + " (" + cause + ")\n");
    }

    TempDir source;
    std::string input;
};

TEST_F(SavesOnFileSystems, ADeviceIsRefusedWithTheSaveError) {
    TempDir dir;
    // The converter chooses the format by the name; the link leads to the
    // device, which is never opened: it is not a file to save.
    for (const char* name : {"full.hdr", "full.bmp", "full.png"}) {
        ASSERT_EQ(symlink("/dev/full", dir.file(name).c_str()), 0);
        expectSaveErrorShown(dir.file(name), kNotARegularFileText);
    }
}

TEST_F(SavesOnFileSystems, AFullFileSystemKeepsTheOldFile) {
    TempDir dir;
    SmallFileSystem small(dir.path(), "size=64k,mode=0700");
    if (!small.mounted()) {
        GTEST_SKIP() << "cannot mount a tmpfs here: " << small.error();
    }
    for (const char* name : {"old.hdr", "old.bmp"})
        test::writeBytes(dir.file(name), kOldBytes);
    fill(dir.path());
    for (const Saver& saver : savers) {
        SCOPED_TRACE(saver.name);
        std::string target =
            dir.file(std::string(saver.name) == "writeBmp" ? "old.bmp" : "old.hdr");
        EXPECT_EQ(saver.save(target), 0);
        EXPECT_EQ(test::readBytes(target), kOldBytes);
        expectSaveErrorShown(target, "No space left on device");
        EXPECT_EQ(test::readBytes(target), kOldBytes);
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"filler", "old.bmp", "old.hdr"}));
}

TEST_F(SavesOnFileSystems, AReadOnlyFileSystemKeepsTheOldFile) {
    TempDir dir;
    SmallFileSystem small(dir.path(), "size=1m,mode=0700");
    if (!small.mounted()) {
        GTEST_SKIP() << "cannot mount a tmpfs here: " << small.error();
    }
    for (const char* name : {"old.hdr", "old.bmp"})
        test::writeBytes(dir.file(name), kOldBytes);
    ASSERT_TRUE(small.makeReadOnly()) << std::strerror(errno);
    for (const Saver& saver : savers) {
        SCOPED_TRACE(saver.name);
        std::string target =
            dir.file(std::string(saver.name) == "writeBmp" ? "old.bmp" : "old.hdr");
        EXPECT_EQ(saver.save(target), 0);
        EXPECT_EQ(test::readBytes(target), kOldBytes);
        expectSaveErrorShown(target, "Read-only file system");
        EXPECT_EQ(test::readBytes(target), kOldBytes);
        expectSaveErrorShown(dir.file("new.hdr"), "Read-only file system");
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"old.bmp", "old.hdr"}));
}

}  // namespace
}  // namespace pellumir
