#include "app/qt/raw_float_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/raw_float_input.h"
#include "platform/qt/dialog_units.h"

namespace pellumir {

namespace {

constexpr int kFontPixels = 11;

template <typename Control>
Control* place(Control* control, const char* name, int id, QRect area) {
    control->setObjectName(QString::fromLatin1(name));
    if (id != 0) control->setProperty("controlId", id);
    control->setGeometry(area);
    return control;
}

}  // namespace

RawFloatDialog::RawFloatDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("输入宽度和高度"));
    QFont text = font();
    text.setPixelSize(kFontPixels);
    setFont(text);
    setFixedSize(dialogUnitSize(180, 89));

    // Made in the order Tab goes through them (set again below, so that a
    // control added out of order cannot change it).
    auto* ok = place(new QPushButton(QStringLiteral("确定"), this), "ok", 1,
                     dialogUnitRect(125, 4, 50, 14));
    auto* cancel = place(new QPushButton(QStringLiteral("取消"), this), "cancel", 2,
                         dialogUnitRect(125, 22, 50, 14));
    width_ = place(new QLineEdit(this), "width", 1009, dialogUnitRect(60, 6, 56, 16));
    height_ = place(new QLineEdit(this), "height", 1010, dialogUnitRect(60, 30, 56, 16));
    place(new QLabel(QStringLiteral("宽度"), this), "widthLabel", 0, dialogUnitRect(8, 6, 48, 12));
    place(new QLabel(QStringLiteral("高度"), this), "heightLabel", 0,
          dialogUnitRect(8, 30, 48, 12));
    rgb_ = place(new QRadioButton(QStringLiteral("RGB"), this), "rgb", 1011,
                 dialogUnitRect(8, 52, 76, 12));
    grey_ = place(new QRadioButton(QStringLiteral("单色"), this), "grey", 1012,
                  dialogUnitRect(8, 68, 76, 12));
    swap_ = place(new QCheckBox(QStringLiteral("反向字节顺序"), this), "swapBytes", 1013,
                  dialogUnitRect(92, 56, 84, 16));

    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    cancel->setAutoDefault(false);

    // The two radio buttons are one group of their own.
    auto* kinds = new QButtonGroup(this);
    kinds->addButton(rgb_);
    kinds->addButton(grey_);
    rgb_->setChecked(true);
    swap_->setChecked(false);

    setTabOrder(ok, cancel);
    setTabOrder(cancel, width_);
    setTabOrder(width_, height_);
    setTabOrder(height_, rgb_);
    setTabOrder(rgb_, grey_);
    setTabOrder(grey_, swap_);
}

void RawFloatDialog::accept() {
    layout_ = rawFloatLayoutFromDialog(width_->text().toStdString(), height_->text().toStdString(),
                                       rgb_->isChecked(), swap_->isChecked());
    QDialog::accept();
}

std::optional<RawFloatLayout> runRawFloatDialog() {
    RawFloatDialog dialog;
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.layout();
}

}  // namespace pellumir
