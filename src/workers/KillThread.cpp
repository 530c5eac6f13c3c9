#include "workers/KillThread.h"

#include "inventory/Tcp6Table.h"
#include "inventory/TcpTable.h"
#include "workers/Locks.h"

#include <arpa/inet.h>
#include <net/if.h>

namespace hl {

CKillThread::CKillThread(WorkerContext context)
    : m_pList(std::move(context.list)), m_system(std::move(context.system)),
      m_trace(std::move(context.trace)), m_messageBox(std::move(context.messageBox)) {}

uint32_t CKillThread::RemoteAddressFromText(const std::string& text) {
    return ::inet_addr(text.c_str());
}

std::optional<Ip6Addr> CKillThread::Ipv6AddressFromText(const std::string& text) {
    const size_t percent = text.find('%');
    const std::string address = text.substr(0, percent);
    Ip6Addr out;
    if (::inet_pton(AF_INET6, address.c_str(), out.bytes.data()) != 1) {
        return std::nullopt;
    }
    if (percent == std::string::npos) {
        return out;
    }
    const std::string zone = text.substr(percent + 1);
    if (zone.empty()) {
        return std::nullopt;
    }
    if (zone.find_first_not_of("0123456789") == std::string::npos) {
        if (zone.size() > 10) {
            return std::nullopt;
        }
        const unsigned long index = std::stoul(zone);
        if (index == 0 || index > 0xFFFFFFFFul) {
            return std::nullopt;
        }
        out.scopeId = static_cast<uint32_t>(index);
        return out;
    }
    out.scopeId = ::if_nametoindex(zone.c_str());
    if (out.scopeId == 0) {
        return std::nullopt;
    }
    return out;
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
    SystemView view = m_system->OpenView();
    if (!view) {
        if (m_messageBox) {
            m_messageBox->Show("Error closing connection", kAppTitle, MessageIcon::Information);
        }
        return 0;
    }
    if (m_strRemoteAddress.find(':') != std::string::npos) {
        if (CloseIpv6(*view.ipHelper, *view.processes) && m_pList) {
            m_pList->DeleteTcpRow(m_nItem, ClosedRowKey());
        }
        return 0;
    }
    CTcpTable table(*view.ipHelper, *view.processes, *m_trace, m_messageBox.get());
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

bool CKillThread::CloseIpv6(IIpHelper& ipHelper, IProcessInfo& processes) {
    const std::optional<Ip6Addr> remoteAddr = Ipv6AddressFromText(m_strRemoteAddress);
    const bool fourFields = ClosedRowKey().FourFields();
    const std::optional<Ip6Addr> localAddr =
        fourFields ? Ipv6AddressFromText(m_strLocalAddress) : std::nullopt;
    if (!remoteAddr || (fourFields && !localAddr)) {
        if (m_messageBox) {
            m_messageBox->Show("Error closing connection", kAppTitle, MessageIcon::Information);
        }
        return false;
    }
    CTcp6Table table(ipHelper, processes, *m_trace, m_messageBox.get());
    table.m_pList = m_pList.get();
    const uint32_t localPort = LocalPortFromText(m_strLocalPort);
    // Returns when the user has dismissed the result box.
    return localAddr ? table.CloseConnection(*remoteAddr, localPort, *localAddr,
                                             LocalPortFromText(m_strRemotePort))
                     : table.CloseConnection(*remoteAddr, localPort);
}

} // namespace hl
