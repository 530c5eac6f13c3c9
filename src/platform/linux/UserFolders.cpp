#include "platform/linux/UserFolders.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace hl {
namespace {

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// The folder above `path` ("/" above "/x" and above "/"); empty for a relative path without one.
std::string Parent(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool OwnedByAnother(const struct stat& info) {
    return info.st_uid != ::geteuid();
}

// Says once per kind of file that another user's folder is left alone.
void TellOnce(const char* what, const std::string& chosen, const std::string& instead) {
    static std::mutex mutex;
    static std::set<std::string> told;
    std::lock_guard lock(mutex);
    if (!told.insert(what).second) {
        return;
    }
    std::fprintf(stderr, "harborlight: %s belongs to another user; keeping the %s in %s instead\n",
                 chosen.c_str(), what, instead.empty() ? "no folder" : instead.c_str());
}

} // namespace

std::string OwnHomeFolder() {
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return WithoutTrailingSlashes(found->pw_dir);
    }
    return {};
}

bool InForeignFolder(const std::string& folder) {
    std::string path = WithoutTrailingSlashes(folder);
    struct stat info {};
    // The folder, or the nearest existing one above it, where the missing ones would be made.
    while (::lstat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            return true;
        }
        path = Parent(path);
        if (path.empty()) {
            return true;
        }
    }
    if (OwnedByAnother(info)) {
        return true;
    }
    // Whoever owns the folder above may swap this one for anything they like.
    const std::string above = Parent(path);
    if (above.empty() || above == path) {
        return false;
    }
    return ::lstat(above.c_str(), &info) != 0 || OwnedByAnother(info);
}

std::string OwnUserFolder(const std::string& chosen, const std::string& ownHome,
                          const char* homeRelative, const char* appName, const char* what) {
    if (::geteuid() != 0 || chosen.empty() || !InForeignFolder(chosen)) {
        return chosen;
    }
    const std::string instead =
        ownHome.empty() ? std::string()
                        : WithoutTrailingSlashes(ownHome) + "/" + homeRelative + "/" + appName;
    TellOnce(what, chosen, instead);
    return instead;
}

UniqueFd OpenOwnFolder(const std::string& folder) {
    // A trailing '/' would make lstat and O_NOFOLLOW look through a link.
    const std::string path = WithoutTrailingSlashes(folder);
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0) {
        return UniqueFd();
    }
    if (!S_ISLNK(link.st_mode)) {
        UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd && errno == ELOOP) {
            errno = EACCES; // it became a link since: not followed
        }
        return fd;
    }
    if (OwnedByAnother(link)) {
        errno = EACCES;
        return UniqueFd();
    }
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat target {};
    if (fd && (::fstat(fd.Get(), &target) != 0 || OwnedByAnother(target))) {
        errno = EACCES;
        return UniqueFd();
    }
    return fd;
}

unsigned ReplacementFileMode(bool hadFile, unsigned oldMode) {
    return hadFile ? (oldMode & 0666u) : 0600u;
}

} // namespace hl
