#include "workers/ConsoleMessageBox.h"

#include "inventory/ProcessNames.h"

namespace hl {
namespace {

const char* IconName(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return "information";
    case MessageIcon::Exclamation:
        return "exclamation";
    }
    return "information";
}

} // namespace

bool ConsoleMessageBox::Show(const std::string& text, const std::string& title, MessageIcon icon) {
    if (m_stream == nullptr) {
        return false;
    }
    // One formatted write per box: lines of boxes from two threads never interleave.
    const std::string line = CProcessNames::MakeSafe(title) + " [" + IconName(icon) +
                             "]: " + CProcessNames::MakeSafe(text) + "\n";
    const bool written = std::fwrite(line.data(), 1, line.size(), m_stream) == line.size();
    return std::fflush(m_stream) == 0 && written;
}

} // namespace hl
