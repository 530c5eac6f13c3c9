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

    // The tables and the processes of one view share one walk of the processes.
    SystemView OpenView() override;

private:
    std::string m_procRoot;
};

} // namespace hl
