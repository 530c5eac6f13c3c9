#pragma once

#include "platform/ProcessInfo.h"
#include "platform/linux/InodePidMap.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace hl {

// What one walk of the processes below a proc root found.
struct ProcessWalk {
    bool ok = false;                     // the root could be opened and listed
    InodePidMap owners;                  // the sockets among the processes' descriptors
    std::vector<ProcessEntry> processes; // the named processes, ascending pid
};

// What a walk reads of each process.
struct WalkParts {
    bool names = true;   // the executable's name: its `exe` link, else the name in `stat`
    bool sockets = true; // the socket links in its `fd` folder
};

// Walks every numeric entry of procRoot once, reading each process's name and descriptors
// where its directory is open. Processes that vanish or cannot be read are left out: of the
// names when neither `exe` nor `stat` can be read, of the owners when `fd` cannot be read.
ProcessWalk WalkProcesses(const char* procRoot, WalkParts parts = {});

// One walk shared by the readers of one refresh or one close: the first to ask makes it,
// everyone later gets what it found. Thread-safe; nothing is read again, so a new scan is
// needed for news.
class ProcessScan {
public:
    explicit ProcessScan(std::string procRoot) : m_procRoot(std::move(procRoot)) {}

    const ProcessWalk& Get();

private:
    std::string m_procRoot;
    std::mutex m_mutex;
    std::optional<ProcessWalk> m_walk;
};

} // namespace hl
