#include "resources/Menus.h"

#include "resources/ResourceIds.h"

#include <array>

namespace hl {
namespace {

constexpr std::array kFileItems{
    MenuItem{ID_FILE_EXPORT, "Export to File"},
    kMenuSeparator,
    MenuItem{ID_FILE_EXIT, "Exit"},
};
constexpr std::array kActionItems{
    MenuItem{ID_ACTION_REFRESH_NOW, "Refresh Now"},
    kMenuSeparator,
    MenuItem{ID_ACTION_CLOSE_CONNECTION, "Close Connection"},
    kMenuSeparator,
    MenuItem{ID_ACTION_START_MONITORING, "Start Monitoring"},
    MenuItem{ID_ACTION_STOP_MONITORING, "Stop Monitoring"},
};
constexpr std::array kToolsItems{
    MenuItem{ID_TOOLS_SETTINGS, "&Settings..."},
};
constexpr std::array kHelpItems{
    MenuItem{ID_HELP_CONTENTS, "Contents"},
    MenuItem{ID_HELP_ABOUT, "About..."},
};
constexpr std::array kMainPopups{
    MenuPopup{"File", kFileItems},
    MenuPopup{"Action", kActionItems},
    MenuPopup{"&Tools", kToolsItems},
    MenuPopup{"Help", kHelpItems},
};

constexpr std::array kTrayItems{
    MenuItem{ID_TRAY_REFRESH, "Refresh"},
    MenuItem{ID_TRAY_SHOW, "Show"},
    kMenuSeparator,
    MenuItem{ID_TRAY_EXIT, "Exit"},
};
constexpr std::array kTrayPopups{MenuPopup{"my tray", kTrayItems}};

constexpr std::array kListItems{
    MenuItem{ID_POPUP_REFRESH_LIST, "Refresh List"},
    kMenuSeparator,
    MenuItem{ID_POPUP_CLOSE_CONNECTION, "Close Connection"},
};
constexpr std::array kListPopups{MenuPopup{"Popup", kListItems}};

constexpr std::array kMenus{
    MenuResource{IDR_MAIN_MENU, kMainPopups},
    MenuResource{IDR_TRAY_MENU, kTrayPopups},
    MenuResource{IDR_LIST_POPUP, kListPopups},
};

} // namespace

const MenuResource* FindMenu(int id) {
    for (const MenuResource& menu : kMenus) {
        if (menu.id == id) {
            return &menu;
        }
    }
    return nullptr;
}

} // namespace hl
