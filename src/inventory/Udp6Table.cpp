#include "inventory/Udp6Table.h"

#include "inventory/ProcessNames.h"
#include "inventory/RowFormat.h"
#include "inventory/UdpRows.h"
#include "platform/ErrorCodes.h"

#include <vector>

namespace hl {

CUdp6Table::CUdp6Table(IIpHelper& ipHelper, IProcessInfo& processes, ITraceSink& trace)
    : m_ipHelper(ipHelper), m_processes(processes), m_trace(trace) {}

int CUdp6Table::FillFromExTable() {
    CProcessNames names(m_processes);
    if (names.GetWindowsDir() == CProcessNames::kErrorText) {
        return kErrorModNotFound;
    }
    std::vector<Udp6ExRow> rows;
    if (const uint32_t error = m_ipHelper.GetUdp6ExTable(rows); error != 0) {
        return ReaderFailure(error);
    }
    InsertUdpExRows(rows, "UDPv6", names, m_trace, *m_pList);
    return 1;
}

int CUdp6Table::FillFromTable() {
    std::vector<Udp6Row> rows;
    if (const uint32_t error = m_ipHelper.GetUdp6Table(rows); error != 0) {
        return ReaderFailure(error);
    }
    TraceUdpRows(rows, "UDPv6", m_trace);
    return 1;
}

} // namespace hl
