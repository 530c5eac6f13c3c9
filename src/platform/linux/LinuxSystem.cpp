#include "platform/linux/LinuxSystem.h"

#include "platform/linux/LinuxIpHelper.h"
#include "platform/linux/LinuxProcessInfo.h"
#include "platform/linux/ProcessScan.h"

namespace hl {

LinuxSystem::LinuxSystem(std::string procRoot) : m_procRoot(std::move(procRoot)) {}

LinuxSystem::~LinuxSystem() = default;

SystemView LinuxSystem::OpenView() {
    auto scan = std::make_shared<ProcessScan>(m_procRoot);
    SystemView view;
    view.ipHelper = std::make_unique<LinuxIpHelper>(m_procRoot, scan);
    view.processes = std::make_unique<LinuxProcessInfo>(m_procRoot, std::move(scan));
    return view;
}

} // namespace hl
