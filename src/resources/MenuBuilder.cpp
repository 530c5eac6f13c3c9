#include "resources/MenuBuilder.h"

#include <QAction>

namespace hl {
namespace {

void AddItems(QMenu& menu, const MenuPopup& popup) {
    for (const MenuItem& item : popup.items) {
        if (item.IsSeparator()) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromUtf8(item.text));
        action->setData(item.id);
    }
}

} // namespace

std::unique_ptr<QMenu> BuildPopupMenu(const MenuPopup& popup, QWidget* parent) {
    auto menu = std::make_unique<QMenu>(QString::fromUtf8(popup.text), parent);
    AddItems(*menu, popup);
    return menu;
}

bool FillMenuBar(QMenuBar& bar, int menuId) {
    const MenuResource* resource = FindMenu(menuId);
    if (resource == nullptr) {
        return false;
    }
    for (const MenuPopup& popup : resource->popups) {
        // The bar takes ownership of the popups it is given as children.
        QMenu* menu = bar.addMenu(QString::fromUtf8(popup.text));
        AddItems(*menu, popup);
    }
    return true;
}

int CommandIdOf(const QAction* action) {
    if (action == nullptr || action->isSeparator()) {
        return 0;
    }
    bool ok = false;
    const int id = action->data().toInt(&ok);
    return ok ? id : 0;
}

} // namespace hl
