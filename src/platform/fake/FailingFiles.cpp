#include "platform/fake/FailingFiles.h"

#include <cerrno>

namespace hl {

bool FailingFiles::Fails(Step step, int error) {
    if (failAt != step) {
        return false;
    }
    errno = error;
    return true;
}

bool FailingFiles::MakeFolders(const std::string& path, mode_t mode) {
    calls.push_back("MakeFolders " + path);
    return !Fails(Step::MakeFolders, EACCES) && PosixFiles::MakeFolders(path, mode);
}

UniqueFd FailingFiles::OpenFolder(const std::string& path) {
    calls.push_back("OpenFolder " + path);
    return Fails(Step::OpenFolder, EACCES) ? UniqueFd() : PosixFiles::OpenFolder(path);
}

UniqueFd FailingFiles::CreateNew(int folder, const std::string& name) {
    calls.push_back("CreateNew");
    return Fails(Step::CreateNew, EACCES) ? UniqueFd() : PosixFiles::CreateNew(folder, name);
}

ssize_t FailingFiles::Write(int fd, const char* data, size_t size) {
    calls.push_back("Write");
    if (failAt == Step::Write) {
        // The first half goes out; the rest finds the disk full.
        if (size > 1) {
            PosixFiles::Write(fd, data, size / 2);
        }
        errno = ENOSPC;
        return -1;
    }
    return PosixFiles::Write(fd, data, size);
}

bool FailingFiles::Sync(int fd) {
    calls.push_back("Sync");
    return !Fails(Step::Sync, EIO) && PosixFiles::Sync(fd);
}

bool FailingFiles::Close(UniqueFd fd) {
    calls.push_back("Close");
    if (failAt == Step::Close) {
        PosixFiles::Close(std::move(fd));
        errno = EIO;
        return false;
    }
    return PosixFiles::Close(std::move(fd));
}

bool FailingFiles::Rename(int folder, const std::string& from, const std::string& to) {
    calls.push_back("Rename");
    return !Fails(Step::Rename, EACCES) && PosixFiles::Rename(folder, from, to);
}

bool FailingFiles::Remove(int folder, const std::string& name) {
    calls.push_back("Remove");
    return PosixFiles::Remove(folder, name);
}

} // namespace hl
