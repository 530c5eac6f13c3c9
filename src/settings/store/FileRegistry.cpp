#include "settings/store/FileRegistry.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace hl {

namespace {

bool IsAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

// The home folder from $HOME, else from the password database.
std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (IsAbsolute(home)) {
        return home;
    }
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && IsAbsolute(found->pw_dir)) {
        return found->pw_dir;
    }
    return {};
}

} // namespace

FileRegistry::FileRegistry() : FileRegistry(DefaultFolder()) {}

FileRegistry::FileRegistry(std::string folder) : m_store(std::move(folder)) {}

std::string FileRegistry::DefaultFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (IsAbsolute(config)) {
        return std::string(config) + "/harborlight";
    }
    std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.config/harborlight";
}

uint32_t FileRegistry::Read(RegDocument& document) {
    return m_store.Load(document);
}

uint32_t FileRegistry::Update(const Change& change) {
    return m_store.Update(change);
}

} // namespace hl
