#pragma once

#include "inventory/ListOps.h"
#include "inventory/TraceSink.h"
#include "platform/MessageBox.h"
#include "platform/System.h"

#include <cstdint>
#include <optional>

namespace hl {

// Reads the IPv6 TCP table into the connection list as "TCPv6" rows, and closes one
// established IPv6 connection. Rows, cells and trace lines are those of CTcpTable with the
// IPv6 address text. The creator sets m_pList right after construction, before any other call.
class CTcp6Table {
public:
    CTcp6Table(IIpHelper& ipHelper, IProcessInfo& processes, ITraceSink& trace,
               IMessageBox* messageBox = nullptr);
    virtual ~CTcp6Table() = default;

    // The table with owning processes: every row with all eight cells. 1 on success,
    // otherwise the system error code (nothing is written then).
    int FillFromExTable();
    // The plain table: rows with protocol and local address only, and one trace line each.
    int FillFromTable();

    // Finds the first ESTABLISHED row of the plain table with this local port (network
    // order) and remote address; gives its local address and remote port, or :: and 0. The
    // plain table knows no scopes, so a scope takes part only where both sides have one.
    bool FindConnection(const Ip6Addr& remoteAddr, uint32_t localPort, Ip6Addr& localAddr,
                        uint32_t& remotePort);
    // Deletes that connection and tells the user the outcome in a box; true when deleted.
    bool CloseConnection(const Ip6Addr& remoteAddr, uint32_t localPort);
    // The same for the one ESTABLISHED connection with all four of remote address, local
    // port, local address and remote port.
    bool CloseConnection(const Ip6Addr& remoteAddr, uint32_t localPort, const Ip6Addr& localAddr,
                         uint32_t remotePort);

    IListOps* m_pList = nullptr;

private:
    struct Target {
        Ip6Addr remoteAddr;
        uint32_t localPort = 0;
        std::optional<Ip6Addr> localAddr;
        std::optional<uint32_t> remotePort;
    };
    bool Find(const Target& target, Ip6Addr& localAddr, uint32_t& remotePort);
    bool Close(const Target& target);

    IIpHelper& m_ipHelper;
    IProcessInfo& m_processes;
    ITraceSink& m_trace;
    IMessageBox* m_messageBox;
};

} // namespace hl
