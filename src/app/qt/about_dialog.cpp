#include "app/qt/about_dialog.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <filesystem>

#include "app/qt/readme_window.h"
#include "platform/qt/dialog_units.h"
#include "platform/qt/open_address.h"
#include "platform/qt/program_resources.h"

namespace pellumir {

namespace {

constexpr int kOkId = 1;
constexpr int kHelpId = 1008;

// An 8-point font at 96 dots per inch: 11 pixels, which the 8-unit
// (13-pixel) text rows fit.
constexpr int kFontPixels = 11;

QLabel* addText(QWidget* dialog, const char* name, const QString& text, QRect area,
                Qt::Alignment alignment) {
    auto* label = new QLabel(text, dialog);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setWordWrap(false);
    label->setGeometry(area);
    return label;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("关于 Pellumir"));
    QFont text = font();
    text.setPixelSize(kFontPixels);
    setFont(text);
    setFixedSize(dialogUnitSize(420, 161));

    // The group box first, so that the texts inside it lie above it.
    auto* usage = new QGroupBox(QStringLiteral("用法"), this);
    usage->setObjectName(QStringLiteral("usage"));
    usage->setGeometry(dialogUnitRect(212, 4, 204, 120));

    addText(this, "name", QStringLiteral("高动态范围图像浏览器"), dialogUnitRect(0, 4, 204, 8),
            Qt::AlignHCenter);
    // The second line names what the help button opens.
    QRect version = dialogUnitRect(3, 15, 204, 17);
    QString helpName = QFontMetrics(text).elidedText(QString::fromStdString(helpFile()),
                                                     Qt::ElideMiddle, version.width());
    addText(this, "version", QStringLiteral("版本 " PELLUMIR_VERSION " - April 2000 \n") + helpName, version,
            Qt::AlignHCenter);
    addText(this, "author", QStringLiteral("Pellumir 的开发者"), dialogUnitRect(8, 32, 198, 8),
            Qt::AlignLeft);
    addText(this, "rights", QStringLiteral("© 2026 Pellumir 项目"), dialogUnitRect(8, 40, 196, 8),
            Qt::AlignLeft);

    auto* ok = new QPushButton(this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setProperty("controlId", kOkId);
    ok->setGeometry(dialogUnitRect(4, 52, 204, 104));
    // The picture is the button's face; without it the button stays blank.
    QPixmap picture = aboutPicture();
    if (!picture.isNull()) {
        ok->setIcon(QIcon(picture));
        ok->setIconSize(picture.size());
    }
    ok->setDefault(true);
    ok->setFocusPolicy(Qt::NoFocus);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    addText(this, "mouseUsage",
            QStringLiteral("按住中间或鼠标左键平移\n中间键+左键放大\n中间键+右侧的按钮可以缩小\n"
                           "鼠标右键弹出菜单\n按住Shift +左键单击点自动曝光"),
            dialogUnitRect(216, 16, 192, 44), Qt::AlignLeft);
    addText(this, "keyUsage",
            QStringLiteral("点击+（加）键，以增加曝光\n- （减号）键，以减少曝光\nH水平翻转图像\n"
                           "V垂直翻转图像\nR影像旋转90度\nS保存HDR格式的图像"),
            dialogUnitRect(216, 68, 192, 48), Qt::AlignLeft);

    auto* help = new QPushButton(QStringLiteral("帮助"), this);
    help->setObjectName(QStringLiteral("help"));
    help->setProperty("controlId", kHelpId);
    help->setGeometry(dialogUnitRect(251, 133, 128, 20));
    help->setAutoDefault(false);
    connect(help, &QPushButton::clicked, this, [] {
        std::string file = helpFile();
        openAddress(helpAddress(), [file] { showReadmeWindow(file); });
    });
}

void showAboutDialog(QWidget* owner) {
    AboutDialog dialog(owner);
    dialog.exec();
}

std::string firstExistingFile(const std::vector<std::string>& candidates) {
    for (const std::string& candidate : candidates) {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(candidate, ignored)) return candidate;
    }
    return candidates.empty() ? std::string() : candidates.back();
}

std::string helpFile() {
    return firstExistingFile({PELLUMIR_INSTALLED_README, PELLUMIR_SOURCE_README});
}

std::string helpAddress() {
    return QUrl::fromLocalFile(QString::fromStdString(helpFile())).toString().toStdString();
}

}  // namespace pellumir
