#pragma once

#include "inventory/ListOps.h"
#include "inventory/TraceSink.h"
#include "platform/System.h"

namespace hl {

// Reads the IPv6 UDP table into the connection list as "UDPv6" rows: the rows, cells and
// trace lines of CUdpTable with the IPv6 address text. The creator sets m_pList right after
// construction, before any other call.
class CUdp6Table {
public:
    CUdp6Table(IIpHelper& ipHelper, IProcessInfo& processes, ITraceSink& trace);
    virtual ~CUdp6Table() = default;

    // The table with owning processes: one row per endpoint (cells 0 to 4) and one trace
    // line each. 1 on success, otherwise the system error code.
    int FillFromExTable();
    // The plain table: trace lines only, no rows.
    int FillFromTable();

    IListOps* m_pList = nullptr;

private:
    IIpHelper& m_ipHelper;
    IProcessInfo& m_processes;
    ITraceSink& m_trace;
};

} // namespace hl
