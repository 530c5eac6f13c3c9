#include "inventory/Tcp6Table.h"

#include "inventory/ProcessNames.h"
#include "inventory/RowFormat.h"
#include "inventory/TcpTable.h"
#include "platform/ErrorCodes.h"

#include <vector>

namespace hl {
namespace {

constexpr const char* kProtocol = "TCPv6";

bool SameRemote(const Ip6Addr& row, const Ip6Addr& wanted) {
    return row.bytes == wanted.bytes &&
           (row.scopeId == 0 || wanted.scopeId == 0 || row.scopeId == wanted.scopeId);
}

} // namespace

CTcp6Table::CTcp6Table(IIpHelper& ipHelper, IProcessInfo& processes, ITraceSink& trace,
                       IMessageBox* messageBox)
    : m_ipHelper(ipHelper), m_processes(processes), m_trace(trace), m_messageBox(messageBox) {}

int CTcp6Table::FillFromExTable() {
    CProcessNames names(m_processes);
    // Without the system directory the owner lookups have nothing to read from.
    if (names.GetWindowsDir() == CProcessNames::kErrorText) {
        return kErrorModNotFound;
    }
    std::vector<Tcp6ExRow> rows;
    if (const uint32_t error = m_ipHelper.GetTcp6ExTable(rows); error != 0) {
        return ReaderFailure(error);
    }
    RowTexts cells;
    for (const Tcp6ExRow& row : rows) {
        cells[kColProtocol] = kProtocol;
        cells[kColPid] = FormatPid(row.pid);
        cells[kColProcessName] = names.GetProcessName(row.pid);
        cells[kColLocalAddress] = FormatAddress(row.localAddr);
        cells[kColLocalPort] = FormatPort(row.localPort);
        cells[kColRemoteAddress] = FormatAddress(row.remoteAddr);
        cells[kColRemotePort] = FormatPort(row.remotePort);
        cells[kColState] = CTcpTable::GetStateName(row.state);
        m_pList->InsertFilledItem(cells, kTcpImage);
    }
    return 1;
}

int CTcp6Table::FillFromTable() {
    std::vector<Tcp6Row> rows;
    if (const uint32_t error = m_ipHelper.GetTcp6Table(rows); error != 0) {
        return ReaderFailure(error);
    }
    RowTexts cells;
    cells[kColProtocol] = kProtocol;
    for (const Tcp6Row& row : rows) {
        const std::string local = FormatAddress(row.localAddr);
        cells[kColLocalAddress] = local;
        m_pList->InsertFilledItem(cells, kNoImage);
        WriteTcpTrace(m_trace, kProtocol, local, row.localPort, FormatAddress(row.remoteAddr),
                      row.remotePort, CTcpTable::GetStateName(row.state));
    }
    return 1;
}

bool CTcp6Table::FindConnection(const Ip6Addr& remoteAddr, uint32_t localPort, Ip6Addr& localAddr,
                                uint32_t& remotePort) {
    localAddr = Ip6Addr{};
    remotePort = 0;
    std::vector<Tcp6Row> rows;
    if (m_ipHelper.GetTcp6Table(rows) != 0) {
        return false;
    }
    for (const Tcp6Row& row : rows) {
        if (row.state == kTcpStateEstablished && (row.localPort & 0xFFFF) == (localPort & 0xFFFF) &&
            SameRemote(row.remoteAddr, remoteAddr)) {
            localAddr = row.localAddr;
            remotePort = row.remotePort & 0xFFFF;
            return true;
        }
    }
    return false;
}

bool CTcp6Table::CloseConnection(const Ip6Addr& remoteAddr, uint32_t localPort) {
    auto tell = [this](const char* text) {
        if (m_messageBox != nullptr) {
            m_messageBox->Show(text, kAppTitle, MessageIcon::Information);
        }
    };
    Tcp6Row row;
    if (!FindConnection(remoteAddr, localPort, row.localAddr, row.remotePort)) {
        tell("Error closing connection");
        return false;
    }
    row.state = kTcpStateDeleteTcb;
    row.localPort = localPort & 0xFFFF;
    row.remoteAddr = remoteAddr;
    // A link-local pair is closed on the interface that the address text named.
    if (row.localAddr.scopeId == 0) {
        row.localAddr.scopeId = remoteAddr.scopeId;
    }
    if (m_ipHelper.SetTcp6Entry(row) != 0) {
        tell("Error closing connection");
        return false;
    }
    tell("Connection closed succesfully");
    return true;
}

} // namespace hl
