#pragma once

#include "platform/ProcessInfo.h"

#include <map>
#include <mutex>

namespace hl {

// A scripted process table for tests; nullopt fields make that lookup fail.
class FakeProcessInfo : public IProcessInfo {
public:
    std::optional<std::string> systemDir = std::string("/proc");
    std::optional<int> osMajor = 6;
    bool snapshotOk = true;
    std::map<uint32_t, std::string> processes; // pid -> executable name
    // Pids the direct lookup cannot open (the snapshot still lists them).
    std::map<uint32_t, bool> unopenable;

    std::optional<std::string> SystemDir() override;
    std::optional<int> OsMajorVersion() override;
    bool Snapshot(std::vector<ProcessEntry>& out) override;
    std::optional<std::string> ExeBaseName(uint32_t pid) override;

    int SnapshotCount() const;

private:
    mutable std::mutex m_mutex;
    int m_snapshots = 0;
};

} // namespace hl
