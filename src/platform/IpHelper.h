#pragma once

#include <cstdint>
#include <vector>

namespace hl {

// Table rows as the connection tables hold them: IPv4 addresses in network byte order, ports
// in network byte order in the low 16 bits of their field (only those bits are meaningful).
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

// The table state value that asks for a connection to be deleted.
inline constexpr uint32_t kTcpStateDeleteTcb = 12;
inline constexpr uint32_t kTcpStateEstablished = 5;

// The machine's IPv4 socket tables and the deletion of a TCP connection.
// Every call returns 0 on success or a system error code (never 1, see ErrorCodes.h).
// Tables come sorted ascending by local address, local port, remote address, remote port,
// each compared as a host-order number. Implementations are safe to call from any thread.
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
};

// Sorts rows into the table order described above.
void SortTcpRows(std::vector<TcpRow>& rows);
void SortTcpRows(std::vector<TcpExRow>& rows);
void SortUdpRows(std::vector<UdpRow>& rows);
void SortUdpRows(std::vector<UdpExRow>& rows);

} // namespace hl
