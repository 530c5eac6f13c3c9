#include "resources/Toolbars.h"

#include "resources/ResourceIds.h"

#include <array>

namespace hl {
namespace {

constexpr std::array kMainToolbarItems{
    ID_ACTION_REFRESH_NOW,
    ID_SEPARATOR,
    ID_FILE_EXPORT,
    ID_SEPARATOR,
    ID_ACTION_CLOSE_CONNECTION,
    ID_SEPARATOR,
    ID_TOOLS_SETTINGS,
    ID_SEPARATOR,
    ID_HELP_ABOUT,
};

constexpr std::array kToolbars{
    ToolbarResource{IDR_TOOLBAR, 24, 24, kMainToolbarItems},
};

} // namespace

const ToolbarResource* FindToolbar(int id) {
    for (const ToolbarResource& toolbar : kToolbars) {
        if (toolbar.id == id) {
            return &toolbar;
        }
    }
    return nullptr;
}

} // namespace hl
