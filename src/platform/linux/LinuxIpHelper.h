#pragma once

#include "platform/IpHelper.h"
#include "platform/linux/InodePidMap.h"
#include "platform/linux/SockDiagClient.h"

#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace hl {

// The IPv4 and IPv6 socket tables of the running system. The plain tables come from
// <procRoot>/net/tcp, /udp, /tcp6 and /udp6; the tables with owners from a sock_diag dump joined
// with the descriptors of the processes below procRoot. The owner map is built by the first table
// with owners that this object reads and serves its later ones, so one refresh walks the
// processes once; a new object builds its own.
class LinuxIpHelper : public IIpHelper {
public:
    explicit LinuxIpHelper(std::string procRoot);

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
    // The owner map, built on first use.
    const InodePidMap& Owners();

    std::string m_procRoot;
    SockDiagClient m_diag;
    std::mutex m_ownersMutex;
    std::optional<InodePidMap> m_owners;
};

} // namespace hl
