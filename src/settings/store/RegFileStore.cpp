#include "settings/store/RegFileStore.h"

#include "platform/ErrorCodes.h"
#include "platform/UniqueFd.h"
#include "settings/store/RegFileFormat.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace hl {

namespace {

constexpr unsigned kNewFileMode = 0600;
constexpr unsigned kFolderMode = 0700;
constexpr int kMaxDamagedCopies = 1000;

uint32_t LastError() {
    return ErrorFromErrno(errno);
}

// What the folder holds under the file's name.
struct FileState {
    bool exists = false;
    bool damaged = false;
    unsigned mode = kNewFileMode;
    std::string text;
};

uint32_t ReadFile(const std::string& path, FileState& state) {
    state = FileState();
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return errno == ENOENT ? kErrorSuccess : LastError();
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        return LastError();
    }
    if (!S_ISREG(info.st_mode)) {
        return kErrorAccessDenied;
    }
    state.exists = true;
    state.mode = info.st_mode & 07777;
    if (static_cast<uint64_t>(info.st_size) > RegFileStore::kMaxFileSize) {
        state.damaged = true;
        return kErrorSuccess;
    }
    char buffer[65536];
    while (true) {
        ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return LastError();
        }
        if (n == 0) {
            break;
        }
        if (state.text.size() + static_cast<size_t>(n) > RegFileStore::kMaxFileSize) {
            state.text.clear();
            state.damaged = true;
            return kErrorSuccess;
        }
        state.text.append(buffer, static_cast<size_t>(n));
    }
    return kErrorSuccess;
}

// The document the file holds; an empty one when it is missing or cannot be parsed.
void ParseState(FileState& state, RegDocument& document) {
    if (!state.exists || state.damaged || !ParseRegFile(state.text, document)) {
        document = RegDocument();
        state.damaged = state.exists;
    }
}

// mkdir -p: creates every missing folder of `path`.
uint32_t MakeFolders(const std::string& path) {
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/') {
            continue;
        }
        std::string prefix = path.substr(0, pos);
        if (::mkdir(prefix.c_str(), kFolderMode) != 0 && errno != EEXIST) {
            return LastError();
        }
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return LastError();
    }
    return S_ISDIR(info.st_mode) ? kErrorSuccess : kErrorAccessDenied;
}

uint32_t WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return LastError();
        }
        done += static_cast<size_t>(n);
    }
    return kErrorSuccess;
}

// Creates `path` (which must not exist) with `text` and `mode`, and flushes it to the disk.
uint32_t WriteSynced(const std::string& path, const std::string& text, unsigned mode) {
    UniqueFd fd(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, kNewFileMode));
    if (!fd || ::fchmod(fd.Get(), mode) != 0) {
        return LastError();
    }
    uint32_t result = WriteAll(fd.Get(), text);
    if (result != kErrorSuccess) {
        return result;
    }
    if (::fsync(fd.Get()) != 0 || ::close(fd.Release()) != 0) {
        return LastError();
    }
    return kErrorSuccess;
}

bool IsAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

// The home folder from $HOME, else from the password database.
std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (IsAbsolute(home)) {
        return home;
    }
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && IsAbsolute(found->pw_dir)) {
        return found->pw_dir;
    }
    return {};
}

uint32_t LockExclusive(int fd) {
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            return LastError();
        }
    }
    return kErrorSuccess;
}

} // namespace

RegFileStore::RegFileStore() : RegFileStore(DefaultFolder()) {}

RegFileStore::RegFileStore(std::string folder) : m_folder(std::move(folder)) {
    while (m_folder.size() > 1 && m_folder.back() == '/') {
        m_folder.pop_back();
    }
}

std::string RegFileStore::DefaultFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (IsAbsolute(config)) {
        return std::string(config) + "/harborlight";
    }
    std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.config/harborlight";
}

std::string RegFileStore::FilePath() const {
    return Path("");
}

std::string RegFileStore::Path(const std::string& suffix) const {
    return m_folder + "/" + kFileName + suffix;
}

uint32_t RegFileStore::Load(RegDocument& document, bool* damaged) const {
    document = RegDocument();
    if (m_folder.empty()) {
        return kErrorFileNotFound;
    }
    FileState state;
    uint32_t result = ReadFile(FilePath(), state);
    if (result == kErrorSuccess) {
        ParseState(state, document);
    }
    if (damaged != nullptr) {
        *damaged = state.damaged;
    }
    return result;
}

uint32_t RegFileStore::Read(RegDocument& document) {
    return Load(document);
}

uint32_t RegFileStore::Update(const Change& change) {
    if (m_folder.empty()) {
        return kErrorFileNotFound;
    }
    uint32_t result = MakeFolders(m_folder);
    if (result != kErrorSuccess) {
        return result;
    }
    UniqueFd lock(
        ::open(Path(".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kNewFileMode));
    if (!lock) {
        return LastError();
    }
    result = LockExclusive(lock.Get());
    if (result != kErrorSuccess) {
        return result;
    }

    FileState state;
    RegDocument document;
    result = ReadFile(FilePath(), state);
    if (result != kErrorSuccess) {
        return result;
    }
    ParseState(state, document);
    bool changed = false;
    result = change(document, changed);
    if (result != kErrorSuccess || !changed) {
        return result;
    }
    std::string text = WriteRegFile(document);
    if (text.size() > kMaxFileSize) {
        return kErrorNotEnoughMemory;
    }
    if (state.damaged) {
        result = MoveDamagedAside();
        if (result != kErrorSuccess) {
            return result;
        }
    }
    return Replace(text, state.mode);
}

// Gives the damaged file a second name that no other file has; the rename in Replace then
// takes the main name away from it, so its bytes stay under the new name only.
uint32_t RegFileStore::MoveDamagedAside() const {
    std::string file = FilePath();
    for (int i = 1; i <= kMaxDamagedCopies; ++i) {
        std::string target = i == 1 ? Path(".damaged") : Path("." + std::to_string(i) + ".damaged");
        if (::link(file.c_str(), target.c_str()) == 0) {
            return kErrorSuccess;
        }
        if (errno == EEXIST) {
            continue;
        }
        // A file system without hard links: move the file itself, never over another one.
        if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
            return kErrorSuccess;
        }
        if (errno != EEXIST) {
            return LastError();
        }
    }
    return kErrorAccessDenied;
}

// Writes `text` to the temporary file, flushes it to the disk and renames it over the file,
// so that the file is at every moment either the old or the new one.
uint32_t RegFileStore::Replace(const std::string& text, unsigned mode) const {
    std::string temp = Path(".tmp");
    // A leftover of a writer that was killed: only lock holders write it, so it is stale.
    if (::unlink(temp.c_str()) != 0 && errno != ENOENT) {
        return LastError();
    }
    uint32_t result = WriteSynced(temp, text, mode);
    if (result == kErrorSuccess && ::rename(temp.c_str(), FilePath().c_str()) != 0) {
        result = LastError();
    }
    if (result != kErrorSuccess) {
        ::unlink(temp.c_str());
        return result;
    }
    // Makes the rename itself durable; a file system that cannot sync a folder still has the
    // complete new file.
    UniqueFd folder(::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) {
        ::fsync(folder.Get());
    }
    return kErrorSuccess;
}

} // namespace hl
