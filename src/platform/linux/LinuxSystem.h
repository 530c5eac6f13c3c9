#pragma once

#include "platform/System.h"

#include <string>

namespace hl {

// The real system: socket tables from netlink sock_diag and <procRoot>/net, processes from
// <procRoot>. procRoot is "/proc" in the program; tests point it at a fixture tree.
class LinuxSystem : public ISystem {
public:
    explicit LinuxSystem(std::string procRoot = "/proc");
    ~LinuxSystem() override;

    std::unique_ptr<IIpHelper> OpenIpHelper() override;
    IProcessInfo& Processes() override;

private:
    std::string m_procRoot;
    std::unique_ptr<IProcessInfo> m_processes;
};

} // namespace hl
