#include "inventory/UdpTable.h"

#include "inventory/ProcessNames.h"
#include "inventory/RowFormat.h"
#include "platform/ErrorCodes.h"

#include <vector>

namespace hl {
CUdpTable::CUdpTable(IIpHelper& ipHelper, IProcessInfo& processes, ITraceSink& trace)
    : m_ipHelper(ipHelper), m_processes(processes), m_trace(trace) {}

int CUdpTable::FillFromExTable() {
    CProcessNames names(m_processes);
    if (names.GetWindowsDir() == CProcessNames::kErrorText) {
        return kErrorModNotFound;
    }
    std::vector<UdpExRow> rows;
    if (const uint32_t error = m_ipHelper.GetUdpExTable(rows); error != 0) {
        return ReaderFailure(error);
    }
    RowTexts cells;
    cells[kColProtocol] = "UDP";
    for (const UdpExRow& row : rows) {
        cells[kColPid] = FormatPid(row.pid);
        cells[kColProcessName] = names.GetProcessName(row.pid);
        cells[kColLocalAddress] = FormatAddress(row.localAddr);
        cells[kColLocalPort] = FormatPort(row.localPort);
        WriteUdpExTrace(m_trace, cells);
        m_pList->InsertFilledItem(cells, kUdpImage);
    }
    return 1;
}

int CUdpTable::FillFromTable() {
    std::vector<UdpRow> rows;
    if (const uint32_t error = m_ipHelper.GetUdpTable(rows); error != 0) {
        return ReaderFailure(error);
    }
    for (const UdpRow& row : rows) {
        WriteUdpTrace(m_trace, "UDP", FormatAddress(row.localAddr), row.localPort);
    }
    return 1;
}

} // namespace hl
