#pragma once

#include "platform/IpHelper.h"
#include "platform/ProcessInfo.h"

#include <memory>

namespace hl {

// What one refresh or one close reads: the socket tables and the processes. The two may share
// what they learn (one walk of the processes gives both the socket owners and the names), and
// every table of the view is served by it; a new view starts afresh.
struct SystemView {
    std::unique_ptr<IIpHelper> ipHelper;
    std::unique_ptr<IProcessInfo> processes;

    explicit operator bool() const { return ipHelper && processes; }
};

// The system services the inventory reads from, chosen where objects are built: the real
// ones in the program, fakes in tests.
class ISystem {
public:
    virtual ~ISystem() = default;
    virtual SystemView OpenView() = 0;
};

} // namespace hl
