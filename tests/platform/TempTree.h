#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace hl::test {

// A directory tree in the temp folder that the test writes and that is removed with it.
class TempTree {
public:
    TempTree() {
        std::string pattern = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                              "/hl-platform-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            m_root = pattern;
        }
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;
    ~TempTree() {
        if (!m_root.empty()) {
            ::nftw(m_root.c_str(), &RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
        }
    }

    const std::string& Root() const { return m_root; }
    std::string Path(const std::string& rel) const { return m_root + "/" + rel; }

    // Creates the directory and every missing parent.
    bool Dir(const std::string& rel) const {
        std::string path = m_root;
        size_t start = 0;
        while (start <= rel.size()) {
            const size_t slash = rel.find('/', start);
            path += "/" + rel.substr(start, slash - start);
            if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
                return false;
            }
            if (slash == std::string::npos) {
                break;
            }
            start = slash + 1;
        }
        return true;
    }
    // Writes a file (its directory is created first).
    bool File(const std::string& rel, const std::string& content) const {
        if (!MakeParent(rel)) {
            return false;
        }
        FILE* f = std::fopen(Path(rel).c_str(), "wb");
        if (f == nullptr) {
            return false;
        }
        const bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
        return std::fclose(f) == 0 && ok;
    }
    // Creates a symbolic link whose target is the given text.
    bool Link(const std::string& rel, const std::string& target) const {
        return MakeParent(rel) && ::symlink(target.c_str(), Path(rel).c_str()) == 0;
    }

private:
    bool MakeParent(const std::string& rel) const {
        const size_t slash = rel.rfind('/');
        return slash == std::string::npos || Dir(rel.substr(0, slash));
    }
    static int RemoveOne(const char* path, const struct stat*, int, struct FTW*) {
        ::remove(path);
        return 0;
    }

    std::string m_root;
};

} // namespace hl::test
