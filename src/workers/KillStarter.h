#pragma once

#include "workers/WorkerContext.h"

#include <cstdint>
#include <string>

namespace hl {

// Starts close workers for one connection list; the Close Connection command calls Start
// with the selected row's Remote Address, Local Port, Local Address and Remote Port texts and
// its index, after checking that the row is a TCP row; the worker then closes exactly that
// connection. Given only the first two, it closes the first established connection with them. Start
// returns at once; the worker shows the result box later and removes the row when the close
// succeeded. Close workers run one after the other.
class KillStarter {
public:
    explicit KillStarter(WorkerContext context) : m_context(std::move(context)) {}

    // False only when no worker thread could be created; nothing is closed then.
    bool Start(const std::string& remoteAddress, const std::string& localPort, int32_t item);
    bool Start(const std::string& remoteAddress, const std::string& localPort,
               const std::string& localAddress, const std::string& remotePort, int32_t item);

private:
    WorkerContext m_context;
};

} // namespace hl
