#pragma once

#include "workers/WorkerContext.h"
#include "workers/WorkerThread.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace hl {

// Closes one established TCP connection (IPv4, or IPv6 when the Remote Address text is one), named
// by the Remote Address and Local Port texts of its list row and, when the command gives them, its
// Local Address and Remote Port texts too, under the close lock, and removes that row after a
// successful close. The closer's result box is shown while the lock is held, so the boxes of two
// close workers never stand on screen at once.
class CKillThread : public CWorkerThread {
public:
    explicit CKillThread(WorkerContext context);

    std::shared_ptr<IListOps> m_pList;
    std::string m_strRemoteAddress;
    std::string m_strLocalPort;
    // Both empty: the first established connection with the remote address and local port
    // is closed. Both given: only the connection with all four.
    std::string m_strLocalAddress;
    std::string m_strRemotePort;
    int32_t m_nItem = 0; // the row's index when the command ran; it may be stale by now

    // The remote address in network byte order the way inet_addr reads it (INADDR_NONE for
    // a text that is no address).
    static uint32_t RemoteAddressFromText(const std::string& text);
    // The local port in network byte order: the text read the way atoi reads it (leading
    // white space, an optional sign, decimal digits up to the first other character, 0 when
    // there are none; digits beyond the range wrap instead of overflowing), then its low 16
    // bits. The Remote Port text is read the same way.
    static uint32_t LocalPortFromText(const std::string& text);
    // An IPv6 address text (compressed or not, IPv4-mapped, with a zone "%eth0" or "%2"
    // after it) as an address with its scope; nullopt for any other text, an interface that
    // does not exist included.
    static std::optional<Ip6Addr> Ipv6AddressFromText(const std::string& text);

protected:
    int Run() override;

private:
    // The texts of the closed connection's row: its Remote Address and Local Port (and
    // Local Address and Remote Port, when given).
    TcpRowKey ClosedRowKey() const;
    // The close of a row whose Remote Address text is an IPv6 one (it holds a ':').
    bool CloseIpv6(IIpHelper& ipHelper, IProcessInfo& processes);

    std::shared_ptr<ISystem> m_system;
    std::shared_ptr<ITraceSink> m_trace;
    std::shared_ptr<IMessageBox> m_messageBox;
};

} // namespace hl
