#pragma once

#include "platform/Files.h"

#include <string>
#include <string_view>

namespace hl {

enum class ReplaceResult {
    Replaced,   // the file now holds the new bytes
    NotCreated, // nothing could be created in the folder; nothing was changed
    WriteFailed // writing failed after the create; the previous file is unchanged
};

// Replaces one file whole or not at all: the bytes go to a new temporary file in the same
// folder, which is flushed and then renamed over the file. Whoever opens the file sees
// either the previous or the complete new content, and a symlink at the file's name is
// replaced by the new file instead of being followed.
class FileReplacer {
public:
    explicit FileReplacer(IFiles& files) : m_files(files) {}

    ReplaceResult Replace(const std::string& folder, const std::string& name,
                          std::string_view bytes);

private:
    // A fresh temporary file in the folder and its name; invalid when none can be created.
    UniqueFd CreateTemporary(int folder, const std::string& name, std::string& tempName);
    bool WriteAll(int fd, std::string_view bytes);

    IFiles& m_files;
};

} // namespace hl
