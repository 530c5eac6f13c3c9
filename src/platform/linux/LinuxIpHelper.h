#pragma once

#include "platform/IpHelper.h"
#include "platform/linux/ProcessScan.h"
#include "platform/linux/SockDiagClient.h"

#include <memory>
#include <string>
#include <string_view>

namespace hl {

// The IPv4 and IPv6 socket tables of the running system. The plain tables come from
// <procRoot>/net/tcp, /udp, /tcp6 and /udp6; the tables with owners from a sock_diag dump joined
// with the descriptors of the processes below procRoot. The owners come from `scan`, which the
// first table with owners makes and its later ones share (and so do the process names of the
// same refresh, see LinuxSystem::OpenView); without a scan the object makes one of its own.
class LinuxIpHelper : public IIpHelper {
public:
    explicit LinuxIpHelper(std::string procRoot, std::shared_ptr<ProcessScan> scan = nullptr);

    uint32_t GetTcpTable(std::vector<TcpRow>& rows) override;
    uint32_t GetUdpTable(std::vector<UdpRow>& rows) override;
    // The error code of the dump when sock_diag cannot be used.
    uint32_t GetTcpExTable(std::vector<TcpExRow>& rows) override;
    uint32_t GetUdpExTable(std::vector<UdpExRow>& rows) override;
    // 87 unless the row's state is 12; otherwise the result of destroying the socket with
    // the row's four-tuple.
    uint32_t SetTcpEntry(const TcpRow& row) override;

    uint32_t GetTcp6Table(std::vector<Tcp6Row>& rows) override;
    uint32_t GetUdp6Table(std::vector<Udp6Row>& rows) override;
    uint32_t GetTcp6ExTable(std::vector<Tcp6ExRow>& rows) override;
    uint32_t GetUdp6ExTable(std::vector<Udp6ExRow>& rows) override;
    uint32_t SetTcp6Entry(const Tcp6Row& row) override;

private:
    uint32_t ReadNetFile(const char* name, std::string& text) const;
    // One plain table, parsed and sorted.
    template <typename Row> using PlainParser = std::vector<Row> (*)(std::string_view);
    template <typename Row>
    uint32_t ReadPlain(const char* name, PlainParser<Row> parse, std::vector<Row>& rows);
    // One sock_diag dump joined with the owner map, sorted.
    template <typename Socket, typename Row>
    uint32_t ReadOwned(uint8_t protocol, std::vector<Row>& rows);
    std::string m_procRoot;
    SockDiagClient m_diag;
    std::shared_ptr<ProcessScan> m_scan;
};

} // namespace hl
