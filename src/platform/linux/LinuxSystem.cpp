#include "platform/linux/LinuxSystem.h"

#include "platform/linux/LinuxIpHelper.h"
#include "platform/linux/LinuxProcessInfo.h"

namespace hl {

LinuxSystem::LinuxSystem(std::string procRoot)
    : m_procRoot(std::move(procRoot)), m_processes(std::make_unique<LinuxProcessInfo>(m_procRoot)) {
}

LinuxSystem::~LinuxSystem() = default;

std::unique_ptr<IIpHelper> LinuxSystem::OpenIpHelper() {
    return std::make_unique<LinuxIpHelper>(m_procRoot);
}

IProcessInfo& LinuxSystem::Processes() {
    return *m_processes;
}

} // namespace hl
