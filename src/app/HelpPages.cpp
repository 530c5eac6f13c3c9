#include "app/HelpPages.h"

#include <filesystem>
#include <system_error>

namespace hl {

namespace fs = std::filesystem;

std::string FindHelpIndex(const std::string& programDir) {
    if (programDir.empty()) {
        return {};
    }
    const fs::path dir(programDir);
    for (const fs::path& candidate :
         {dir / "harborlight-help" / "index.html",
          dir / ".." / "share" / "harborlight" / "help" / "index.html"}) {
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) {
            return candidate.lexically_normal().string();
        }
    }
    return {};
}

} // namespace hl
