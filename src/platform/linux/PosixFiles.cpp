#include "platform/linux/PosixFiles.h"

#include "platform/linux/UserFolders.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hl {
namespace {

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

bool PosixFiles::MakeFolders(const std::string& path, mode_t mode) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    // Every prefix that ends before a '/', then the whole path.
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), mode) != 0 && errno != EEXIST) {
            return false;
        }
    }
    if (::mkdir(path.c_str(), mode) != 0 && errno != EEXIST) {
        return false;
    }
    if (!IsFolder(path)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

UniqueFd PosixFiles::OpenFolder(const std::string& path) {
    return OpenOwnFolder(path);
}

UniqueFd PosixFiles::CreateNew(int folder, const std::string& name) {
    return UniqueFd(
        ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
}

ssize_t PosixFiles::Write(int fd, const char* data, size_t size) {
    ssize_t written = 0;
    do {
        written = ::write(fd, data, size);
    } while (written < 0 && errno == EINTR);
    return written;
}

bool PosixFiles::Sync(int fd) {
    return ::fsync(fd) == 0;
}

bool PosixFiles::Close(UniqueFd fd) {
    return ::close(fd.Release()) == 0;
}

bool PosixFiles::Rename(int folder, const std::string& from, const std::string& to) {
    return ::renameat(folder, from.c_str(), folder, to.c_str()) == 0;
}

bool PosixFiles::Remove(int folder, const std::string& name) {
    return ::unlinkat(folder, name.c_str(), 0) == 0;
}

} // namespace hl
