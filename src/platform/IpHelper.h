#pragma once

#include <arpa/inet.h>
#include <array>
#include <cstdint>
#include <vector>

namespace hl {

// Table rows as the connection tables hold them: IPv4 addresses in network byte order, ports
// in network byte order in the low 16 bits of their field (only those bits are meaningful).
// A port field of a row as a host-order number.
inline uint16_t HostPort(uint32_t networkPort) {
    return ntohs(static_cast<uint16_t>(networkPort));
}

struct TcpRow {
    uint32_t state = 0; // table numbering: 1 CLOSED ... 5 ESTABLISHED ... 12 DELETE_TCB
    uint32_t localAddr = 0;
    uint32_t localPort = 0;
    uint32_t remoteAddr = 0;
    uint32_t remotePort = 0;
    bool operator==(const TcpRow&) const = default;
};

struct TcpExRow : TcpRow {
    uint32_t pid = 0; // 0 when the owner cannot be seen
    bool operator==(const TcpExRow&) const = default;
};

struct UdpRow {
    uint32_t localAddr = 0;
    uint32_t localPort = 0;
    bool operator==(const UdpRow&) const = default;
};

struct UdpExRow : UdpRow {
    uint32_t pid = 0;
    bool operator==(const UdpExRow&) const = default;
};

// An IPv6 address: the 16 bytes in network order, and the interface index that a link-local
// address belongs to (0 for none, or where the source does not say).
struct Ip6Addr {
    std::array<uint8_t, 16> bytes{};
    uint32_t scopeId = 0;
    bool operator==(const Ip6Addr&) const = default;
};

// The IPv6 tables. Ports and states as in the IPv4 rows. IPv4-mapped addresses
// (::ffff:a.b.c.d) of dual-stack sockets stay here, as the kernel lists them.
struct Tcp6Row {
    uint32_t state = 0;
    Ip6Addr localAddr;
    uint32_t localPort = 0;
    Ip6Addr remoteAddr;
    uint32_t remotePort = 0;
    bool operator==(const Tcp6Row&) const = default;
};

struct Tcp6ExRow : Tcp6Row {
    uint32_t pid = 0;
    bool operator==(const Tcp6ExRow&) const = default;
};

struct Udp6Row {
    Ip6Addr localAddr;
    uint32_t localPort = 0;
    bool operator==(const Udp6Row&) const = default;
};

struct Udp6ExRow : Udp6Row {
    uint32_t pid = 0;
    bool operator==(const Udp6ExRow&) const = default;
};

// The table state value that asks for a connection to be deleted.
inline constexpr uint32_t kTcpStateDeleteTcb = 12;
inline constexpr uint32_t kTcpStateEstablished = 5;

// The machine's IPv4 and IPv6 socket tables and the deletion of a TCP connection.
// Every call returns 0 on success or a system error code (never 1, see ErrorCodes.h).
// Tables come sorted ascending by local address, local port, remote address, remote port,
// each compared as a host-order number (IPv6 addresses as 128-bit numbers, then by scope).
// Implementations are safe to call from any thread.
class IIpHelper {
public:
    virtual ~IIpHelper() = default;

    virtual uint32_t GetTcpTable(std::vector<TcpRow>& rows) = 0;
    virtual uint32_t GetUdpTable(std::vector<UdpRow>& rows) = 0;
    // The tables with the owning process id of every row.
    virtual uint32_t GetTcpExTable(std::vector<TcpExRow>& rows) = 0;
    virtual uint32_t GetUdpExTable(std::vector<UdpExRow>& rows) = 0;
    // Deletes the connection named by the row's four-tuple; the row's state must be 12.
    virtual uint32_t SetTcpEntry(const TcpRow& row) = 0;

    virtual uint32_t GetTcp6Table(std::vector<Tcp6Row>& rows) = 0;
    virtual uint32_t GetUdp6Table(std::vector<Udp6Row>& rows) = 0;
    virtual uint32_t GetTcp6ExTable(std::vector<Tcp6ExRow>& rows) = 0;
    virtual uint32_t GetUdp6ExTable(std::vector<Udp6ExRow>& rows) = 0;
    virtual uint32_t SetTcp6Entry(const Tcp6Row& row) = 0;
};

// Sorts rows into the table order described above.
void SortTcpRows(std::vector<TcpRow>& rows);
void SortTcpRows(std::vector<TcpExRow>& rows);
void SortUdpRows(std::vector<UdpRow>& rows);
void SortUdpRows(std::vector<UdpExRow>& rows);
void SortTcpRows(std::vector<Tcp6Row>& rows);
void SortTcpRows(std::vector<Tcp6ExRow>& rows);
void SortUdpRows(std::vector<Udp6Row>& rows);
void SortUdpRows(std::vector<Udp6ExRow>& rows);

} // namespace hl
