#include "inventory/Udp6Table.h"

#include "inventory/ProcessNames.h"
#include "inventory/RowFormat.h"
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
    RowTexts cells;
    cells[kColProtocol] = "UDPv6";
    for (const Udp6ExRow& row : rows) {
        cells[kColPid] = FormatPid(row.pid);
        cells[kColProcessName] = names.GetProcessName(row.pid);
        cells[kColLocalAddress] = FormatAddress(row.localAddr);
        cells[kColLocalPort] = FormatPort(row.localPort);
        WriteUdpExTrace(m_trace, cells);
        m_pList->InsertFilledItem(cells, kUdpImage);
    }
    return 1;
}

int CUdp6Table::FillFromTable() {
    std::vector<Udp6Row> rows;
    if (const uint32_t error = m_ipHelper.GetUdp6Table(rows); error != 0) {
        return ReaderFailure(error);
    }
    for (const Udp6Row& row : rows) {
        WriteUdpTrace(m_trace, "UDPv6", FormatAddress(row.localAddr), row.localPort);
    }
    return 1;
}

} // namespace hl
