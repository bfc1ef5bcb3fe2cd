// The memory budget: the picture and its display bitmap together, against
// the smallest of physical memory, the rlimits and the cgroup limits; every
// reader held to it and to the 2^31-pixel cap; a turn that cannot get its
// memory reported by the converter.

#include "picture/memory_budget.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "allocation_probe.h"
#include "app/picture_files.h"
#include "child_process.h"
#include "cli/convert_options.h"
#include "cli/convert_run.h"
#include "display/viewer_state.h"
#include "picture/formats/radiance.h"
#include "support/temp_dir.h"
#include "tiny_files.h"

namespace pellumir {
namespace {

using test::TempDir;

std::string floats(size_t count, float value) {
    std::string bytes(count * 4, '\0');
    for (size_t i = 0; i < count; ++i)
        std::memcpy(&bytes[i * 4], &value, 4);
    return bytes;
}

// One small picture in each format, 200 x 100 pixels.
struct PictureFile {
    std::string name;
    std::string bytes;
    RawFloatLayout layout;
};

std::vector<PictureFile> everyFormat(const TempDir& dir) {
    constexpr uint32_t kWidth = 200;
    constexpr uint32_t kHeight = 100;
    RgbeImage picture;
    picture.allocate(kWidth, kHeight);
    for (uint32_t r = 0; r < kHeight; ++r)
        for (uint32_t c = 0; c < kWidth; ++c)
            encodeRgbe(picture.rows[r][c], 0.5, 0.25, 1.0);
    EXPECT_EQ(writeRadiance(picture, dir.file("made.hdr")), 1);
    RawFloatLayout raw;
    raw.width = kWidth;
    raw.height = kHeight;
    std::string raster = floats(size_t{kWidth} * kHeight * 3, 0.5f);
    return {
        {"p.hdr", test::readBytes(dir.file("made.hdr")), {}},
        {"p.pfm", "PF\n200 100\n-1.0\n" + raster, {}},
        {"p.float", raster, raw},
        {"p.tif",
         test::floatTiff(kWidth, kHeight, 3, test::kNoCompression, uint32_t(raster.size()), raster)
             .bytes(),
         {}},
    };
}

// 7 bytes a pixel and the rows, not the picture's 4 alone: a picture whose
// display would not fit is not read.
TEST(MemoryBudget, EveryReaderHoldsThePictureAndItsDisplayTogether) {
    TempDir dir;
    uint64_t shown = 0;
    ASSERT_TRUE(shownPictureBytes(200, 100, shown));
    EXPECT_EQ(shown, 200u * 100 * 4 + 600u * 100 + 100 * 2 * sizeof(void*));
    for (const PictureFile& file : everyFormat(dir)) {
        SCOPED_TRACE(file.name);
        std::string path = dir.file(file.name);
        test::writeBytes(path, file.bytes);
        RgbeImage image;
        setMemoryBudgetForTesting(shown - 1);
        EXPECT_EQ(readPicture(image, kindOfFile(path), path, file.layout), 0);
        EXPECT_TRUE(image.empty());
        setMemoryBudgetForTesting(shown);
        EXPECT_NE(readPicture(image, kindOfFile(path), path, file.layout), 0);
        EXPECT_EQ(image.width, 200u);
        setMemoryBudgetForTesting(0);
    }
}

// A float TIFF of more than 2^31 pixels whose rows are all in the file (a
// sparse one): refused before its picture is asked for, however much
// memory there is.
TEST(MemoryBudget, AFloatTiffIsHeldToThePixelCap) {
    if (!test::AllocationProbe::available()) {
        GTEST_SKIP() << "malloc is AddressSanitizer's here";
    }
    TempDir dir;
    constexpr uint32_t kSide = 46341;  // 46341^2 > 2^31 - 1
    std::string path = dir.file("huge.tif");
    test::writeBytes(path,
                     test::floatTiff(kSide, kSide, 1, test::kNoCompression, UINT32_MAX).bytes());
    int fd = open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    bool sparse = ftruncate(fd, off_t(uint64_t{kSide} * kSide * 4 + 4096)) == 0;
    close(fd);
    if (!sparse) GTEST_SKIP() << "no room for a sparse file of 8 GiB in " << dir.path();
    test::ChildOutcome outcome = test::runInChild([&] {
        alarm(20);
        setMemoryBudgetForTesting(UINT64_MAX / 2);
        RgbeImage image;
        test::AllocationProbe probe;
        int result = readPicture(image, PictureKind::tiff, path, {});
        return result == 0 && image.empty() && probe.largestRequest() < (uint64_t{32} << 20) ? 0
                                                                                             : 1;
    });
    EXPECT_TRUE(outcome.exited) << "ended by signal " << outcome.signal;
    EXPECT_EQ(outcome.status, 0);
}

void writeFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << text;
}

TEST(MemoryBudget, CgroupLimitsCountAtEveryLevelLessWhatIsInUse) {
    TempDir dir;
    std::string unified = dir.file("unified");
    writeFile(unified + "/a/memory.max", "1000000\n");
    writeFile(unified + "/a/memory.high", "max\n");
    writeFile(unified + "/a/memory.stat", "anon 300000\nfile 900000\n");
    writeFile(unified + "/a/b/memory.max", "max\n");
    writeFile(unified + "/a/b/memory.high", "2000000\n");
    writeFile(unified + "/a/b/memory.stat", "anon 100\n");
    EXPECT_EQ(cgroupRoom("0::/a/b\n", unified, ""), 700000u);
    writeFile(unified + "/a/b/memory.high", "500000\n");
    EXPECT_EQ(cgroupRoom("0::/a/b\n", unified, ""), 499900u);
    EXPECT_EQ(cgroupRoom("0::/elsewhere\n", unified, ""), UINT64_MAX);

    std::string v1 = dir.file("memory");
    writeFile(v1 + "/x/memory.limit_in_bytes", "5000\n");
    writeFile(v1 + "/x/memory.stat", "cache 99999\nrss 700\ntotal_rss 1000\n");
    EXPECT_EQ(cgroupRoom("5:cpu:/\n4:memory:/x\n0::/\n", "", v1), 4000u);
    EXPECT_EQ(cgroupRoom("4:blkio,memory:/x\n", "", v1), 4000u);
    // Used beyond the limit leaves no room at all.
    writeFile(v1 + "/x/memory.stat", "total_rss 9000\n");
    EXPECT_EQ(cgroupRoom("4:memory:/x\n", "", v1), 0u);
}

// A cgroup of its own with a memory limit, for one child process.
class MemoryCgroup {
  public:
    explicit MemoryCgroup(uint64_t limit) {
        std::string name = "pellumir-test-" + std::to_string(getpid());
        // cgroup v2 with its memory controller, at either mount point.
        for (const char* root : {"/sys/fs/cgroup", "/sys/fs/cgroup/unified"}) {
            std::ifstream controllers(std::string(root) + "/cgroup.controllers");
            std::string all((std::istreambuf_iterator<char>(controllers)), {});
            if (all.find("memory") == std::string::npos) continue;
            std::ofstream(std::string(root) + "/cgroup.subtree_control") << "+memory";
            if (make(std::string(root) + "/" + name, "memory.max", limit)) {
                std::ofstream(path_ + "/memory.swap.max") << "0";
                return;
            }
        }
        if (make("/sys/fs/cgroup/memory/" + name, "memory.limit_in_bytes", limit)) {
            std::ofstream(path_ + "/memory.memsw.limit_in_bytes") << limit;
            return;
        }
        problem_ = "no cgroup with a memory controller can be made here";
    }
    ~MemoryCgroup() {
        if (!path_.empty()) rmdir(path_.c_str());
    }
    MemoryCgroup(const MemoryCgroup&) = delete;
    MemoryCgroup& operator=(const MemoryCgroup&) = delete;

    const std::string& problem() const { return problem_; }
    // Moves the calling process in; for the child, before exec.
    void enter() const { std::ofstream(path_ + "/cgroup.procs") << getpid(); }

  private:
    bool make(const std::string& path, const char* file, uint64_t limit) {
        if (mkdir(path.c_str(), 0755) != 0) return false;
        std::ofstream(path + "/" + file) << limit;
        std::ifstream check(path + "/" + file);
        uint64_t set = 0;
        if (!(check >> set) || set > limit) {
            rmdir(path.c_str());
            return false;
        }
        path_ = path;
        return true;
    }

    std::string path_;
    std::string problem_;
};

// In a container limited to 64 MiB, a picture of 112 MiB shown fails with
// the read error; it is not read until the process is killed for memory.
TEST(MemoryBudget, ACgroupLimitIsARefusalNotAKill) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make a cgroup";
    if (test::underAddressSanitizer()) GTEST_SKIP() << "the sanitizers need more than the limit";
    MemoryCgroup group(uint64_t{64} << 20);
    if (!group.problem().empty()) GTEST_SKIP() << group.problem();
    TempDir dir;
    RgbeImage picture;
    picture.allocate(4000, 4000);
    for (uint32_t r = 0; r < picture.height; ++r)
        for (uint32_t c = 0; c < picture.width; ++c)
            picture.rows[r][c] = {128, 64, 32, 129};
    std::string input = dir.file("big.hdr");
    ASSERT_EQ(writeRadiance(picture, input), 1);
    picture.release();
    test::ProgramRun run =
        test::runProgram({PELLUMIR_CONVERT, "--info", input}, [&] { group.enter(); });
    EXPECT_EQ(run.signal, 0) << "killed";
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.standardError,
              input + ": " + kReadErrorMessage +
                  " (a picture of 4000 × 4000 pixels is more than the memory allows)\n");
    std::printf("refused in %.1f ms, %llu KiB peak\n", run.seconds * 1e3,
                static_cast<unsigned long long>(run.maxRssKb));
}

// The converter's turn tests read a picture of kTurnWidth x kTurnHeight
// whose pixels tell their row and column apart, so that a wrong turn shows.
constexpr uint32_t kTurnWidth = 1000;
constexpr uint32_t kTurnHeight = 900;

void makeTurnInput(RgbeImage& picture) {
    picture.allocate(kTurnWidth, kTurnHeight);
    ASSERT_FALSE(picture.empty());
    for (uint32_t r = 0; r < kTurnHeight; ++r)
        for (uint32_t c = 0; c < kTurnWidth; ++c)
            picture.rows[r][c] = {uint8_t(r), uint8_t(c), 7, 128};
}

// The converter's --rotate with no memory for the turned copy: one line,
// exit 1, no output; never an unturned picture saved as if turned.
TEST(MemoryBudget, TheConverterReportsATurnWithoutMemory) {
    if (!test::AllocationProbe::available()) {
        GTEST_SKIP() << "malloc is AddressSanitizer's here";
    }
    TempDir dir;
    RgbeImage picture;
    ASSERT_NO_FATAL_FAILURE(makeTurnInput(picture));
    std::string input = dir.file("in.hdr");
    ASSERT_EQ(writeRadiance(picture, input), 1);
    picture.release();
    std::string errors = dir.file("errors.txt");
    for (const char* name : {"out.hdr", "out.bmp"}) {
        SCOPED_TRACE(name);
        std::string output = dir.file(name);
        ConvertOptions options;
        options.input = input;
        options.output = output;
        // A turn as the first action of a Radiance file is done by the
        // reading, without a second block; a turn after a mirror is not.
        // The exposure step keeps the Radiance output from being written
        // straight from the unturned picture (tested below).
        options.actions.push_back({ConvertAction::Kind::key, 72, 0, 0});
        options.actions.push_back({ConvertAction::Kind::key, 82, 0, 0});
        options.actions.push_back({ConvertAction::Kind::key, 107, 0, 0});
        // The picture's block is granted; a second one (the turn's, or
        // its spare made beside the reading) is not.
        test::ChildOutcome outcome = test::runInChild([&] {
            std::FILE* err = std::fopen(errors.c_str(), "w");
            std::FILE* out = std::fopen("/dev/null", "w");
            test::AllocationProbe probe;
            probe.refuseAllButTheFirstFrom(uint64_t{kTurnWidth} * kTurnHeight * 4);
            int status = runConvert(options, out, err);
            std::fclose(err);
            return status;
        });
        EXPECT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(test::readBytes(errors),
                  input + ": cannot turn the picture (not enough memory for the turned picture)\n");
        EXPECT_FALSE(std::filesystem::exists(output));
    }
}

// With a Radiance output and nothing but turns, mirrors and flips, the
// converter writes the rows as they would stand from the unmoved picture:
// no second block, however many turns, and the bytes of the moved picture.
TEST(MemoryBudget, TheConverterTurnsToARadianceFileWithoutASecondBlock) {
    if (!test::AllocationProbe::available()) {
        GTEST_SKIP() << "malloc is AddressSanitizer's here";
    }
    TempDir dir;
    RgbeImage picture;
    ASSERT_NO_FATAL_FAILURE(makeTurnInput(picture));
    std::string input = dir.file("in.hdr");
    ASSERT_EQ(writeRadiance(picture, input), 1);
    // R R, and H R V R: a mirror, a turn, a flip and a turn, which add up
    // to half a turn as well.
    ASSERT_TRUE(picture.rotate90() && picture.rotate90());
    ASSERT_EQ(writeRadiance(picture, dir.file("expected.hdr")), 1);
    picture.release();
    const std::vector<uint32_t> keySets[] = {{82, 82}, {72, 82, 86, 82}};
    for (const std::vector<uint32_t>& keys : keySets) {
        SCOPED_TRACE(keys.size());
        std::string output = dir.file("out.hdr");
        ConvertOptions options;
        options.input = input;
        options.output = output;
        for (uint32_t key : keys)
            options.actions.push_back({ConvertAction::Kind::key, key, 0, 0});
        test::ChildOutcome outcome = test::runInChild([&] {
            test::AllocationProbe probe;
            probe.refuseAllButTheFirstFrom(uint64_t{kTurnWidth} * kTurnHeight * 4);
            return runConvert(options, stdout, stderr);
        });
        EXPECT_TRUE(outcome.exited);
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(test::readBytes(output), test::readBytes(dir.file("expected.hdr")));
    }
}

}  // namespace
}  // namespace pellumir
