#include "platform/linux/ProcFs.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <unistd.h>

namespace hl {

UniqueFd OpenDirAt(int dirFd, const char* name) {
    return UniqueFd(::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

bool ReadWholeFileAt(int dirFd, const char* name, std::string& out) {
    UniqueFd fd(::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) {
        return false;
    }
    out.clear();
    size_t used = 0;
    size_t chunk = 4096;
    for (;;) {
        if (out.size() < used + chunk) {
            out.resize(used + chunk);
        }
        const ssize_t got = ::read(fd.Get(), out.data() + used, out.size() - used);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int err = errno;
            out.clear();
            errno = err;
            return false;
        }
        if (got == 0) {
            break;
        }
        used += static_cast<size_t>(got);
        if (used == out.size() && chunk < (size_t{1} << 22)) {
            chunk *= 2; // large tables: fewer, bigger reads
        }
    }
    out.resize(used);
    return true;
}

std::optional<size_t> ReadLinkAt(int dirFd, const char* name, std::span<char> buf) {
    const ssize_t len = ::readlinkat(dirFd, name, buf.data(), buf.size());
    if (len < 0 || static_cast<size_t>(len) >= buf.size()) {
        return std::nullopt; // failed, or possibly cut short
    }
    return static_cast<size_t>(len);
}

std::optional<uint32_t> ParsePid(std::string_view text) {
    if (text.empty() || text.size() > 10 || (text.size() > 1 && text[0] == '0')) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

const char* FormatPid(uint32_t pid, std::span<char, 12> buf) {
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size() - 1, pid);
    *res.ptr = '\0';
    return buf.data();
}

} // namespace hl
