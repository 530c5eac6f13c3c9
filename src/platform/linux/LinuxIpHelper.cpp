#include "platform/linux/LinuxIpHelper.h"

#include "platform/ErrorCodes.h"
#include "platform/linux/ProcFs.h"
#include "platform/linux/ProcNetParser.h"

#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>

namespace hl {

LinuxIpHelper::LinuxIpHelper(std::string procRoot, std::shared_ptr<ProcessScan> scan)
    : m_procRoot(std::move(procRoot)),
      m_scan(scan ? std::move(scan) : std::make_shared<ProcessScan>(m_procRoot)) {}

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

template <typename Row>
uint32_t LinuxIpHelper::ReadPlain(const char* name, PlainParser<Row> parse,
                                  std::vector<Row>& rows) {
    std::string text;
    if (const uint32_t err = ReadNetFile(name, text); err != kErrorSuccess) {
        return err;
    }
    rows = parse(text);
    if constexpr (requires { Row::state; }) {
        SortTcpRows(rows);
    } else {
        SortUdpRows(rows);
    }
    return kErrorSuccess;
}

uint32_t LinuxIpHelper::GetTcpTable(std::vector<TcpRow>& rows) {
    return ReadPlain("net/tcp", ParseProcNetTcp, rows);
}

uint32_t LinuxIpHelper::GetUdpTable(std::vector<UdpRow>& rows) {
    return ReadPlain("net/udp", ParseProcNetUdp, rows);
}

uint32_t LinuxIpHelper::GetTcp6Table(std::vector<Tcp6Row>& rows) {
    return ReadPlain("net/tcp6", ParseProcNetTcp6, rows);
}

uint32_t LinuxIpHelper::GetUdp6Table(std::vector<Udp6Row>& rows) {
    return ReadPlain("net/udp6", ParseProcNetUdp6, rows);
}

template <typename Socket, typename Row>
uint32_t LinuxIpHelper::ReadOwned(uint8_t protocol, std::vector<Row>& rows) {
    std::vector<Socket> sockets;
    if (const uint32_t err = m_diag.Dump(protocol, sockets); err != kErrorSuccess) {
        return err;
    }
    // A root that cannot be read leaves the map empty: every row then has owner 0.
    const InodePidMap& owners = m_scan->Get().owners;
    rows.clear();
    rows.reserve(sockets.size());
    for (const Socket& s : sockets) {
        Row row;
        row.localAddr = s.localAddr;
        row.localPort = s.localPort;
        if constexpr (requires { row.state; }) {
            row.state = s.state;
            row.remoteAddr = s.remoteAddr;
            row.remotePort = s.remotePort;
        }
        row.pid = owners.Find(s.inode);
        rows.push_back(row);
    }
    if constexpr (requires { Row::state; }) {
        SortTcpRows(rows);
    } else {
        SortUdpRows(rows);
    }
    return kErrorSuccess;
}

uint32_t LinuxIpHelper::GetTcpExTable(std::vector<TcpExRow>& rows) {
    return ReadOwned<DiagSocket>(IPPROTO_TCP, rows);
}

uint32_t LinuxIpHelper::GetUdpExTable(std::vector<UdpExRow>& rows) {
    return ReadOwned<DiagSocket>(IPPROTO_UDP, rows);
}

uint32_t LinuxIpHelper::GetTcp6ExTable(std::vector<Tcp6ExRow>& rows) {
    return ReadOwned<DiagSocket6>(IPPROTO_TCP, rows);
}

uint32_t LinuxIpHelper::GetUdp6ExTable(std::vector<Udp6ExRow>& rows) {
    return ReadOwned<DiagSocket6>(IPPROTO_UDP, rows);
}

uint32_t LinuxIpHelper::SetTcpEntry(const TcpRow& row) {
    if (row.state != kTcpStateDeleteTcb) {
        return kErrorInvalidParameter;
    }
    return m_diag.Destroy(row);
}

uint32_t LinuxIpHelper::SetTcp6Entry(const Tcp6Row& row) {
    if (row.state != kTcpStateDeleteTcb) {
        return kErrorInvalidParameter;
    }
    return m_diag.Destroy(row);
}

} // namespace hl
