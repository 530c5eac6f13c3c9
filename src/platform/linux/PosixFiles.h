#pragma once

#include "platform/Files.h"

namespace hl {

// The files of the machine, through the POSIX calls.
class PosixFiles : public IFiles {
public:
    bool MakeFolders(const std::string& path, mode_t mode) override;
    UniqueFd OpenFolder(const std::string& path) override;
    UniqueFd CreateNew(int folder, const std::string& name) override;
    ssize_t Write(int fd, const char* data, size_t size) override;
    bool Sync(int fd) override;
    bool Close(UniqueFd fd) override;
    bool Rename(int folder, const std::string& from, const std::string& to) override;
    bool Remove(int folder, const std::string& name) override;
};

} // namespace hl
