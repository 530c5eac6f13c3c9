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

    // Names are bytes. Each C0 or C1 control character (U+0000-U+001F, U+007F-U+009F, a raw
    // 0x9B byte being a terminal's CSI), each bidirectional override or isolate
    // (U+202A-U+202E, U+2066-U+2069) and each byte that is not part of well-formed UTF-8
    // becomes "?", so that no name can carry a line break, a terminal escape or reordered text
    // into the list, the trace or an export, and every name is valid UTF-8.
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
