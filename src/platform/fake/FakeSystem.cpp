#include "platform/fake/FakeSystem.h"

namespace hl {
namespace {

class ForwardingIpHelper : public IIpHelper {
public:
    explicit ForwardingIpHelper(IIpHelper& target) : m_target(target) {}
    uint32_t GetTcpTable(std::vector<TcpRow>& rows) override { return m_target.GetTcpTable(rows); }
    uint32_t GetUdpTable(std::vector<UdpRow>& rows) override { return m_target.GetUdpTable(rows); }
    uint32_t GetTcpExTable(std::vector<TcpExRow>& rows) override {
        return m_target.GetTcpExTable(rows);
    }
    uint32_t GetUdpExTable(std::vector<UdpExRow>& rows) override {
        return m_target.GetUdpExTable(rows);
    }
    uint32_t SetTcpEntry(const TcpRow& row) override { return m_target.SetTcpEntry(row); }
    uint32_t GetTcp6Table(std::vector<Tcp6Row>& rows) override {
        return m_target.GetTcp6Table(rows);
    }
    uint32_t GetUdp6Table(std::vector<Udp6Row>& rows) override {
        return m_target.GetUdp6Table(rows);
    }
    uint32_t GetTcp6ExTable(std::vector<Tcp6ExRow>& rows) override {
        return m_target.GetTcp6ExTable(rows);
    }
    uint32_t GetUdp6ExTable(std::vector<Udp6ExRow>& rows) override {
        return m_target.GetUdp6ExTable(rows);
    }
    uint32_t SetTcp6Entry(const Tcp6Row& row) override { return m_target.SetTcp6Entry(row); }

private:
    IIpHelper& m_target;
};

class ForwardingProcessInfo : public IProcessInfo {
public:
    explicit ForwardingProcessInfo(IProcessInfo& target) : m_target(target) {}
    std::optional<std::string> SystemDir() override { return m_target.SystemDir(); }
    std::optional<int> OsMajorVersion() override { return m_target.OsMajorVersion(); }
    bool Snapshot(std::vector<ProcessEntry>& processes) override {
        return m_target.Snapshot(processes);
    }
    std::optional<std::string> ExeBaseName(uint32_t pid) override {
        return m_target.ExeBaseName(pid);
    }

private:
    IProcessInfo& m_target;
};

} // namespace

SystemView FakeSystem::OpenView() {
    SystemView view;
    view.ipHelper = std::make_unique<ForwardingIpHelper>(ip);
    view.processes = std::make_unique<ForwardingProcessInfo>(processes);
    return view;
}

} // namespace hl
