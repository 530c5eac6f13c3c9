#include "platform/linux/LinuxProcessInfo.h"

#include "platform/linux/ProcFs.h"

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <limits.h>
#include <memory>
#include <sys/stat.h>
#include <sys/utsname.h>

namespace hl {
namespace {

constexpr std::string_view kDeletedSuffix = " (deleted)";

// Whether the executable behind the `exe` link of an open process directory is gone: the
// link leads nowhere, or to a file that no directory names any more.
bool ExeGoneAt(int pidDir) {
    struct stat st {};
    return ::fstatat(pidDir, "exe", &st, 0) != 0 || st.st_nlink == 0;
}

} // namespace

std::optional<std::string> ExeNameAt(int pidDir) {
    std::array<char, PATH_MAX + 1> link;
    const auto len = ReadLinkAt(pidDir, "exe", link);
    if (!len) {
        return std::nullopt;
    }
    const std::string_view text(link.data(), *len);
    return ExeBaseNameFromLink(text, text.ends_with(kDeletedSuffix) && ExeGoneAt(pidDir));
}

std::optional<std::string> ExeBaseNameFromLink(std::string_view link, bool targetGone) {
    if (targetGone && link.ends_with(kDeletedSuffix)) {
        link.remove_suffix(kDeletedSuffix.size());
    }
    const size_t slash = link.rfind('/');
    if (slash != std::string_view::npos) {
        link.remove_prefix(slash + 1);
    }
    if (link.empty()) {
        return std::nullopt;
    }
    return std::string(link);
}

std::optional<std::string> CommandNameFromStat(std::string_view stat) {
    const size_t open = stat.find('(');
    const size_t close = stat.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close <= open) {
        return std::nullopt;
    }
    return std::string(stat.substr(open + 1, close - open - 1));
}

std::optional<int> KernelMajorFromRelease(std::string_view release) {
    int major = 0;
    size_t digits = 0;
    for (const char c : release) {
        if (c < '0' || c > '9') {
            break;
        }
        if (++digits > 6) {
            return std::nullopt;
        }
        major = major * 10 + (c - '0');
    }
    if (digits == 0) {
        return std::nullopt;
    }
    return major;
}

LinuxProcessInfo::LinuxProcessInfo(std::string procRoot, std::shared_ptr<ProcessScan> scan)
    : m_procRoot(std::move(procRoot)), m_scan(std::move(scan)) {}

std::optional<std::string> LinuxProcessInfo::SystemDir() {
    if (!OpenDirAt(AT_FDCWD, m_procRoot.c_str())) {
        return std::nullopt;
    }
    return m_procRoot;
}

std::optional<int> LinuxProcessInfo::OsMajorVersion() {
    utsname names{};
    if (::uname(&names) != 0) {
        return std::nullopt;
    }
    return KernelMajorFromRelease(names.release);
}

bool LinuxProcessInfo::Snapshot(std::vector<ProcessEntry>& processes) {
    if (m_scan) {
        const ProcessWalk& walk = m_scan->Get();
        processes = walk.processes;
        return walk.ok;
    }
    ProcessWalk walk =
        WalkProcesses(m_procRoot.c_str(), WalkParts{.names = true, .sockets = false});
    processes = std::move(walk.processes);
    return walk.ok;
}

std::optional<std::string> LinuxProcessInfo::ExeBaseName(uint32_t pid) {
    const UniqueFd root = OpenDirAt(AT_FDCWD, m_procRoot.c_str());
    if (!root) {
        return std::nullopt;
    }
    std::array<char, 12> pidText{};
    const UniqueFd pidDir = OpenDirAt(root.Get(), FormatPid(pid, pidText));
    if (!pidDir) {
        return std::nullopt;
    }
    return ExeNameAt(pidDir.Get());
}

} // namespace hl
