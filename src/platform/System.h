#pragma once

#include "platform/IpHelper.h"
#include "platform/ProcessInfo.h"

#include <memory>

namespace hl {

// The system services the inventory reads from, chosen where objects are built: the real
// ones in the program, fakes in tests.
class ISystem {
public:
    virtual ~ISystem() = default;
    // A view of the socket tables for one refresh or one close. One view may reuse what it
    // learned about socket owners between its own calls; a new view starts afresh.
    virtual std::unique_ptr<IIpHelper> OpenIpHelper() = 0;
    virtual IProcessInfo& Processes() = 0;
};

} // namespace hl
