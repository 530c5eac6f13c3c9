#pragma once

#include "resources/Menus.h"

#include <QMenu>
#include <QMenuBar>
#include <memory>

namespace hl {

// Builds Qt menus from menu resources. Every command action carries its command id as its
// data (QAction::data().toInt()); separators are separator actions.
std::unique_ptr<QMenu> BuildPopupMenu(const MenuPopup& popup, QWidget* parent = nullptr);
// Fills a menu bar with the popups of a window menu; false for an unknown menu id.
bool FillMenuBar(QMenuBar& bar, int menuId);
// The command id an action carries, 0 for a separator or a foreign action.
int CommandIdOf(const QAction* action);

} // namespace hl
