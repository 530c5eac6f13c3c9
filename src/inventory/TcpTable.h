#pragma once

#include "inventory/ListOps.h"
#include "inventory/TraceSink.h"
#include "platform/MessageBox.h"
#include "platform/System.h"

#include <cstdint>
#include <optional>
#include <string>

namespace hl {

// Reads the TCP table into the connection list, and closes one established connection.
// The creator sets m_pList right after construction, before any other call.
class CTcpTable {
public:
    CTcpTable(IIpHelper& ipHelper, IProcessInfo& processes, ITraceSink& trace,
              IMessageBox* messageBox = nullptr);
    virtual ~CTcpTable() = default;

    // The table with owning processes: every row with all eight cells. 1 on success,
    // otherwise the system error code (nothing is written then).
    int FillFromExTable();
    // The plain table: rows with protocol and local address only, and one trace line each.
    int FillFromTable();
    static std::string GetStateName(uint32_t state);

    // Finds the first ESTABLISHED row of the plain table with this local port and remote
    // address (both network order); gives its local address and remote port, or 0 and 0.
    bool FindConnection(uint32_t remoteAddr, uint32_t localPort, uint32_t& localAddr,
                        uint32_t& remotePort);
    // Deletes that connection and tells the user the outcome in a box; true when deleted.
    bool CloseConnection(uint32_t remoteAddr, uint32_t localPort);
    // The same for the one ESTABLISHED connection with all four of remote address, local port,
    // local address and remote port (network order): of two connections from one remote
    // address to one local port, exactly the named one is deleted.
    bool CloseConnection(uint32_t remoteAddr, uint32_t localPort, uint32_t localAddr,
                         uint32_t remotePort);

    IListOps* m_pList = nullptr;

private:
    // What a close looks for: the remote address and local port, and the local address and
    // remote port when the caller names them.
    struct Target {
        uint32_t remoteAddr = 0;
        uint32_t localPort = 0;
        std::optional<uint32_t> localAddr;
        std::optional<uint32_t> remotePort;
    };
    bool Find(const Target& target, uint32_t& localAddr, uint32_t& remotePort);
    bool Close(const Target& target);

    IIpHelper& m_ipHelper;
    IProcessInfo& m_processes;
    ITraceSink& m_trace;
    IMessageBox* m_messageBox;
};

} // namespace hl
