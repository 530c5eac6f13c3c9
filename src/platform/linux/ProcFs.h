#pragma once

#include "platform/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <dirent.h>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace hl {

// Small helpers for reading a proc tree relative to directory descriptors, so that the root
// can be a fixture tree in tests and no entry is reached through a symbolic link.

// Opens the directory `name` below dirFd (AT_FDCWD for a path of its own); the last path
// component must not be a symbolic link. Invalid on failure, errno tells why.
UniqueFd OpenDirAt(int dirFd, const char* name);

// Reads the whole file `name` below dirFd into out (replacing its contents). Works for proc
// files, whose reported size is 0. False on failure, errno tells why.
bool ReadWholeFileAt(int dirFd, const char* name, std::string& out);

// Reads the target of the symbolic link `name` below dirFd into buf. Returns the length, or
// nullopt when the link cannot be read or its target does not fit in buf.
std::optional<size_t> ReadLinkAt(int dirFd, const char* name, std::span<char> buf);

// A process id as a proc root names it: decimal digits only, no sign, no leading zero, and
// a value that fits in 32 bits. Anything else is nullopt.
std::optional<uint32_t> ParsePid(std::string_view text);

// Writes the decimal text of pid with its terminating zero into buf; returns buf.
const char* FormatPid(uint32_t pid, std::span<char, 12> buf);

// Calls fn(name, d_type) for every entry of the open directory dirFd except "." and "..",
// reading the entries in large batches through buf. False when reading the directory
// failed (the entries seen until then have been passed on).
template <typename Fn> bool ForEachDirEntry(int dirFd, std::span<std::byte> buf, Fn&& fn) {
    for (;;) {
        const ssize_t got = ::getdents64(dirFd, buf.data(), buf.size());
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        for (ssize_t off = 0; off < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buf.data() + off);
            if (entry->d_reclen == 0) {
                return false;
            }
            off += entry->d_reclen;
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
                continue;
            }
            fn(name, entry->d_type);
        }
    }
}

} // namespace hl
