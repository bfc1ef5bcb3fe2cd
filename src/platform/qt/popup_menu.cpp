#include "platform/qt/popup_menu.h"

#include <QAction>
#include <QMenu>

namespace pellumir {

int runPopupMenu(QWidget* owner, const std::vector<MenuItem>& items, QPoint globalPoint) {
    QMenu menu(owner);
    for (const MenuItem& item : items) {
        if (item.command == 0) {
            menu.addSeparator();
        } else {
            menu.addAction(QString::fromStdString(item.text))->setData(item.command);
        }
    }
    QAction* chosen = menu.exec(globalPoint);
    return chosen ? chosen->data().toInt() : 0;
}

}  // namespace pellumir
