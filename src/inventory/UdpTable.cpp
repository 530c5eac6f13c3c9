#include "inventory/UdpTable.h"

#include "inventory/ProcessNames.h"
#include "inventory/RowFormat.h"
#include "inventory/UdpRows.h"
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
    InsertUdpExRows(rows, "UDP", names, m_trace, *m_pList);
    return 1;
}

int CUdpTable::FillFromTable() {
    std::vector<UdpRow> rows;
    if (const uint32_t error = m_ipHelper.GetUdpTable(rows); error != 0) {
        return ReaderFailure(error);
    }
    TraceUdpRows(rows, "UDP", m_trace);
    return 1;
}

} // namespace hl
