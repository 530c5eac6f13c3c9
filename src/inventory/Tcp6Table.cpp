#include "inventory/Tcp6Table.h"

#include "inventory/ProcessNames.h"
#include "inventory/RowFormat.h"
#include "inventory/TcpRows.h"
#include "inventory/TcpTable.h"
#include "platform/ErrorCodes.h"

#include <vector>

namespace hl {
namespace {

constexpr const char* kProtocol = "TCPv6";

void TellCloseResult(IMessageBox* box, bool closed) {
    if (box != nullptr) {
        box->Show(closed ? "Connection closed succesfully" : "Error closing connection", kAppTitle,
                  MessageIcon::Information);
    }
}

// The plain table gives no scopes, so a scope takes part only where both sides have one.
bool SameAddress(const Ip6Addr& row, const Ip6Addr& wanted) {
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
    InsertTcpExRows(rows, kProtocol, names, *m_pList);
    return 1;
}

int CTcp6Table::FillFromTable() {
    std::vector<Tcp6Row> rows;
    if (const uint32_t error = m_ipHelper.GetTcp6Table(rows); error != 0) {
        return ReaderFailure(error);
    }
    InsertTcpRows(rows, kProtocol, m_trace, *m_pList);
    return 1;
}

bool CTcp6Table::FindConnection(const Ip6Addr& remoteAddr, uint32_t localPort, Ip6Addr& localAddr,
                                uint32_t& remotePort) {
    return Find(Target{remoteAddr, localPort, std::nullopt, std::nullopt}, localAddr, remotePort);
}

bool CTcp6Table::CloseConnection(const Ip6Addr& remoteAddr, uint32_t localPort) {
    return Close(Target{remoteAddr, localPort, std::nullopt, std::nullopt});
}

bool CTcp6Table::CloseConnection(const Ip6Addr& remoteAddr, uint32_t localPort,
                                 const Ip6Addr& localAddr, uint32_t remotePort) {
    return Close(Target{remoteAddr, localPort, localAddr, remotePort});
}

bool CTcp6Table::Find(const Target& target, Ip6Addr& localAddr, uint32_t& remotePort) {
    localAddr = Ip6Addr{};
    remotePort = 0;
    std::vector<Tcp6Row> rows;
    if (m_ipHelper.GetTcp6Table(rows) != 0) {
        return false;
    }
    const Tcp6Row* found = FindEstablishedRow(rows, target, SameAddress);
    if (found == nullptr) {
        return false;
    }
    localAddr = found->localAddr;
    remotePort = found->remotePort & 0xFFFF;
    return true;
}

bool CTcp6Table::Close(const Target& target) {
    Tcp6Row row;
    if (!Find(target, row.localAddr, row.remotePort)) {
        TellCloseResult(m_messageBox, false);
        return false;
    }
    row.state = kTcpStateDeleteTcb;
    row.localPort = target.localPort & 0xFFFF;
    row.remoteAddr = target.remoteAddr;
    // The plain table knows no scopes: a link-local pair is closed on the interface that the
    // row's address texts named.
    if (row.localAddr.scopeId == 0) {
        row.localAddr.scopeId =
            target.localAddr ? target.localAddr->scopeId : target.remoteAddr.scopeId;
    }
    const bool closed = m_ipHelper.SetTcp6Entry(row) == 0;
    TellCloseResult(m_messageBox, closed);
    return closed;
}

} // namespace hl
