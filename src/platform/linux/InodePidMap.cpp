#include "platform/linux/InodePidMap.h"

#include "platform/linux/ProcFs.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fcntl.h>
#include <memory>

namespace hl {
namespace {

constexpr std::string_view kSocketPrefix = "socket:[";
// Directory entries are read in batches of this size: a process with thousands of
// descriptors lists them in a few calls.
constexpr size_t kDirBufferSize = 64 * 1024;

} // namespace

std::optional<uint64_t> ParseSocketLink(std::string_view link) {
    if (link.size() <= kSocketPrefix.size() + 1 || !link.starts_with(kSocketPrefix) ||
        link.back() != ']') {
        return std::nullopt;
    }
    const std::string_view digits =
        link.substr(kSocketPrefix.size(), link.size() - kSocketPrefix.size() - 1);
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt; // not a number, trailing text, or more than fits in 64 bits
    }
    return value;
}

bool InodePidMap::Build(const char* procRoot) {
    m_entries.clear();
    const UniqueFd root = OpenDirAt(AT_FDCWD, procRoot);
    if (!root) {
        return false;
    }
    auto storage = std::make_unique<std::byte[]>(kDirBufferSize);
    const std::span<std::byte> dirBuf(storage.get(), kDirBufferSize);

    std::vector<uint32_t> pids;
    pids.reserve(1024);
    ForEachDirEntry(root.Get(), dirBuf, [&](const char* name, unsigned char type) {
        if (type != DT_DIR && type != DT_UNKNOWN) {
            return;
        }
        if (const auto pid = ParsePid(name)) {
            pids.push_back(*pid);
        }
    });

    m_entries.reserve(4096);
    std::array<char, 12> pidText{};
    std::array<char, 64> link{};
    for (const uint32_t pid : pids) {
        const UniqueFd pidDir = OpenDirAt(root.Get(), FormatPid(pid, pidText));
        if (!pidDir) {
            continue; // gone, or not a directory of its own
        }
        const UniqueFd fdDir = OpenDirAt(pidDir.Get(), "fd");
        if (!fdDir) {
            continue; // gone, or not ours to read
        }
        ForEachDirEntry(fdDir.Get(), dirBuf, [&](const char* name, unsigned char type) {
            if (type != DT_LNK && type != DT_UNKNOWN) {
                return;
            }
            const auto len = ReadLinkAt(fdDir.Get(), name, link);
            if (!len) {
                return;
            }
            if (const auto inode = ParseSocketLink({link.data(), *len})) {
                m_entries.emplace_back(*inode, pid);
            }
        });
    }

    // Sorting by (inode, pid) puts each socket's lowest pid first; keep that one.
    std::sort(m_entries.begin(), m_entries.end());
    const auto last = std::unique(m_entries.begin(), m_entries.end(),
                                  [](const auto& a, const auto& b) { return a.first == b.first; });
    m_entries.erase(last, m_entries.end());
    return true;
}

uint32_t InodePidMap::Find(uint64_t inode) const {
    if (inode == 0) {
        return 0;
    }
    const auto it = std::lower_bound(m_entries.begin(), m_entries.end(), inode,
                                     [](const auto& e, uint64_t key) { return e.first < key; });
    return it != m_entries.end() && it->first == inode ? it->second : 0;
}

} // namespace hl
