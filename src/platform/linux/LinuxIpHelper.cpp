#include "platform/linux/LinuxIpHelper.h"

#include "platform/ErrorCodes.h"
#include "platform/linux/ProcFs.h"
#include "platform/linux/ProcNetParser.h"

#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>

namespace hl {

LinuxIpHelper::LinuxIpHelper(std::string procRoot) : m_procRoot(std::move(procRoot)) {}

uint32_t LinuxIpHelper::ReadNetFile(const char* name, std::string& text) const {
    const UniqueFd root = OpenDirAt(AT_FDCWD, m_procRoot.c_str());
    if (!root) {
        return ErrorFromErrno(errno);
    }
    // <root>/net is a link to the reading process's own net directory in a real proc tree,
    // so only the file itself is opened without following links.
    if (!ReadWholeFileAt(root.Get(), name, text)) {
        return ErrorFromErrno(errno);
    }
    return kErrorSuccess;
}

uint32_t LinuxIpHelper::GetTcpTable(std::vector<TcpRow>& rows) {
    std::string text;
    if (const uint32_t err = ReadNetFile("net/tcp", text); err != kErrorSuccess) {
        return err;
    }
    rows = ParseProcNetTcp(text);
    SortTcpRows(rows);
    return kErrorSuccess;
}

uint32_t LinuxIpHelper::GetUdpTable(std::vector<UdpRow>& rows) {
    std::string text;
    if (const uint32_t err = ReadNetFile("net/udp", text); err != kErrorSuccess) {
        return err;
    }
    rows = ParseProcNetUdp(text);
    SortUdpRows(rows);
    return kErrorSuccess;
}

const InodePidMap& LinuxIpHelper::Owners() {
    const std::lock_guard lock(m_ownersMutex);
    if (!m_owners) {
        m_owners.emplace();
        // A root that cannot be read leaves the map empty: every row then has owner 0.
        m_owners->Build(m_procRoot.c_str());
    }
    return *m_owners;
}

uint32_t LinuxIpHelper::GetTcpExTable(std::vector<TcpExRow>& rows) {
    std::vector<DiagSocket> sockets;
    if (const uint32_t err = m_diag.Dump(IPPROTO_TCP, sockets); err != kErrorSuccess) {
        return err;
    }
    const InodePidMap& owners = Owners();
    rows.clear();
    rows.reserve(sockets.size());
    for (const DiagSocket& s : sockets) {
        TcpExRow row;
        row.state = s.state;
        row.localAddr = s.localAddr;
        row.localPort = s.localPort;
        row.remoteAddr = s.remoteAddr;
        row.remotePort = s.remotePort;
        row.pid = owners.Find(s.inode);
        rows.push_back(row);
    }
    SortTcpRows(rows);
    return kErrorSuccess;
}

uint32_t LinuxIpHelper::GetUdpExTable(std::vector<UdpExRow>& rows) {
    std::vector<DiagSocket> sockets;
    if (const uint32_t err = m_diag.Dump(IPPROTO_UDP, sockets); err != kErrorSuccess) {
        return err;
    }
    const InodePidMap& owners = Owners();
    rows.clear();
    rows.reserve(sockets.size());
    for (const DiagSocket& s : sockets) {
        UdpExRow row;
        row.localAddr = s.localAddr;
        row.localPort = s.localPort;
        row.pid = owners.Find(s.inode);
        rows.push_back(row);
    }
    SortUdpRows(rows);
    return kErrorSuccess;
}

uint32_t LinuxIpHelper::SetTcpEntry(const TcpRow& row) {
    if (row.state != kTcpStateDeleteTcb) {
        return kErrorInvalidParameter;
    }
    return m_diag.Destroy(row);
}

} // namespace hl
