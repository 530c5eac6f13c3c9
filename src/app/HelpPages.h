#pragma once

#include <string>

namespace hl {

// The index page of the help for a program in `programDir`: harborlight-help/index.html
// beside it (the build tree), else ../share/harborlight/help/index.html (an installed
// program, wherever its prefix is); empty when neither exists.
std::string FindHelpIndex(const std::string& programDir);

} // namespace hl
