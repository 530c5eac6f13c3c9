#include "inventory/TableFill.h"

#include "inventory/TcpTable.h"
#include "inventory/UdpTable.h"

namespace hl {

void FillTables(IListOps& list, IIpHelper& ipHelper, IProcessInfo& processes, ITraceSink& trace,
                int32_t showTcp, int32_t showUdp) {
    CTcpTable tcp(ipHelper, processes, trace);
    tcp.m_pList = &list;
    CUdpTable udp(ipHelper, processes, trace);
    udp.m_pList = &list;

    if (showUdp == 1 && udp.FillFromExTable() != 1) {
        udp.FillFromTable();
    }
    if (showTcp == 1 && tcp.FillFromExTable() != 1) {
        tcp.FillFromTable();
    }
}

} // namespace hl
