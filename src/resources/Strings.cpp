#include "resources/Strings.h"

#include "resources/ResourceIds.h"

#include <array>
#include <utility>

namespace hl {
namespace {

constexpr std::array<std::pair<int, const char*>, 5> kStrings{{
    {ID_ACTION_REFRESH_NOW, "Refresh\nRefresh"},
    {ID_FILE_EXPORT, "Export\nExport"},
    {ID_ACTION_CLOSE_CONNECTION, "Terminate\nTerminate"},
    {ID_TOOLS_SETTINGS, "Program Settings\nSettings"},
    {ID_HELP_ABOUT, "About this software\n   About   "},
}};

} // namespace

const char* FindString(int id) {
    for (const auto& [stringId, text] : kStrings) {
        if (stringId == id) {
            return text;
        }
    }
    return nullptr;
}

} // namespace hl
