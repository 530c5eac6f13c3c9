#include "inventory/TableFill.h"

#include "inventory/Tcp6Table.h"
#include "inventory/TcpTable.h"
#include "inventory/Udp6Table.h"
#include "inventory/UdpTable.h"

namespace hl {

void FillTables(IListOps& list, IIpHelper& ipHelper, IProcessInfo& processes, ITraceSink& trace,
                int32_t showTcp, int32_t showUdp) {
    CTcpTable tcp(ipHelper, processes, trace);
    tcp.m_pList = &list;
    CUdpTable udp(ipHelper, processes, trace);
    udp.m_pList = &list;
    CTcp6Table tcp6(ipHelper, processes, trace);
    tcp6.m_pList = &list;
    CUdp6Table udp6(ipHelper, processes, trace);
    udp6.m_pList = &list;

    // Each table falls back on its own; a machine without IPv6 just adds no IPv6 rows.
    const auto fill = [](auto& table) {
        if (table.FillFromExTable() != 1) {
            table.FillFromTable();
        }
    };
    if (showUdp == 1) {
        fill(udp6);
        fill(udp);
    }
    if (showTcp == 1) {
        fill(tcp6);
        fill(tcp);
    }
}

} // namespace hl
