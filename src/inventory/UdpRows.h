#pragma once

#include "inventory/ListOps.h"
#include "inventory/ProcessNames.h"
#include "inventory/RowFormat.h"
#include "inventory/TraceSink.h"

#include <vector>

namespace hl {

// The row loops that the IPv4 and IPv6 UDP readers share; the row types differ only in the
// type of their address, which FormatAddress takes in both forms.

// One list row (cells 0 to 4) and one trace line per endpoint of the table with owners.
template <typename ExRow>
void InsertUdpExRows(const std::vector<ExRow>& rows, const char* protocol, CProcessNames& names,
                     ITraceSink& trace, IListOps& list) {
    RowTexts cells;
    cells[kColProtocol] = protocol;
    for (const ExRow& row : rows) {
        cells[kColPid] = FormatPid(row.pid);
        cells[kColProcessName] = names.GetProcessName(row.pid);
        cells[kColLocalAddress] = FormatAddress(row.localAddr);
        cells[kColLocalPort] = FormatPort(row.localPort);
        WriteUdpExTrace(trace, cells);
        list.InsertFilledItem(cells, kUdpImage);
    }
}

// A trace line per endpoint of the plain table, which gives no rows.
template <typename Row>
void TraceUdpRows(const std::vector<Row>& rows, const char* protocol, ITraceSink& trace) {
    for (const Row& row : rows) {
        WriteUdpTrace(trace, protocol, FormatAddress(row.localAddr), row.localPort);
    }
}

} // namespace hl
