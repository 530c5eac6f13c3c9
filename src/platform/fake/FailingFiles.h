#pragma once

#include "platform/linux/PosixFiles.h"

#include <string>
#include <vector>

namespace hl {

// The machine's files, with one step made to fail on demand: a full disk during a write
// (half the bytes go out, then ENOSPC), a flush or close that reports an I/O error, a
// rename or a create that is refused. Records the steps it was asked for.
class FailingFiles : public PosixFiles {
public:
    enum class Step { None, MakeFolders, OpenFolder, CreateNew, Write, Sync, Close, Rename };

    Step failAt = Step::None;
    std::vector<std::string> calls;

    bool MakeFolders(const std::string& path, mode_t mode) override;
    UniqueFd OpenFolder(const std::string& path) override;
    UniqueFd CreateNew(int folder, const std::string& name) override;
    ssize_t Write(int fd, const char* data, size_t size) override;
    bool Sync(int fd) override;
    bool Close(UniqueFd fd) override;
    bool Rename(int folder, const std::string& from, const std::string& to) override;
    bool Remove(int folder, const std::string& name) override;

private:
    bool Fails(Step step, int error);
};

} // namespace hl
