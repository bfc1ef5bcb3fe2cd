#pragma once

#include <QString>
#include <string>

namespace pellumir {

// A caption as Qt's setWindowTitle must be given it to show it unchanged:
// Qt takes "[*]" for its modified-document mark and removes it, so each one
// in the text is doubled, which Qt shows as one.
QString windowTitleText(const std::string& caption);

}  // namespace pellumir
