#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hl {

struct ProcessEntry {
    uint32_t pid = 0;
    std::string exeName; // base name of the executable, raw bytes as the system gives them
};

// What the process name resolver needs from the system: the system directory (the proc root
// on Linux), the OS major version, a snapshot of all processes, and the executable of one
// process looked up directly. Implementations are safe to call from any thread.
class IProcessInfo {
public:
    virtual ~IProcessInfo() = default;

    // The directory every other lookup is relative to; nullopt when it cannot be read.
    virtual std::optional<std::string> SystemDir() = 0;
    // The major version number of the running OS; nullopt when it cannot be read.
    virtual std::optional<int> OsMajorVersion() = 0;
    // All processes, in ascending pid order; false when no snapshot can be taken.
    virtual bool Snapshot(std::vector<ProcessEntry>& processes) = 0;
    // The base name of one process's executable; nullopt when the process cannot be
    // opened or its executable cannot be read.
    virtual std::optional<std::string> ExeBaseName(uint32_t pid) = 0;
};

} // namespace hl
