#include "platform/fake/FakeIpHelper.h"

namespace hl {
namespace {

template <typename Row>
uint32_t Copy(const std::vector<Row>& from, uint32_t error, std::vector<Row>& to) {
    to.clear();
    if (error != 0) {
        return error;
    }
    to = from;
    return 0;
}

} // namespace

uint32_t FakeIpHelper::GetTcpTable(std::vector<TcpRow>& rows) {
    std::lock_guard lock(m_mutex);
    ++m_reads;
    return Copy(tcp, tcpError, rows);
}

uint32_t FakeIpHelper::GetUdpTable(std::vector<UdpRow>& rows) {
    std::lock_guard lock(m_mutex);
    ++m_reads;
    return Copy(udp, udpError, rows);
}

uint32_t FakeIpHelper::GetTcpExTable(std::vector<TcpExRow>& rows) {
    std::lock_guard lock(m_mutex);
    ++m_reads;
    return Copy(tcpEx, tcpExError, rows);
}

uint32_t FakeIpHelper::GetUdpExTable(std::vector<UdpExRow>& rows) {
    std::lock_guard lock(m_mutex);
    ++m_reads;
    return Copy(udpEx, udpExError, rows);
}

uint32_t FakeIpHelper::SetTcpEntry(const TcpRow& row) {
    std::lock_guard lock(m_mutex);
    m_deleted.push_back(row);
    return setTcpEntryResult;
}

uint32_t FakeIpHelper::GetTcp6Table(std::vector<Tcp6Row>& rows) {
    std::lock_guard lock(m_mutex);
    ++m_reads;
    return Copy(tcp6, tcp6Error, rows);
}

uint32_t FakeIpHelper::GetUdp6Table(std::vector<Udp6Row>& rows) {
    std::lock_guard lock(m_mutex);
    ++m_reads;
    return Copy(udp6, udp6Error, rows);
}

uint32_t FakeIpHelper::GetTcp6ExTable(std::vector<Tcp6ExRow>& rows) {
    std::lock_guard lock(m_mutex);
    ++m_reads;
    return Copy(tcp6Ex, tcp6ExError, rows);
}

uint32_t FakeIpHelper::GetUdp6ExTable(std::vector<Udp6ExRow>& rows) {
    std::lock_guard lock(m_mutex);
    ++m_reads;
    return Copy(udp6Ex, udp6ExError, rows);
}

uint32_t FakeIpHelper::SetTcp6Entry(const Tcp6Row& row) {
    std::lock_guard lock(m_mutex);
    m_deleted6.push_back(row);
    return setTcpEntryResult;
}

std::vector<Tcp6Row> FakeIpHelper::Deleted6Rows() const {
    std::lock_guard lock(m_mutex);
    return m_deleted6;
}

std::vector<TcpRow> FakeIpHelper::DeletedRows() const {
    std::lock_guard lock(m_mutex);
    return m_deleted;
}

int FakeIpHelper::TableReads() const {
    std::lock_guard lock(m_mutex);
    return m_reads;
}

} // namespace hl
