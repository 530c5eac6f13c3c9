#include "app/AppProfile.h"

#include "app/IniText.h"
#include "app/LayoutRecord.h"
#include "platform/UniqueFd.h"
#include "platform/linux/PosixFiles.h"
#include "platform/linux/UserFolders.h"
#include "settings/store/RegFileStore.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hl {
namespace {

// A profile larger than this is not one this program wrote: it is neither read nor replaced.
constexpr size_t kMaxProfileSize = 4u << 20;

struct ProfileFile {
    bool exists = false;
    unsigned mode = 0;
    std::string text;
};

// Reads `name` in `dir` (or a path, with AT_FDCWD). Only a regular file is read: the open does
// not wait for a FIFO's writer. A missing file is an empty one.
bool ReadProfile(int dir, const std::string& name, ProfileFile& file) {
    file = ProfileFile();
    UniqueFd fd(::openat(dir, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        return errno == ENOENT;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<uint64_t>(info.st_size) > kMaxProfileSize) {
        return false;
    }
    file.exists = true;
    file.mode = info.st_mode & 07777;
    char buffer[16384];
    while (true) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 || file.text.size() + static_cast<size_t>(n) > kMaxProfileSize) {
            return false;
        }
        if (n == 0) {
            return true;
        }
        file.text.append(buffer, static_cast<size_t>(n));
    }
}

bool WriteAll(PosixFiles& files, int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = files.Write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

CAppProfile::CAppProfile(std::string path) : m_path(std::move(path)) {}

std::string CAppProfile::DefaultPath() {
    // Beside the settings file, under the same rules for whose folder it may be.
    const std::string folder = RegFileStore::DefaultFolder();
    return folder.empty() ? std::string() : folder + "/harborlight.ini";
}

std::optional<std::string> CAppProfile::GetString(const std::string& section,
                                                  const std::string& entry) const {
    ProfileFile file;
    if (m_path.empty() || !ReadProfile(AT_FDCWD, m_path, file) || !file.exists) {
        return std::nullopt;
    }
    return IniText::Get(file.text, section, entry);
}

bool CAppProfile::WriteString(const std::string& section, const std::string& entry,
                              const std::string& value) {
    const size_t slash = m_path.rfind('/');
    if (slash == std::string::npos || slash + 1 == m_path.size()) {
        return false;
    }
    const std::string folder = slash == 0 ? std::string("/") : m_path.substr(0, slash);
    const std::string name = m_path.substr(slash + 1);
    PosixFiles files;
    if (!files.MakeFolders(folder, 0700)) {
        return false;
    }
    // Every step below works in this one folder, never through another user's link.
    const UniqueFd dir = files.OpenFolder(folder);
    if (!dir) {
        return false;
    }
    // Two programs saving at once each keep the other's entries.
    const std::string lockName = name + ".lock";
    const UniqueFd lock(::openat(dir.Get(), lockName.c_str(),
                                 O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
    if (!lock) {
        return false;
    }
    while (::flock(lock.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    ProfileFile file;
    if (!ReadProfile(dir.Get(), name, file)) {
        return false; // a FIFO, a folder or a file too large to be ours stays as it is
    }
    const std::string text = IniText::Set(file.text, section, entry, value);
    if (file.exists && text == file.text) {
        return true;
    }
    // A temporary file renamed over the profile: it is at every moment the old or the new one.
    const std::string temp = name + ".tmp";
    if (!files.Remove(dir.Get(), temp) && errno != ENOENT) {
        return false; // only lock holders write it, so one found here is a killed writer's
    }
    UniqueFd out = files.CreateNew(dir.Get(), temp);
    if (!out) {
        return false;
    }
    const bool written = ::fchmod(out.Get(), ReplacementFileMode(file.exists, file.mode)) == 0 &&
                         WriteAll(files, out.Get(), text) && files.Sync(out.Get()) &&
                         files.Close(std::move(out)) && files.Rename(dir.Get(), temp, name);
    if (!written) {
        files.Remove(dir.Get(), temp);
        return false;
    }
    files.Sync(dir.Get());
    return true;
}

std::optional<std::vector<uint8_t>> CAppProfile::GetBinary(const std::string& section,
                                                           const std::string& entry) const {
    const std::optional<std::string> text = GetString(section, entry);
    if (!text.has_value() || text->empty()) {
        return std::nullopt;
    }
    return FromLetters(*text);
}

bool CAppProfile::WriteBinary(const std::string& section, const std::string& entry,
                              const std::vector<uint8_t>& bytes) {
    return WriteString(section, entry, ToLetters(bytes));
}

} // namespace hl
