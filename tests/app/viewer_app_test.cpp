#include "app/viewer_app.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/picture_files.h"
#include "display/viewer_state.h"
#include "support/temp_dir.h"

namespace pellumir {
namespace {

// A desktop that answers from a script and records what it was asked.
struct ScriptedDesktop final : Desktop {
    std::optional<std::string> openAnswer;
    std::optional<RawFloatLayout> rawAnswer;

    std::vector<FileDialogOptions> openDialogs;
    std::vector<std::pair<std::string, std::string>> messages;  // text, caption
    int rawDialogs = 0;
    int windowRuns = 0;
    std::string shownName;
    uint32_t shownWidth = 0;
    uint32_t shownHeight = 0;
    bool hooksComplete = false;
    std::vector<std::pair<uint64_t, uint64_t>> progress;  // done, total
    std::string progressName;
    size_t progressAnswers = SIZE_MAX;  // how many reports are answered "go on"

    std::optional<std::string> openFileDialog(const FileDialogOptions& options) override {
        openDialogs.push_back(options);
        return openAnswer;
    }
    void messageBox(const std::string& text, const std::string& caption,
                    const std::string& detail = {}) override {
        messages.emplace_back(text, caption);
        details.push_back(detail);
    }
    std::vector<std::string> details;  // the detail of each message box
    std::optional<RawFloatLayout> rawFloatDialog() override {
        ++rawDialogs;
        return rawAnswer;
    }
    bool readProgress(const std::string& name, uint64_t done, uint64_t total) override {
        progressName = name;
        progress.emplace_back(done, total);
        return progress.size() <= progressAnswers;
    }
    void runImageWindow(DisplayBitmap& bitmap, const ViewerHooks& hooks) override {
        ++windowRuns;
        shownName = bitmap.name;
        shownWidth = bitmap.width;
        shownHeight = bitmap.height;
        hooksComplete = hooks.keyCommand && hooks.pixelText && hooks.exposureText &&
                        hooks.pickExposure && hooks.resetExposure;
    }
};

std::string sample(const std::string& name) {
    const char* source = std::getenv("PELLUMIR_SOURCE_DIR");
    return std::string(source ? source : ".") + "/samples/" + name;
}

class ViewerAppTest : public ::testing::Test {
  protected:
    void SetUp() override {
        currentPicture.release();
        currentExposure = 1.0f;
    }
    void TearDown() override { currentPicture.release(); }

    // Runs start-up over the script; start-up always ends the process.
    void start(const std::string& tail) { EXPECT_FALSE(ViewerApp(desktop).startUp(tail)); }

    // A copy of a sample under another name, in the test's folder.
    std::string copyOf(const std::string& sampleName, const std::string& name) {
        std::string path = folder.file(name);
        test::writeBytes(path, test::readBytes(sample(sampleName)));
        return path;
    }

    void expectOnlyMessage(const std::string& text, const std::string& caption) {
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].first, text);
        EXPECT_EQ(desktop.messages[0].second, caption);
        EXPECT_EQ(desktop.windowRuns, 0);
    }

    ScriptedDesktop desktop;
    test::TempDir folder;
};

TEST_F(ViewerAppTest, CommandTailJoinsArgumentsWithSingleSpaces) {
    const char* argv[] = {"pellumir", "my", "picture.hdr"};
    EXPECT_EQ(commandTail(3, argv), "my picture.hdr");
    EXPECT_EQ(commandTail(1, argv), "");
}

TEST_F(ViewerAppTest, DisplayNameIsWhatFollowsTheLastSeparator) {
    EXPECT_EQ(displayNameOf("/home/a/room.hdr"), "room.hdr");
    EXPECT_EQ(displayNameOf("C:\\scans\\room.hdr"), "room.hdr");
    EXPECT_EQ(displayNameOf("room.hdr"), "room.hdr");
}

TEST_F(ViewerAppTest, OpensThePictureAndRunsTheWindowWithAllFiveHooks) {
    start(sample("room.hdr"));
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(desktop.openDialogs.empty());
    ASSERT_EQ(desktop.windowRuns, 1);
    EXPECT_EQ(desktop.shownName, "room.hdr");
    EXPECT_EQ(desktop.shownWidth, 640u);
    EXPECT_EQ(desktop.shownHeight, 480u);
    EXPECT_TRUE(desktop.hooksComplete);
}

TEST_F(ViewerAppTest, EmptyTailAsksWithTheOpenDialog) {
    desktop.openAnswer = sample("room.pfm");
    start("");
    ASSERT_EQ(desktop.openDialogs.size(), 1u);
    const FileDialogOptions& options = desktop.openDialogs[0];
    EXPECT_EQ(options.defaultExtension, "pic");
    EXPECT_EQ(options.initialName, "");
    EXPECT_EQ(options.filter, kOpenFilter);
    EXPECT_TRUE(options.fileMustExist);
    EXPECT_FALSE(options.overwritePrompt);
    EXPECT_EQ(desktop.windowRuns, 1);
    EXPECT_EQ(desktop.shownName, "room.pfm");
}

TEST_F(ViewerAppTest, CancelledDialogsEndSilently) {
    start("");
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(desktop.windowRuns, 0);

    ScriptedDesktop raw;
    EXPECT_FALSE(ViewerApp(raw).startUp(sample("room.float")));
    EXPECT_EQ(raw.rawDialogs, 1);
    EXPECT_TRUE(raw.messages.empty());
    EXPECT_EQ(raw.windowRuns, 0);
}

TEST_F(ViewerAppTest, QuotedTailLosesItsFirstAndLastCharacter) {
    std::string path = copyOf("room.hdr", "a room with spaces.hdr");
    start("\"" + path + "\"");
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(desktop.shownName, "a room with spaces.hdr");

    // The last character goes whatever it is, so an unclosed quote loses
    // the name's own last letter.
    ScriptedDesktop unclosed;
    EXPECT_FALSE(ViewerApp(unclosed).startUp("\"" + path));
    ASSERT_EQ(unclosed.messages.size(), 1u);
    EXPECT_EQ(unclosed.messages[0].first, kCannotOpenMessage);
    EXPECT_EQ(unclosed.messages[0].second, path.substr(0, path.size() - 1));
}

TEST_F(ViewerAppTest, TwoNamesInOneTailAreOneNameThatCannotBeOpened) {
    std::string tail = sample("room.hdr") + " " + sample("room.pfm");
    start(tail);
    expectOnlyMessage(kCannotOpenMessage, tail);
}

TEST_F(ViewerAppTest, ExtensionsCompareWithoutLetterCase) {
    for (auto [sampleName, name] :
         {std::pair{"room.hdr", "ROOM.HDR"}, std::pair{"room.pfm", "a.Pfm"},
          std::pair{"room.tif", "b.TIFF"}, std::pair{"room.hdr", "c.pic"}}) {
        ScriptedDesktop each;
        currentPicture.release();
        EXPECT_FALSE(ViewerApp(each).startUp(copyOf(sampleName, name)));
        EXPECT_TRUE(each.messages.empty()) << name;
        EXPECT_EQ(each.windowRuns, 1) << name;
        EXPECT_EQ(each.shownName, name);
    }
}

TEST_F(ViewerAppTest, RawFloatFilesAskForTheirLayoutFirst) {
    desktop.rawAnswer = RawFloatLayout{160, 120, true, false};
    start(sample("room.float"));
    EXPECT_EQ(desktop.rawDialogs, 1);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(desktop.shownWidth, 160u);
    EXPECT_EQ(desktop.shownHeight, 120u);
}

TEST_F(ViewerAppTest, UnknownTypesAreNamedByTheirDisplayName) {
    // "raw" is offered by the open dialog's filter but is not a known type.
    start(copyOf("room.float", "photo.raw"));
    expectOnlyMessage(kUnknownTypeMessage, "photo.raw");
    EXPECT_EQ(desktop.details, std::vector<std::string>{kKnownExtensionsText});
    EXPECT_EQ(desktop.rawDialogs, 0);

    std::string folderWithDot = folder.file("scans.old");
    std::filesystem::create_directory(folderWithDot);
    std::string noDotInName = folderWithDot + "/picture";
    test::writeBytes(noDotInName, test::readBytes(sample("room.hdr")));
    ScriptedDesktop dotInFolder;
    EXPECT_FALSE(ViewerApp(dotInFolder).startUp(noDotInName));
    ASSERT_EQ(dotInFolder.messages.size(), 1u);
    EXPECT_EQ(dotInFolder.messages[0],
              std::pair(std::string(kUnknownTypeMessage), std::string("picture")));

    ScriptedDesktop noDot;
    std::string plain = copyOf("room.hdr", "picture");
    // Without the folder's dot: the temporary folder's name has none.
    ASSERT_EQ(plain.find('.'), std::string::npos);
    EXPECT_FALSE(ViewerApp(noDot).startUp(plain));
    ASSERT_EQ(noDot.messages.size(), 1u);
    EXPECT_EQ(noDot.messages[0].second, "picture");
}

TEST_F(ViewerAppTest, FilesThatDoNotReadEndWithTheReadErrorAndItsCause) {
    for (auto [name, cause] :
         {std::pair{"empty.hdr", "the file has no valid Radiance resolution line"},
          std::pair{"bad.pfm", "the file does not start with PF or Pf"},
          std::pair{"bad.tif", "the file is not a TIFF file"},
          std::pair{"bad.exr", "the file is not an OpenEXR file"}}) {
        ScriptedDesktop each;
        std::string path = folder.file(name);
        test::writeBytes(path, name[0] == 'e' ? "" : "not a picture at all");
        EXPECT_FALSE(ViewerApp(each).startUp(path));
        ASSERT_EQ(each.messages.size(), 1u) << name;
        EXPECT_EQ(each.messages[0].first, kReadErrorMessage);
        EXPECT_EQ(each.messages[0].second, "Pellumir");
        EXPECT_EQ(each.details, std::vector<std::string>{cause});
        EXPECT_EQ(each.windowRuns, 0);
        EXPECT_TRUE(currentPicture.empty());
    }
    // A raw layout of 0 x 0 fails in the reader, not with an empty window.
    desktop.rawAnswer = RawFloatLayout{0, 0, true, false};
    start(sample("room.float"));
    expectOnlyMessage(kReadErrorMessage, "Pellumir");
}

TEST_F(ViewerAppTest, EveryReaderTellsHowFarItHasCome) {
    desktop.rawAnswer = RawFloatLayout{160, 120, true, false};
    for (const char* name : {"room.hdr", "room.pfm", "room.tif", "room.float"}) {
        ScriptedDesktop each;
        each.rawAnswer = desktop.rawAnswer;
        currentPicture.release();
        EXPECT_FALSE(ViewerApp(each).startUp(sample(name)));
        EXPECT_EQ(each.windowRuns, 1) << name;
        EXPECT_EQ(each.progressName, name);
        ASSERT_FALSE(each.progress.empty()) << name;
        for (size_t i = 0; i < each.progress.size(); ++i) {
            auto [done, total] = each.progress[i];
            EXPECT_GT(total, 0u) << name;
            EXPECT_LE(done, total) << name;
            if (i > 0) {
                EXPECT_GE(done, each.progress[i - 1].first) << name;
            }
        }
    }
}

TEST_F(ViewerAppTest, AReadStoppedByTheUserEndsSilently) {
    for (const char* name : {"room.hdr", "room.pfm", "room.tif"}) {
        ScriptedDesktop each;
        each.progressAnswers = 0;
        currentPicture.release();
        EXPECT_FALSE(ViewerApp(each).startUp(sample(name)));
        EXPECT_EQ(each.progress.size(), 1u) << name;
        EXPECT_TRUE(each.messages.empty()) << name;
        EXPECT_EQ(each.windowRuns, 0) << name;
        EXPECT_TRUE(currentPicture.empty()) << name;
    }
}

// A FIFO (with no writer, so that opening it for reading would wait for
// ever), a device and a folder open, then fail as unreadable pictures.
TEST_F(ViewerAppTest, NamesThatAreNotRegularFilesEndWithTheReadErrorAtOnce) {
    std::string fifo = folder.file("x.hdr");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    std::string zero = folder.file("z.hdr");
    ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
    std::string tiffFolder = folder.file("f.tif");
    ASSERT_EQ(mkdir(tiffFolder.c_str(), 0755), 0);
    alarm(20);  // a start-up that blocks ends the test program here
    for (const std::string& path : {fifo, zero, tiffFolder}) {
        ScriptedDesktop each;
        EXPECT_FALSE(ViewerApp(each).startUp(path));
        ASSERT_EQ(each.messages.size(), 1u) << path;
        EXPECT_EQ(each.messages[0].first, kReadErrorMessage);
        EXPECT_EQ(each.messages[0].second, "Pellumir");
        EXPECT_EQ(each.windowRuns, 0);
    }
    alarm(0);
}

TEST_F(ViewerAppTest, MissingFileIsNamedByItsWholeName) {
    std::string path = folder.file("gone.hdr");
    start(path);
    expectOnlyMessage(kCannotOpenMessage, path);
    EXPECT_EQ(desktop.details, std::vector<std::string>{"No such file or directory"});
}

}  // namespace
}  // namespace pellumir
