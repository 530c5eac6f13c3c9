#include "platform/linux/InodePidMap.h"

#include "platform/linux/ProcFs.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <fcntl.h>
#include <memory>
#include <system_error>
#include <thread>

namespace hl {
namespace {

constexpr std::string_view kSocketPrefix = "socket:[";
// Directory entries are read in batches of this size: a process with thousands of
// descriptors lists them in a few calls.
constexpr size_t kDirBufferSize = 64 * 1024;

constexpr size_t kPidsPerBatch = 8;
constexpr unsigned kMaxThreads = 4;

using Entries = std::vector<std::pair<uint64_t, uint32_t>>;

class DirBuffer {
public:
    DirBuffer() : m_bytes(std::make_unique<std::byte[]>(kDirBufferSize)) {}
    std::span<std::byte> Span() { return {m_bytes.get(), kDirBufferSize}; }

private:
    std::unique_ptr<std::byte[]> m_bytes;
};

// Threads to start beside the calling one: none for a handful of processes.
size_t HelperCount(size_t pids) {
    const unsigned cores = std::min(std::thread::hardware_concurrency(), kMaxThreads);
    return pids < 2 * kPidsPerBatch || cores < 2 ? 0 : cores - 1;
}

// Adds (inode, pid) for every socket link in <root>/<pid>/fd. A process that is gone or not
// readable adds nothing.
void AddSocketsOf(int root, uint32_t pid, DirBuffer& buf, Entries& out) {
    std::array<char, 12> pidText{};
    const UniqueFd pidDir = OpenDirAt(root, FormatPid(pid, pidText));
    if (!pidDir) {
        return; // gone, or not a directory of its own
    }
    const UniqueFd fdDir = OpenDirAt(pidDir.Get(), "fd");
    if (!fdDir) {
        return; // gone, or not ours to read
    }
    std::array<char, 64> link{};
    ForEachDirEntry(fdDir.Get(), buf.Span(), [&](const char* name, unsigned char type) {
        if (type != DT_LNK && type != DT_UNKNOWN) {
            return;
        }
        const auto len = ReadLinkAt(fdDir.Get(), name, link);
        if (!len) {
            return;
        }
        if (const auto inode = ParseSocketLink({link.data(), *len})) {
            out.emplace_back(*inode, pid);
        }
    });
}

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
    DirBuffer dirBuf;
    std::vector<uint32_t> pids;
    pids.reserve(1024);
    ForEachDirEntry(root.Get(), dirBuf.Span(), [&](const char* name, unsigned char type) {
        if (type != DT_DIR && type != DT_UNKNOWN) {
            return;
        }
        if (const auto pid = ParsePid(name)) {
            pids.push_back(*pid);
        }
    });

    // The kernel's work per descriptor link dominates, so the processes are shared out
    // among the cores in small batches (a few processes may hold most of the sockets).
    std::atomic<size_t> next{0};
    const auto walk = [&](Entries& out, DirBuffer& buf) {
        for (;;) {
            const size_t first = next.fetch_add(kPidsPerBatch, std::memory_order_relaxed);
            if (first >= pids.size()) {
                return;
            }
            const size_t last = std::min(pids.size(), first + kPidsPerBatch);
            for (size_t i = first; i < last; ++i) {
                AddSocketsOf(root.Get(), pids[i], buf, out);
            }
        }
    };

    const size_t helpers = HelperCount(pids.size());
    std::vector<Entries> parts(helpers);
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    try {
        for (size_t i = 0; i < helpers; ++i) {
            threads.emplace_back([&, i] {
                DirBuffer buf;
                walk(parts[i], buf);
            });
        }
    } catch (const std::system_error&) {
        // No more threads to be had: the ones started and this one share the work.
    }
    m_entries.reserve(4096);
    walk(m_entries, dirBuf);
    for (size_t i = 0; i < threads.size(); ++i) {
        threads[i].join();
        m_entries.insert(m_entries.end(), parts[i].begin(), parts[i].end());
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
