#include "platform/fake/FakeProcessInfo.h"

namespace hl {

std::optional<std::string> FakeProcessInfo::SystemDir() {
    return systemDir;
}

std::optional<int> FakeProcessInfo::OsMajorVersion() {
    return osMajor;
}

bool FakeProcessInfo::Snapshot(std::vector<ProcessEntry>& out) {
    std::lock_guard lock(m_mutex);
    ++m_snapshots;
    out.clear();
    if (!snapshotOk) {
        return false;
    }
    for (const auto& [pid, name] : processes) {
        out.push_back({pid, name});
    }
    return true;
}

std::optional<std::string> FakeProcessInfo::ExeBaseName(uint32_t pid) {
    auto it = processes.find(pid);
    if (it == processes.end() || unopenable.count(pid) != 0) {
        return std::nullopt;
    }
    return it->second;
}

int FakeProcessInfo::SnapshotCount() const {
    std::lock_guard lock(m_mutex);
    return m_snapshots;
}

} // namespace hl
