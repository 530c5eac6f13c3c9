#include "inventory/TcpTable.h"

#include "inventory/ProcessNames.h"
#include "inventory/RowFormat.h"
#include "platform/ErrorCodes.h"

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
    RowTexts cells;
    for (const TcpExRow& row : rows) {
        cells[kColProtocol] = "TCP";
        cells[kColPid] = FormatPid(row.pid);
        cells[kColProcessName] = names.GetProcessName(row.pid);
        cells[kColLocalAddress] = FormatAddress(row.localAddr);
        cells[kColLocalPort] = FormatPort(row.localPort);
        cells[kColRemoteAddress] = FormatAddress(row.remoteAddr);
        cells[kColRemotePort] = FormatPort(row.remotePort);
        cells[kColState] = GetStateName(row.state);
        m_pList->InsertFilledItem(cells, kTcpImage);
    }
    return 1;
}

int CTcpTable::FillFromTable() {
    std::vector<TcpRow> rows;
    if (const uint32_t error = m_ipHelper.GetTcpTable(rows); error != 0) {
        return ReaderFailure(error);
    }
    RowTexts cells;
    cells[kColProtocol] = "TCP";
    for (const TcpRow& row : rows) {
        const std::string local = FormatAddress(row.localAddr);
        const std::string remote = FormatAddress(row.remoteAddr);
        cells[kColLocalAddress] = local;
        m_pList->InsertFilledItem(cells, kNoImage);

        WriteTcpTrace(m_trace, "TCP", local, row.localPort, remote, row.remotePort,
                      GetStateName(row.state));
    }
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
    for (const TcpRow& row : rows) {
        if (row.state == kTcpStateEstablished &&
            (row.localPort & 0xFFFF) == (target.localPort & 0xFFFF) &&
            row.remoteAddr == target.remoteAddr &&
            (!target.localAddr || row.localAddr == *target.localAddr) &&
            (!target.remotePort || (row.remotePort & 0xFFFF) == (*target.remotePort & 0xFFFF))) {
            localAddr = row.localAddr;
            remotePort = row.remotePort & 0xFFFF;
            return true;
        }
    }
    return false;
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
