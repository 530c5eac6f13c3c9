#include "inventory/TcpTable.h"

#include "inventory/ProcessNames.h"
#include "inventory/RowFormat.h"
#include "inventory/TcpRows.h"
#include "platform/ErrorCodes.h"

#include <functional>
#include <vector>

namespace hl {
CTcpTable::CTcpTable(IIpHelper& ipHelper, IProcessInfo& processes, ITraceSink& trace,
                     IMessageBox* messageBox)
    : m_ipHelper(ipHelper), m_processes(processes), m_trace(trace), m_messageBox(messageBox) {}

std::string CTcpTable::GetStateName(uint32_t state) {
    static constexpr const char* kNames[] = {
        "CLOSED",    "LISTEN",     "SYN_SENT", "SYN_RCVD", "ESTABLISHED", "FIN_WAIT1",
        "FIN_WAIT2", "CLOSE_WAIT", "CLOSING",  "LAST_ACK", "TIME_WAIT",   "DELETE_TCB",
    };
    if (state >= 1 && state <= 12) {
        return kNames[state - 1];
    }
    return "UNKNOWN";
}

int CTcpTable::FillFromExTable() {
    CProcessNames names(m_processes);
    // Without the system directory the owner lookups have nothing to read from.
    if (names.GetWindowsDir() == CProcessNames::kErrorText) {
        return kErrorModNotFound;
    }
    std::vector<TcpExRow> rows;
    if (const uint32_t error = m_ipHelper.GetTcpExTable(rows); error != 0) {
        return ReaderFailure(error);
    }
    InsertTcpExRows(rows, "TCP", names, *m_pList);
    return 1;
}

int CTcpTable::FillFromTable() {
    std::vector<TcpRow> rows;
    if (const uint32_t error = m_ipHelper.GetTcpTable(rows); error != 0) {
        return ReaderFailure(error);
    }
    InsertTcpRows(rows, "TCP", m_trace, *m_pList);
    return 1;
}

bool CTcpTable::FindConnection(uint32_t remoteAddr, uint32_t localPort, uint32_t& localAddr,
                               uint32_t& remotePort) {
    return Find(Target{remoteAddr, localPort, std::nullopt, std::nullopt}, localAddr, remotePort);
}

bool CTcpTable::CloseConnection(uint32_t remoteAddr, uint32_t localPort) {
    return Close(Target{remoteAddr, localPort, std::nullopt, std::nullopt});
}

bool CTcpTable::CloseConnection(uint32_t remoteAddr, uint32_t localPort, uint32_t localAddr,
                                uint32_t remotePort) {
    return Close(Target{remoteAddr, localPort, localAddr, remotePort});
}

bool CTcpTable::Find(const Target& target, uint32_t& localAddr, uint32_t& remotePort) {
    localAddr = 0;
    remotePort = 0;
    std::vector<TcpRow> rows;
    if (m_ipHelper.GetTcpTable(rows) != 0) {
        return false;
    }
    const TcpRow* found = FindEstablishedRow(rows, target, std::equal_to<uint32_t>());
    if (found == nullptr) {
        return false;
    }
    localAddr = found->localAddr;
    remotePort = found->remotePort & 0xFFFF;
    return true;
}

bool CTcpTable::Close(const Target& target) {
    auto tell = [this](const char* text) {
        if (m_messageBox != nullptr) {
            m_messageBox->Show(text, kAppTitle, MessageIcon::Information);
        }
    };
    TcpRow row;
    if (!Find(target, row.localAddr, row.remotePort)) {
        tell("Error closing connection");
        return false;
    }
    row.state = kTcpStateDeleteTcb;
    row.localPort = target.localPort & 0xFFFF;
    row.remoteAddr = target.remoteAddr;
    if (m_ipHelper.SetTcpEntry(row) != 0) {
        tell("Error closing connection");
        return false;
    }
    tell("Connection closed succesfully");
    return true;
}

} // namespace hl
