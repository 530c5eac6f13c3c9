#include "platform/linux/ProcessScan.h"

#include "platform/linux/LinuxProcessInfo.h"
#include "platform/linux/ProcFs.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <fcntl.h>
#include <memory>
#include <system_error>
#include <thread>

namespace hl {
namespace {

// Directory entries are read in batches of this size: a process with thousands of
// descriptors lists them in a few calls.
constexpr size_t kDirBufferSize = 64 * 1024;

constexpr size_t kPidsPerBatch = 8;
constexpr unsigned kMaxThreads = 4;

class DirBuffer {
public:
    DirBuffer() : m_bytes(std::make_unique<std::byte[]>(kDirBufferSize)) {}
    std::span<std::byte> Span() { return {m_bytes.get(), kDirBufferSize}; }

private:
    std::unique_ptr<std::byte[]> m_bytes;
};

// What one thread of a walk finds.
struct Part {
    InodePidMap::Entries sockets;
    std::vector<ProcessEntry> processes;
    std::string stat; // reused buffer
};

// Threads to start beside the calling one: none for a handful of processes.
size_t HelperCount(size_t pids) {
    const unsigned cores = std::min(std::thread::hardware_concurrency(), kMaxThreads);
    return pids < 2 * kPidsPerBatch || cores < 2 ? 0 : cores - 1;
}

std::optional<std::string> NameAt(int pidDir, std::string& stat) {
    if (std::optional<std::string> name = ExeNameAt(pidDir)) {
        return name;
    }
    if (ReadWholeFileAt(pidDir, "stat", stat)) {
        return CommandNameFromStat(stat);
    }
    return std::nullopt;
}

// Adds (inode, pid) for every socket link in the process's fd folder.
void AddSocketsAt(int pidDir, uint32_t pid, DirBuffer& buf, InodePidMap::Entries& out) {
    const UniqueFd fdDir = OpenDirAt(pidDir, "fd");
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

void ReadProcess(int root, uint32_t pid, WalkParts parts, DirBuffer& buf, Part& out) {
    std::array<char, 12> pidText{};
    const UniqueFd pidDir = OpenDirAt(root, FormatPid(pid, pidText));
    if (!pidDir) {
        return; // gone since the listing, or not a directory of its own
    }
    if (parts.names) {
        if (std::optional<std::string> name = NameAt(pidDir.Get(), out.stat)) {
            out.processes.push_back(ProcessEntry{pid, std::move(*name)});
        }
    }
    if (parts.sockets) {
        AddSocketsAt(pidDir.Get(), pid, buf, out.sockets);
    }
}

} // namespace

ProcessWalk WalkProcesses(const char* procRoot, WalkParts parts) {
    ProcessWalk walk;
    const UniqueFd root = OpenDirAt(AT_FDCWD, procRoot);
    if (!root) {
        return walk;
    }
    DirBuffer dirBuf;
    std::vector<uint32_t> pids;
    pids.reserve(1024);
    walk.ok = ForEachDirEntry(root.Get(), dirBuf.Span(), [&](const char* name, unsigned char type) {
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
    const auto work = [&](Part& out, DirBuffer& buf) {
        for (;;) {
            const size_t first = next.fetch_add(kPidsPerBatch, std::memory_order_relaxed);
            if (first >= pids.size()) {
                return;
            }
            const size_t last = std::min(pids.size(), first + kPidsPerBatch);
            for (size_t i = first; i < last; ++i) {
                ReadProcess(root.Get(), pids[i], parts, buf, out);
            }
        }
    };

    const size_t helpers = parts.sockets ? HelperCount(pids.size()) : 0;
    std::vector<Part> helperParts(helpers);
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    try {
        for (size_t i = 0; i < helpers; ++i) {
            threads.emplace_back([&, i] {
                DirBuffer buf;
                work(helperParts[i], buf);
            });
        }
    } catch (const std::system_error&) {
        // No more threads to be had: the ones started and this one share the work.
    }
    Part mine;
    mine.sockets.reserve(4096);
    mine.processes.reserve(pids.size());
    work(mine, dirBuf);
    for (size_t i = 0; i < threads.size(); ++i) {
        threads[i].join();
        Part& part = helperParts[i];
        mine.sockets.insert(mine.sockets.end(), part.sockets.begin(), part.sockets.end());
        std::move(part.processes.begin(), part.processes.end(), std::back_inserter(mine.processes));
    }
    walk.owners.Assign(std::move(mine.sockets));
    std::sort(mine.processes.begin(), mine.processes.end(),
              [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
    walk.processes = std::move(mine.processes);
    return walk;
}

const ProcessWalk& ProcessScan::Get() {
    const std::lock_guard lock(m_mutex);
    if (!m_walk) {
        m_walk = WalkProcesses(m_procRoot.c_str());
    }
    return *m_walk;
}

} // namespace hl
