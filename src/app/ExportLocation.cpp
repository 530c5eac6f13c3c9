#include "app/ExportLocation.h"

#include "platform/linux/UserFolders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace hl {
namespace {

// The target of /proc/self/exe, however long; empty when it cannot be read.
std::string ExecutablePath() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

// $HOME, or the home folder of the user database when it is not set.
const char* HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return home;
    }
    const passwd* entry = ::getpwuid(::geteuid());
    return entry != nullptr ? entry->pw_dir : nullptr;
}

} // namespace

ExportLocation ExportLocation::ForThisProcess() {
    const std::string executableFolder = FolderOf(ExecutablePath());
    std::string dataFolder = DataFolderFor(std::getenv("XDG_DATA_HOME"), HomeFolder());
    if (!dataFolder.empty()) {
        dataFolder.pop_back(); // the '/' that ends it
        dataFolder =
            OwnUserFolder(dataFolder, OwnHomeFolder(), ".local/share", "harborlight", "export");
        if (!dataFolder.empty()) {
            dataFolder.push_back('/');
        }
    }
    const bool ownExecutableFolder =
        ::geteuid() != 0 || executableFolder.empty() || !InForeignFolder(executableFolder);
    return ExportLocation(executableFolder, dataFolder, ownExecutableFolder);
}

std::string ExportLocation::FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExportLocation::DataFolderFor(const char* xdgDataHome, const char* home) {
    std::string base;
    // Relative values are to be ignored, as for every XDG base folder.
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/') {
        base = xdgDataHome;
    } else if (home != nullptr && home[0] == '/') {
        base = std::string(home) + "/.local/share";
    } else {
        return {};
    }
    while (base.size() > 1 && base.back() == '/') {
        base.pop_back();
    }
    return base + (base == "/" ? "" : "/") + "harborlight/";
}

} // namespace hl
