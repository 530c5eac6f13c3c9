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

private:
    IIpHelper& m_target;
};

} // namespace

std::unique_ptr<IIpHelper> FakeSystem::OpenIpHelper() {
    return std::make_unique<ForwardingIpHelper>(ip);
}

} // namespace hl
