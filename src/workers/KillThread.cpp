#include "workers/KillThread.h"

#include "inventory/TcpTable.h"
#include "workers/Locks.h"

#include <arpa/inet.h>

namespace hl {

CKillThread::CKillThread(WorkerContext context)
    : m_pList(std::move(context.list)), m_system(std::move(context.system)),
      m_trace(std::move(context.trace)), m_messageBox(std::move(context.messageBox)) {}

uint32_t CKillThread::RemoteAddressFromText(const std::string& text) {
    return ::inet_addr(text.c_str());
}

uint32_t CKillThread::LocalPortFromText(const std::string& text) {
    size_t i = 0;
    auto isSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (i < text.size() && isSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Unsigned arithmetic wraps where atoi would overflow; only the low 16 bits are kept, and
    // those are the same either way for every number atoi can represent.
    uint32_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
        ++i;
    }
    if (negative) {
        value = 0u - value;
    }
    return htons(static_cast<uint16_t>(value & 0xFFFFu));
}

int CKillThread::Run() {
    std::lock_guard lock(CloseLock());
    if (!m_system || !m_trace) {
        return 0;
    }
    std::unique_ptr<IIpHelper> ipHelper = m_system->OpenIpHelper();
    if (!ipHelper) {
        if (m_messageBox) {
            m_messageBox->Show("Error closing connection", kAppTitle, MessageIcon::Information);
        }
        return 0;
    }
    CTcpTable table(*ipHelper, m_system->Processes(), *m_trace, m_messageBox.get());
    table.m_pList = m_pList.get();
    const uint32_t remoteAddr = RemoteAddressFromText(m_strRemoteAddress);
    const uint32_t localPort = LocalPortFromText(m_strLocalPort);
    // Returns when the user has dismissed the result box.
    const bool closed =
        ClosedRowKey().FourFields()
            ? table.CloseConnection(remoteAddr, localPort, RemoteAddressFromText(m_strLocalAddress),
                                    LocalPortFromText(m_strRemotePort))
            : table.CloseConnection(remoteAddr, localPort);
    if (closed && m_pList) {
        // Refreshes, sorts and earlier closes may have moved the row since the command read
        // it: the list removes row m_nItem if it still is the connection's row, else the
        // first row that is, else none, in one step.
        m_pList->DeleteTcpRow(m_nItem, ClosedRowKey());
    }
    return 0;
}

TcpRowKey CKillThread::ClosedRowKey() const {
    return {m_strRemoteAddress, m_strLocalPort, m_strLocalAddress, m_strRemotePort};
}

} // namespace hl
