#pragma once

#include "inventory/ListOps.h"
#include "inventory/ProcessNames.h"
#include "inventory/RowFormat.h"
#include "inventory/TcpTable.h"
#include "inventory/TraceSink.h"
#include "platform/IpHelper.h"

#include <cstdint>
#include <vector>

namespace hl {

// The row loops that the IPv4 and IPv6 TCP readers share; the row types differ only in the
// type of their addresses, which FormatAddress takes in both forms.

// One list row with all eight cells per connection of the table with owners.
template <typename ExRow>
void InsertTcpExRows(const std::vector<ExRow>& rows, const char* protocol, CProcessNames& names,
                     IListOps& list) {
    RowTexts cells;
    cells[kColProtocol] = protocol;
    for (const ExRow& row : rows) {
        cells[kColPid] = FormatPid(row.pid);
        cells[kColProcessName] = names.GetProcessName(row.pid);
        cells[kColLocalAddress] = FormatAddress(row.localAddr);
        cells[kColLocalPort] = FormatPort(row.localPort);
        cells[kColRemoteAddress] = FormatAddress(row.remoteAddr);
        cells[kColRemotePort] = FormatPort(row.remotePort);
        cells[kColState] = CTcpTable::GetStateName(row.state);
        list.InsertFilledItem(cells, kTcpImage);
    }
}

// A list row with the protocol and local address and a trace line per connection of the
// plain table.
template <typename Row>
void InsertTcpRows(const std::vector<Row>& rows, const char* protocol, ITraceSink& trace,
                   IListOps& list) {
    RowTexts cells;
    cells[kColProtocol] = protocol;
    for (const Row& row : rows) {
        const std::string local = FormatAddress(row.localAddr);
        cells[kColLocalAddress] = local;
        list.InsertFilledItem(cells, kNoImage);
        WriteTcpTrace(trace, protocol, local, row.localPort, FormatAddress(row.remoteAddr),
                      row.remotePort, CTcpTable::GetStateName(row.state));
    }
}

// The first ESTABLISHED row that matches what a close looks for: the target's remote address
// and local port, and its local address and remote port where it names them (optionals).
// Ports compare in their low 16 bits, addresses by `same(rowAddress, wantedAddress)`; nullptr
// when no row matches.
template <typename Row, typename Target, typename Same>
const Row* FindEstablishedRow(const std::vector<Row>& rows, const Target& target, Same same) {
    for (const Row& row : rows) {
        if (row.state == kTcpStateEstablished &&
            (row.localPort & 0xFFFF) == (target.localPort & 0xFFFF) &&
            same(row.remoteAddr, target.remoteAddr) &&
            (!target.localAddr || same(row.localAddr, *target.localAddr)) &&
            (!target.remotePort || (row.remotePort & 0xFFFF) == (*target.remotePort & 0xFFFF))) {
            return &row;
        }
    }
    return nullptr;
}

} // namespace hl
