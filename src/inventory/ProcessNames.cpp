#include "inventory/ProcessNames.h"

#include <algorithm>

namespace hl {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

std::string CProcessNames::MakeSafe(std::string name) {
    for (char& c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
        }
    }
    return name;
}

std::string CProcessNames::GetWindowsDir() {
    std::optional<std::string> dir = m_processes.SystemDir();
    if (!dir) {
        return kErrorText;
    }
    while (!dir->empty() && IsBlank(dir->back())) {
        dir->pop_back();
    }
    return *dir;
}

std::string CProcessNames::GetProcessName(uint32_t pid) {
    if (!m_useStatusPath) {
        // An unreadable version takes the snapshot path, the one every current system uses.
        const std::optional<int> major = m_processes.OsMajorVersion();
        m_useStatusPath = major && *major == 4;
    }
    return *m_useStatusPath ? FromStatus(pid) : FromSnapshot(pid);
}

std::string CProcessNames::FromSnapshot(uint32_t pid) {
    if (!m_snapshotTaken) {
        m_snapshotTaken = true;
        m_snapshotOk = GetWindowsDir() != kErrorText && m_processes.Snapshot(m_snapshot) &&
                       !m_snapshot.empty();
        if (m_snapshotOk) {
            std::stable_sort(
                m_snapshot.begin(), m_snapshot.end(),
                [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
        }
    }
    if (!m_snapshotOk) {
        return kErrorText;
    }
    auto it = std::lower_bound(
        m_snapshot.begin(), m_snapshot.end(), pid,
        [](const ProcessEntry& entry, uint32_t wanted) { return entry.pid < wanted; });
    if (it == m_snapshot.end() || it->pid != pid) {
        return kNotFoundText;
    }
    return MakeSafe(it->exeName);
}

std::string CProcessNames::FromStatus(uint32_t pid) {
    std::optional<std::string> name = m_processes.ExeBaseName(pid);
    if (!name || name->empty()) {
        return kUnknownText;
    }
    const auto first = std::find_if_not(name->begin(), name->end(), IsBlank);
    return MakeSafe(std::string(first, name->end()));
}

} // namespace hl
