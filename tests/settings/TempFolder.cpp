#include "TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <linux/magic.h>
#include <sstream>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

namespace hl::test {

TempFolder::TempFolder() : TempFolder(std::string()) {}

TempFolder::TempFolder(const std::string& base) {
    std::filesystem::path folder =
        base.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(base);
    std::string pattern = (folder / "hl-settings-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) != nullptr) {
        m_path = buffer.data();
    }
}

TempFolder::~TempFolder() {
    if (!m_path.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) {
        m_old = old;
    }
    if (value != nullptr) {
        ::setenv(name, value, 1);
    } else {
        ::unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv() {
    if (m_old) {
        ::setenv(m_name, m_old->c_str(), 1);
    } else {
        ::unsetenv(m_name);
    }
}

std::string MemoryFolder() {
    struct statfs info {};
    if (::statfs("/dev/shm", &info) == 0 && info.f_type == TMPFS_MAGIC &&
        ::access("/dev/shm", W_OK) == 0) {
        return "/dev/shm";
    }
    return {};
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

} // namespace hl::test
