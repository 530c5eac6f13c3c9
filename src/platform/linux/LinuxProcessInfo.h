#pragma once

#include "platform/ProcessInfo.h"
#include "platform/linux/ProcessScan.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace hl {

// The base name of an executable from the text of an `exe` link; nullopt when no name is
// left. The kernel appends " (deleted)" once the file is gone: when `targetGone`, that suffix
// is taken off; otherwise it is part of the file's real name and kept.
std::optional<std::string> ExeBaseNameFromLink(std::string_view link, bool targetGone);

// The base name of the executable behind the `exe` link of an open process directory.
std::optional<std::string> ExeNameAt(int pidDir);

// The command name in the text of a `stat` file: between the first '(' and the last ')',
// since the name itself may hold ')' and blanks. nullopt when there is no such pair.
std::optional<std::string> CommandNameFromStat(std::string_view stat);

// The major number of a kernel release text such as "6.1.0-18-amd64"; nullopt without one.
std::optional<int> KernelMajorFromRelease(std::string_view release);

// Processes as the entries of a proc root show them. Given a scan, the snapshot is the one of
// that scan, which the socket tables of the same refresh share; without one, every snapshot
// walks the processes anew.
class LinuxProcessInfo : public IProcessInfo {
public:
    explicit LinuxProcessInfo(std::string procRoot, std::shared_ptr<ProcessScan> scan = nullptr);

    // The proc root itself, when it can be opened.
    std::optional<std::string> SystemDir() override;
    // The kernel's major version number.
    std::optional<int> OsMajorVersion() override;
    // Every numeric entry in ascending order, named by its `exe` link or, when that cannot
    // be read, by the name in its `stat`; entries with neither are left out.
    bool Snapshot(std::vector<ProcessEntry>& processes) override;
    // The base name of <root>/<pid>/exe.
    std::optional<std::string> ExeBaseName(uint32_t pid) override;

private:
    std::string m_procRoot;
    std::shared_ptr<ProcessScan> m_scan;
};

} // namespace hl
