#include "settings/store/RegFileStore.h"

#include "platform/ErrorCodes.h"
#include "platform/UniqueFd.h"
#include "platform/linux/UserFolders.h"
#include "settings/store/RegFileFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace hl {

namespace {

constexpr unsigned kNewFileMode = 0600;
constexpr unsigned kFolderMode = 0700;
// Damaged files kept beside the settings file; older ones are removed.
constexpr size_t kKeptDamagedCopies = 10;
constexpr const char* kDamagedSuffix = ".damaged";

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

// Reads `name` in the folder `dir` (or a path, with AT_FDCWD). Anything but a regular file
// (a FIFO, a device, a folder, a link to one of them) is not read and fails with
// kErrorAccessDenied: the open does not wait for a FIFO's writer.
uint32_t ReadFile(int dir, const std::string& name, FileState& state) {
    state = FileState();
    UniqueFd fd(::openat(dir, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
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

// Whether the text read is to be parsed: a missing file reads as an empty document, one that
// could not be read whole (too large, say) as a damaged one.
bool Parseable(FileState& state) {
    if (!state.exists || state.damaged) {
        state.damaged = state.exists;
        return false;
    }
    return true;
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

// Creates `name` in `dir` (it must not exist) with `text` and `mode`, and flushes it to the
// disk.
uint32_t WriteSynced(int dir, const std::string& name, const std::string& text, unsigned mode) {
    UniqueFd fd(::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                         kNewFileMode));
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

// The number of a damaged copy's name: 1 for "settings.reg.damaged", n for
// "settings.reg.<n>.damaged"; 0 for any other name.
uint64_t DamagedNumber(std::string_view name) {
    const std::string_view base = RegFileStore::kFileName;
    if (name.size() < base.size() + std::string_view(kDamagedSuffix).size() ||
        !name.starts_with(base) || !name.ends_with(kDamagedSuffix)) {
        return 0;
    }
    name.remove_prefix(base.size());
    name.remove_suffix(std::string_view(kDamagedSuffix).size());
    if (name.empty()) {
        return 1;
    }
    if (name.size() < 2 || name.size() > 19 || name[0] != '.' || name[1] == '0') {
        return 0;
    }
    uint64_t number = 0;
    for (const char c : name.substr(1)) {
        if (c < '0' || c > '9') {
            return 0;
        }
        number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    return number >= 2 ? number : 0;
}

std::string DamagedName(uint64_t number) {
    return std::string(RegFileStore::kFileName) +
           (number == 1 ? std::string() : "." + std::to_string(number)) + kDamagedSuffix;
}

// The numbers of the damaged copies in the folder, ascending.
std::vector<uint64_t> DamagedNumbers(int dir) {
    std::vector<uint64_t> numbers;
    const int listed = ::dup(dir);
    DIR* entries = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (entries == nullptr) {
        if (listed >= 0) {
            ::close(listed);
        }
        return numbers;
    }
    ::rewinddir(entries);
    while (const dirent* entry = ::readdir(entries)) {
        if (const uint64_t number = DamagedNumber(entry->d_name)) {
            numbers.push_back(number);
        }
    }
    ::closedir(entries);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
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
    return DefaultFolderFor(std::getenv("XDG_CONFIG_HOME"), HomeFolder(), OwnHomeFolder());
}

std::string RegFileStore::DefaultFolderFor(const char* xdgConfigHome, const std::string& home,
                                           const std::string& ownHome) {
    std::string chosen;
    if (IsAbsolute(xdgConfigHome)) {
        chosen = std::string(xdgConfigHome) + "/harborlight";
    } else if (IsAbsolute(home.c_str())) {
        chosen = home + "/.config/harborlight";
    }
    return OwnUserFolder(chosen, ownHome, ".config", "harborlight", "settings");
}

std::string RegFileStore::FilePath() const {
    return Path("");
}

std::string RegFileStore::Path(const std::string& suffix) const {
    return m_folder + "/" + kFileName + suffix;
}

uint32_t RegFileStore::Load(RegDocument& document, bool* damaged) const {
    std::shared_ptr<const RegDocument> shared;
    const uint32_t result = Snapshot(shared, damaged);
    document = shared ? *shared : RegDocument();
    return result;
}

uint32_t RegFileStore::Snapshot(std::shared_ptr<const RegDocument>& document, bool* damaged) const {
    document.reset();
    if (damaged != nullptr) {
        *damaged = false;
    }
    if (m_folder.empty()) {
        return kErrorFileNotFound;
    }
    FileState state;
    const uint32_t result = ReadFile(AT_FDCWD, FilePath(), state);
    if (result != kErrorSuccess) {
        return result;
    }
    document = Parseable(state) ? Parsed(state.text, state.damaged)
                                : std::make_shared<const RegDocument>();
    if (damaged != nullptr) {
        *damaged = state.damaged;
    }
    return kErrorSuccess;
}

// The file is read whole every time; only a text that differs from the last one is parsed
// again, so a change by anyone is seen at once while an unchanged file is parsed only once.
std::shared_ptr<const RegDocument> RegFileStore::Parsed(std::string& text, bool& damaged) const {
    std::lock_guard lock(m_parsed->mutex);
    if (!m_parsed->document || m_parsed->text != text) {
        auto document = std::make_shared<RegDocument>();
        m_parsed->damaged = !ParseRegFile(text, *document);
        if (m_parsed->damaged) {
            *document = RegDocument();
        }
        m_parsed->document = std::move(document);
        m_parsed->text = std::move(text);
    }
    damaged = m_parsed->damaged;
    return m_parsed->document;
}

uint32_t RegFileStore::Read(std::shared_ptr<const RegDocument>& document) {
    return Snapshot(document);
}

uint32_t RegFileStore::Update(const Change& change) {
    if (m_folder.empty()) {
        return kErrorFileNotFound;
    }
    uint32_t result = MakeFolders(m_folder);
    if (result != kErrorSuccess) {
        return result;
    }
    // Every step below works in this one folder, never through a link of another user.
    const UniqueFd dir = OpenOwnFolder(m_folder);
    if (!dir) {
        return LastError();
    }
    const std::string lockName = std::string(kFileName) + ".lock";
    UniqueFd lock(::openat(dir.Get(), lockName.c_str(),
                           O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, kNewFileMode));
    if (!lock) {
        return LastError();
    }
    result = LockExclusive(lock.Get());
    if (result != kErrorSuccess) {
        return result;
    }

    FileState state;
    result = ReadFile(dir.Get(), kFileName, state);
    if (result != kErrorSuccess) {
        return result; // a FIFO or the like stays where it is, untouched
    }
    RegDocument document;
    if (Parseable(state)) {
        document = *Parsed(state.text, state.damaged);
    }
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
        result = MoveDamagedAside(dir.Get());
        if (result != kErrorSuccess) {
            return result;
        }
    }
    return Replace(dir.Get(), text, ReplacementFileMode(state.exists, state.mode));
}

// Gives the damaged file a second name, numbered above every copy there is; the rename in
// Replace then takes the main name away from it, so its bytes stay under the new name only.
// Of the copies, the newest kKeptDamagedCopies are kept.
uint32_t RegFileStore::MoveDamagedAside(int dir) const {
    std::vector<uint64_t> numbers = DamagedNumbers(dir);
    uint64_t number = numbers.empty() ? 1 : numbers.back() + 1;
    bool moved = false;
    for (int attempt = 0; attempt < 16 && !moved; ++attempt, ++number) {
        const std::string target = DamagedName(number);
        if (::linkat(dir, kFileName, dir, target.c_str(), 0) == 0) {
            moved = true;
        } else if (errno != EEXIST) {
            // A file system without hard links: move the file itself, never over another one.
            if (::renameat2(dir, kFileName, dir, target.c_str(), RENAME_NOREPLACE) == 0) {
                moved = true;
            } else if (errno != EEXIST) {
                return LastError();
            }
        }
        if (moved) {
            numbers.push_back(number);
        }
    }
    if (!moved) {
        return kErrorAccessDenied;
    }
    // Old copies never make a write fail: one that cannot be removed is left.
    for (size_t i = 0; i + kKeptDamagedCopies < numbers.size(); ++i) {
        ::unlinkat(dir, DamagedName(numbers[i]).c_str(), 0);
    }
    return kErrorSuccess;
}

// Writes `text` to the temporary file, flushes it to the disk and renames it over the file,
// so that the file is at every moment either the old or the new one.
uint32_t RegFileStore::Replace(int dir, const std::string& text, unsigned mode) const {
    const std::string temp = std::string(kFileName) + ".tmp";
    // A leftover of a writer that was killed: only lock holders write it, so it is stale.
    if (::unlinkat(dir, temp.c_str(), 0) != 0 && errno != ENOENT) {
        return LastError();
    }
    uint32_t result = WriteSynced(dir, temp, text, mode);
    if (result == kErrorSuccess && ::renameat(dir, temp.c_str(), dir, kFileName) != 0) {
        result = LastError();
    }
    if (result != kErrorSuccess) {
        ::unlinkat(dir, temp.c_str(), 0);
        return result;
    }
    // Makes the rename itself durable; a file system that cannot sync a folder still has the
    // complete new file.
    ::fsync(dir);
    return kErrorSuccess;
}

} // namespace hl
