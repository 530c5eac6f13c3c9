#pragma once

#include "platform/UniqueFd.h"

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace hl {

// The file-system calls that replacing a file whole is made of, one per step, so that a test
// can make any one of them fail. Names are relative to a folder opened with OpenFolder. A
// failed call leaves errno set.
class IFiles {
public:
    virtual ~IFiles() = default;

    // Creates the folder and every missing folder above it with `mode`; true when it exists
    // afterwards.
    virtual bool MakeFolders(const std::string& path, mode_t mode) = 0;
    // The folder for the calls below; invalid when it cannot be opened. A symlink at `path` is
    // followed only when the link and its folder both belong to the effective user.
    virtual UniqueFd OpenFolder(const std::string& path) = 0;
    // Creates a new regular file `name` in the folder, write-only, failing when anything of
    // that name exists (a symlink included). Permissions: 0666 less the umask.
    virtual UniqueFd CreateNew(int folder, const std::string& name) = 0;
    // Like write(2): the number of bytes written, or -1.
    virtual ssize_t Write(int fd, const char* data, size_t size) = 0;
    virtual bool Sync(int fd) = 0;
    virtual bool Close(UniqueFd fd) = 0;
    // Gives `from` the name `to` in the same folder, replacing whatever had that name; a
    // symlink named `to` is replaced itself, never followed.
    virtual bool Rename(int folder, const std::string& from, const std::string& to) = 0;
    virtual bool Remove(int folder, const std::string& name) = 0;
};

} // namespace hl
