#pragma once

#include "platform/IpHelper.h"

#include <mutex>
#include <vector>

namespace hl {

// Scripted socket tables for tests. Each table is returned as set (already in the order the
// test wants); a non-zero error makes that call fail. SetTcpEntry records every row.
class FakeIpHelper : public IIpHelper {
public:
    std::vector<TcpRow> tcp;
    std::vector<UdpRow> udp;
    std::vector<TcpExRow> tcpEx;
    std::vector<UdpExRow> udpEx;
    uint32_t tcpError = 0, udpError = 0, tcpExError = 0, udpExError = 0;
    uint32_t setTcpEntryResult = 0;

    uint32_t GetTcpTable(std::vector<TcpRow>& rows) override;
    uint32_t GetUdpTable(std::vector<UdpRow>& rows) override;
    uint32_t GetTcpExTable(std::vector<TcpExRow>& rows) override;
    uint32_t GetUdpExTable(std::vector<UdpExRow>& rows) override;
    uint32_t SetTcpEntry(const TcpRow& row) override;

    std::vector<TcpRow> DeletedRows() const;
    int TableReads() const;

private:
    mutable std::mutex m_mutex;
    std::vector<TcpRow> m_deleted;
    int m_reads = 0;
};

} // namespace hl
