#pragma once

#include "platform/IpHelper.h"
#include "platform/linux/InodePidMap.h"
#include "platform/linux/SockDiagClient.h"

#include <mutex>
#include <optional>
#include <string>

namespace hl {

// The IPv4 socket tables of the running system. The plain tables come from
// <procRoot>/net/tcp and /udp; the tables with owners from a sock_diag dump joined with the
// descriptors of the processes below procRoot. The owner map is built by the first table
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

private:
    uint32_t ReadNetFile(const char* name, std::string& text) const;
    // The owner map, built on first use.
    const InodePidMap& Owners();

    std::string m_procRoot;
    SockDiagClient m_diag;
    std::mutex m_ownersMutex;
    std::optional<InodePidMap> m_owners;
};

} // namespace hl
