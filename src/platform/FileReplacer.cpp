#include "platform/FileReplacer.h"

#include <cerrno>
#include <random>

namespace hl {
namespace {

// Tries for a free temporary name before the folder counts as unusable.
constexpr int kTemporaryNameTries = 16;

} // namespace

ReplaceResult FileReplacer::Replace(const std::string& folder, const std::string& name,
                                    std::string_view bytes) {
    UniqueFd dir = m_files.OpenFolder(folder);
    if (!dir) {
        return ReplaceResult::NotCreated;
    }
    std::string tempName;
    UniqueFd file = CreateTemporary(dir.Get(), name, tempName);
    if (!file) {
        return ReplaceResult::NotCreated;
    }
    const bool written = WriteAll(file.Get(), bytes) && m_files.Sync(file.Get()) &&
                         m_files.Close(std::move(file)) &&
                         m_files.Rename(dir.Get(), tempName, name);
    if (!written) {
        file.Reset();
        m_files.Remove(dir.Get(), tempName);
        return ReplaceResult::WriteFailed;
    }
    // Makes the rename itself durable where the file system can; the new file is complete
    // either way.
    m_files.Sync(dir.Get());
    return ReplaceResult::Replaced;
}

UniqueFd FileReplacer::CreateTemporary(int folder, const std::string& name, std::string& tempName) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<size_t> letter(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        tempName = "." + name + ".";
        for (int i = 0; i < 8; ++i) {
            tempName.push_back(kLetters[letter(random)]);
        }
        UniqueFd fd = m_files.CreateNew(folder, tempName);
        if (fd || errno != EEXIST) {
            return fd;
        }
    }
    return UniqueFd();
}

bool FileReplacer::WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = m_files.Write(fd, bytes.data(), bytes.size());
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

} // namespace hl
