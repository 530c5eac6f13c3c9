#pragma once

#include "platform/ProcessInfo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hl {

// Turns process ids into executable names. Failures give a substitute text in the name's
// place: "error " (the system directory, or the snapshot, cannot be read), "Unknown" (no
// process has that id, on the snapshot path), "unknown " (the process cannot be looked up,
// on the direct path). The OS major version picks the path: 4 the direct lookup, anything
// else the snapshot.
//
// One object may serve a whole table read: it takes the OS version and the process
// snapshot once, on its first lookup, and resolves every later id against them. Build a
// new object for the next read; nothing is kept beyond the object's life.
class CProcessNames {
public:
    explicit CProcessNames(IProcessInfo& processes) : m_processes(processes) {}
    virtual ~CProcessNames() = default;

    std::string GetProcessName(uint32_t pid);
    std::string GetWindowsDir();

    // Control bytes (below 0x20 and 0x7F) become "?", so that no name can carry a line
    // break or a terminal escape into the list, the trace or an export.
    static std::string MakeSafe(std::string name);

    static constexpr const char* kErrorText = "error ";
    static constexpr const char* kNotFoundText = "Unknown";
    static constexpr const char* kUnknownText = "unknown ";

private:
    std::string FromSnapshot(uint32_t pid);
    std::string FromStatus(uint32_t pid);

    IProcessInfo& m_processes;
    std::optional<bool> m_useStatusPath;
    bool m_snapshotTaken = false;
    bool m_snapshotOk = false;
    std::vector<ProcessEntry> m_snapshot; // ascending pid order
};

} // namespace hl
