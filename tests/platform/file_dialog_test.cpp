#include "platform/qt/file_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>

#include "app/viewer_app.h"

namespace pellumir {
namespace {

const char* kBitmapFilter = "BMP文件 (*.bmp)|*.bmp|所有文件 (*.*)|*.*||";

TEST(NameFilters, EachDescriptionCarriesItsPatternsInTheLastParentheses) {
    QStringList filters = nameFiltersFromProgramFilter(kOpenFilter);
    QStringList expected = {
        QStringLiteral("HDR文件 (*.hdr,*.pic) (*.hdr *.pic)"),
        QStringLiteral("PFM文件 (*.pfm) (*.pfm)"),
        QStringLiteral("RAW float 文件 (*.raw,*.float) (*.raw *.float)"),
        QStringLiteral("TIFF文件 (*.tif,*.tiff) (*.tif *.tiff)"),
        QStringLiteral("EXR文件 (*.exr) (*.exr)"),
        QStringLiteral("所有文件 (*.*) (*)"),
    };
    EXPECT_EQ(filters, expected);
}

TEST(NameFilters, StopsAtTheEmptyDescriptionOrAMissingPatternList) {
    EXPECT_EQ(nameFiltersFromProgramFilter(kBitmapFilter).size(), 2);
    EXPECT_EQ(nameFiltersFromProgramFilter("A|*.a||B|*.b||"),
              QStringList{QStringLiteral("A (*.a)")});
    EXPECT_EQ(nameFiltersFromProgramFilter("A|*.a|B"), QStringList{QStringLiteral("A (*.a)")});
    EXPECT_EQ(nameFiltersFromProgramFilter("A||"), QStringList());
    EXPECT_EQ(nameFiltersFromProgramFilter(""), QStringList());
}

// What Qt's own dialog makes of the filters: the list shows each
// description as the program wrote it, and the files shown are those its
// patterns match.
TEST(FileDialogSetUp, QtShowsTheDescriptionsAndMatchesTheirPatterns) {
    QFileDialog dialog;
    FileDialogOptions options;
    options.defaultExtension = "pic";
    options.filter = kOpenFilter;
    options.fileMustExist = true;
    configureFileDialog(dialog, FileDialogMode::open, options);

    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->count(), 6);
    EXPECT_EQ(types->itemText(0).trimmed(), QStringLiteral("HDR文件 (*.hdr,*.pic)"));
    EXPECT_EQ(types->itemText(2).trimmed(), QStringLiteral("RAW float 文件 (*.raw,*.float)"));
    EXPECT_EQ(types->itemText(4).trimmed(), QStringLiteral("EXR文件 (*.exr)"));
    EXPECT_EQ(types->itemText(5).trimmed(), QStringLiteral("所有文件 (*.*)"));

    auto* model = dialog.findChild<QFileSystemModel*>();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->nameFilters(), (QStringList{"*.hdr", "*.pic"}));
    dialog.selectNameFilter(dialog.nameFilters().at(3));
    EXPECT_EQ(model->nameFilters(), (QStringList{"*.tif", "*.tiff"}));
    dialog.selectNameFilter(dialog.nameFilters().at(4));
    EXPECT_EQ(model->nameFilters(), (QStringList{"*.exr"}));
    dialog.selectNameFilter(dialog.nameFilters().at(5));
    EXPECT_EQ(model->nameFilters(), QStringList{"*"});

    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("pic"));
}

TEST(FileDialogSetUp, SaveAsksBeforeReplacingAndProposesTheName) {
    QFileDialog dialog;
    FileDialogOptions options;
    options.defaultExtension = "bmp";
    options.initialName = "room.bmp";
    options.filter = kBitmapFilter;
    options.overwritePrompt = true;
    configureFileDialog(dialog, FileDialogMode::save, options);
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("bmp"));
    ASSERT_FALSE(dialog.selectedFiles().isEmpty());
    EXPECT_TRUE(dialog.selectedFiles().first().endsWith(QStringLiteral("/room.bmp")));

    QFileDialog quiet;
    options.overwritePrompt = false;
    configureFileDialog(quiet, FileDialogMode::save, options);
    EXPECT_TRUE(quiet.testOption(QFileDialog::DontConfirmOverwrite));
}

}  // namespace
}  // namespace pellumir
