#pragma once

#include "platform/IpHelper.h"

#include <mutex>
#include <vector>

namespace hl {

// Scripted socket tables for tests. Each table is returned as set (already in the order the
// test wants); a non-zero error makes that call fail. SetTcpEntry and SetTcp6Entry record
// every row.
class FakeIpHelper : public IIpHelper {
public:
    std::vector<TcpRow> tcp;
    std::vector<UdpRow> udp;
    std::vector<TcpExRow> tcpEx;
    std::vector<UdpExRow> udpEx;
    std::vector<Tcp6Row> tcp6;
    std::vector<Udp6Row> udp6;
    std::vector<Tcp6ExRow> tcp6Ex;
    std::vector<Udp6ExRow> udp6Ex;
    uint32_t tcpError = 0, udpError = 0, tcpExError = 0, udpExError = 0;
    // The IPv6 tables succeed as set; a test of an IPv4-only machine makes them fail.
    uint32_t tcp6Error = 0, udp6Error = 0, tcp6ExError = 0, udp6ExError = 0;
    uint32_t setTcpEntryResult = 0;

    uint32_t GetTcpTable(std::vector<TcpRow>& rows) override;
    uint32_t GetUdpTable(std::vector<UdpRow>& rows) override;
    uint32_t GetTcpExTable(std::vector<TcpExRow>& rows) override;
    uint32_t GetUdpExTable(std::vector<UdpExRow>& rows) override;
    uint32_t SetTcpEntry(const TcpRow& row) override;
    uint32_t GetTcp6Table(std::vector<Tcp6Row>& rows) override;
    uint32_t GetUdp6Table(std::vector<Udp6Row>& rows) override;
    uint32_t GetTcp6ExTable(std::vector<Tcp6ExRow>& rows) override;
    uint32_t GetUdp6ExTable(std::vector<Udp6ExRow>& rows) override;
    uint32_t SetTcp6Entry(const Tcp6Row& row) override;

    std::vector<TcpRow> DeletedRows() const;
    std::vector<Tcp6Row> Deleted6Rows() const;
    int TableReads() const;

private:
    mutable std::mutex m_mutex;
    std::vector<TcpRow> m_deleted;
    std::vector<Tcp6Row> m_deleted6;
    int m_reads = 0;
};

} // namespace hl
