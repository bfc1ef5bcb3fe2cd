#pragma once

#include <QPoint>
#include <vector>

#include "display/window_host.h"

class QWidget;

namespace pellumir {

// Shows the items as a popup menu at the global point and waits until it
// closes: command 0 is a separator, a text's "\t" starts its right-aligned
// key hint and "&" marks its mnemonic, as in QMenu. Returns the chosen
// item's command, or 0 when the menu was dismissed.
int runPopupMenu(QWidget* owner, const std::vector<MenuItem>& items, QPoint globalPoint);

}  // namespace pellumir
