#pragma once

#include <QDialog>
#include <optional>

#include "picture/formats/raw_float.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace pellumir {

// Asks for what a raw float file does not say: width, height, colour or
// grey, byte order. Laid out in dialog units (180 x 89) so that the
// controls keep their places against its text. RGB is checked and the byte-order box clear at the start,
// both boxes empty.
class RawFloatDialog final : public QDialog {
  public:
    explicit RawFloatDialog(QWidget* owner = nullptr);

    // What OK made of the boxes; meaningful once OK has ended the dialog.
    const RawFloatLayout& layout() const { return layout_; }

    void accept() override;

  private:
    QLineEdit* width_;
    QLineEdit* height_;
    QRadioButton* rgb_;
    QRadioButton* grey_;
    QCheckBox* swap_;
    RawFloatLayout layout_;
};

// Runs the dialog without an owner: the layout, or nothing when cancelled.
std::optional<RawFloatLayout> runRawFloatDialog();

}  // namespace pellumir
