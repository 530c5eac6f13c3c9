#include "workers/KillStarter.h"

#include "workers/KillThread.h"

namespace hl {

bool KillStarter::Start(const std::string& remoteAddress, const std::string& localPort,
                        int32_t item) {
    return Start(remoteAddress, localPort, std::string(), std::string(), item);
}

bool KillStarter::Start(const std::string& remoteAddress, const std::string& localPort,
                        const std::string& localAddress, const std::string& remotePort,
                        int32_t item) {
    auto worker = CWorkerThread::CreateSuspended<CKillThread>(m_context);
    worker->m_strRemoteAddress = remoteAddress;
    worker->m_strLocalPort = localPort;
    worker->m_strLocalAddress = localAddress;
    worker->m_strRemotePort = remotePort;
    worker->m_nItem = item;
    return CWorkerThread::Resume(std::move(worker));
}

} // namespace hl
