#include "inventory/MemoryList.h"
#include "inventory/TcpTable.h"
#include "inventory/UdpTable.h"
#include "platform/fake/FakeSystem.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace hl {
namespace {

using ::testing::ElementsAre;

uint32_t Addr(const char* dotted) {
    return inet_addr(dotted);
}
uint32_t Port(uint16_t port) {
    return htons(port);
}

TcpExRow TcpEx(uint32_t state, const char* local, uint16_t lport, const char* remote,
               uint16_t rport, uint32_t pid) {
    TcpExRow row;
    row.state = state;
    row.localAddr = Addr(local);
    row.localPort = Port(lport);
    row.remoteAddr = Addr(remote);
    row.remotePort = Port(rport);
    row.pid = pid;
    return row;
}

UdpExRow UdpEx(const char* local, uint16_t lport, uint32_t pid) {
    UdpExRow row;
    row.localAddr = Addr(local);
    row.localPort = Port(lport);
    row.pid = pid;
    return row;
}

// Runs the readers the way a refresh does: UDP first, then TCP, each falling back to its
// plain table when the extended read does not report 1.
struct Refresh {
    FakeSystem system;
    MemoryList list;
    CaptureTraceSink trace;
    int udpEx = 0, udpBasic = 0, tcpEx = 0, tcpBasic = 0;

    void Run() {
        auto ip = std::move(system.OpenView().ipHelper);
        CUdpTable udp(*ip, system.processes, trace);
        udp.m_pList = &list;
        udpEx = udp.FillFromExTable();
        if (udpEx != 1) {
            udpBasic = udp.FillFromTable();
        }
        CTcpTable tcp(*ip, system.processes, trace);
        tcp.m_pList = &list;
        tcpEx = tcp.FillFromExTable();
        if (tcpEx != 1) {
            tcpBasic = tcp.FillFromTable();
        }
    }

    std::vector<std::string> Column(int col) const {
        std::vector<std::string> out;
        for (const auto& row : list.Rows()) {
            out.push_back(row.cells[col]);
        }
        return out;
    }
};

TEST(TableReader, ExtendedRowsGoOnTopInReverseOrderTcpAboveUdp) {
    Refresh r;
    r.system.processes.processes = {{100, "sshd"}, {200, "named"}};
    r.system.ip.tcpEx = {TcpEx(2, "0.0.0.0", 22, "0.0.0.0", 0, 100),
                         TcpEx(5, "10.1.2.3", 65535, "192.168.0.10", 50123, 100)};
    r.system.ip.udpEx = {UdpEx("0.0.0.0", 53, 200), UdpEx("127.0.0.1", 5353, 200)};
    r.Run();

    EXPECT_EQ(r.udpEx, 1);
    EXPECT_EQ(r.tcpEx, 1);
    const auto rows = r.list.Rows();
    ASSERT_EQ(rows.size(), 4u);
    using Cells = RowTexts;
    EXPECT_EQ(rows[0].cells, (Cells{"TCP", "100", "sshd", "10.1.2.3", "65535", "192.168.0.10",
                                    "50123", "ESTABLISHED"}));
    EXPECT_EQ(rows[1].cells,
              (Cells{"TCP", "100", "sshd", "0.0.0.0", "22", "0.0.0.0", "0", "LISTEN"}));
    EXPECT_EQ(rows[2].cells, (Cells{"UDP", "200", "named", "127.0.0.1", "5353", "", "", ""}));
    EXPECT_EQ(rows[3].cells, (Cells{"UDP", "200", "named", "0.0.0.0", "53", "", "", ""}));
    EXPECT_EQ(rows[0].image, 0);
    EXPECT_EQ(rows[2].image, 1);

    // The extended UDP path traces every endpoint; the extended TCP path writes nothing.
    EXPECT_EQ(r.trace.Text(), "\n UDP \t200 \tnamed  \t0.0.0.0 \t53"
                              "\n UDP \t200 \tnamed  \t127.0.0.1 \t5353");
    EXPECT_EQ(r.trace.Lines(), 2);
}

TEST(TableReader, WithoutExtendedTablesTcpRowsAreReducedAndUdpOnlyTraced) {
    Refresh r;
    r.system.ip.tcpExError = 50;
    r.system.ip.udpExError = 50;
    TcpRow a{5, Addr("127.0.0.1"), Port(8080), Addr("10.0.0.1"), Port(443)};
    TcpRow b{2, Addr("0.0.0.0"), Port(22), Addr("0.0.0.0"), Port(0)};
    r.system.ip.tcp = {a, b};
    r.system.ip.udp = {UdpRow{Addr("0.0.0.0"), Port(68)}};
    r.Run();

    EXPECT_EQ(r.udpEx, 50);
    EXPECT_EQ(r.udpBasic, 1);
    EXPECT_EQ(r.tcpEx, 50);
    EXPECT_EQ(r.tcpBasic, 1);
    const auto rows = r.list.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].cells, (RowTexts{"TCP", "", "", "0.0.0.0", "", "", "", ""}));
    EXPECT_EQ(rows[1].cells, (RowTexts{"TCP", "", "", "127.0.0.1", "", "", "", ""}));
    EXPECT_EQ(rows[0].image, kNoImage);

    // "127.0.0.1" has 9 characters: 8 fill blanks; "10.0.0.1" has 8: 9 blanks; "0.0.0.0": 10.
    const std::string expected = std::string("\n UDP \t0.0.0.0 \t68") + "\n TCP\t127.0.0.1 " +
                                 std::string(8, ' ') + "\t 8080 \t\t" + "10.0.0.1" +
                                 std::string(9, ' ') + "\t 443\t\tESTABLISHED" +
                                 "\n TCP\t0.0.0.0 " + std::string(10, ' ') + "\t 22 \t\t" +
                                 "0.0.0.0" + std::string(10, ' ') + "\t 0\t\tLISTEN";
    EXPECT_EQ(r.trace.Text(), expected);
    // Each line is ended once it is whole, so a line-buffered sink never splits one.
    EXPECT_EQ(r.trace.Lines(), 3);
}

TEST(TableReader, EmptyTablesAddNothingAndSucceedOnEitherPath) {
    for (bool extended : {true, false}) {
        SCOPED_TRACE(extended ? "extended" : "basic");
        Refresh r;
        if (!extended) {
            r.system.ip.tcpExError = 2;
            r.system.ip.udpExError = 2;
        }
        r.Run();
        EXPECT_EQ(extended ? r.udpEx : r.udpBasic, 1);
        EXPECT_EQ(extended ? r.tcpEx : r.tcpBasic, 1);
        EXPECT_EQ(r.list.GetItemCount(), 0);
        EXPECT_EQ(r.trace.Text(), "");
    }
}

TEST(TableReader, FailingPlainTablesAddNothingAndReturnTheirCode) {
    Refresh r;
    r.system.ip.tcpExError = 50;
    r.system.ip.udpExError = 50;
    r.system.ip.tcpError = 5;
    r.system.ip.udpError = 8;
    r.system.ip.tcp = {TcpRow{5, Addr("1.2.3.4"), Port(1), Addr("5.6.7.8"), Port(2)}};
    r.Run();
    EXPECT_EQ(r.udpBasic, 8);
    EXPECT_EQ(r.tcpBasic, 5);
    EXPECT_EQ(r.list.GetItemCount(), 0);
    EXPECT_EQ(r.trace.Text(), "");
}

TEST(TableReader, ErrorCodeOneIsNeverTakenForSuccess) {
    Refresh r;
    r.system.ip.tcpExError = 1;
    r.system.ip.tcp = {TcpRow{2, Addr("0.0.0.0"), Port(22), 0, 0}};
    r.Run();
    EXPECT_NE(r.tcpEx, 1);
    EXPECT_EQ(r.tcpBasic, 1);
    EXPECT_THAT(r.Column(kColLocalAddress), ElementsAre("0.0.0.0"));
}

TEST(TableReader, UnreadableSystemDirectorySendsBothReadersToTheirPlainTables) {
    Refresh r;
    r.system.processes.systemDir = std::nullopt;
    r.system.ip.tcpEx = {TcpEx(5, "1.1.1.1", 1, "2.2.2.2", 2, 7)};
    r.system.ip.udpEx = {UdpEx("3.3.3.3", 3, 7)};
    r.system.ip.tcp = {TcpRow{5, Addr("1.1.1.1"), Port(1), Addr("2.2.2.2"), Port(2)}};
    r.Run();
    EXPECT_NE(r.udpEx, 1);
    EXPECT_NE(r.tcpEx, 1);
    EXPECT_EQ(r.system.ip.TableReads(), 2); // only the two plain tables were read
    EXPECT_THAT(r.Column(kColPid), ElementsAre(""));
}

struct StateCase {
    const char* name;
    uint32_t state;
    const char* text;
};

class StateNames : public ::testing::TestWithParam<StateCase> {};

TEST_P(StateNames, CellAndTraceShowTheName) {
    const StateCase& c = GetParam();
    EXPECT_EQ(CTcpTable::GetStateName(c.state), c.text);

    Refresh ext;
    ext.system.ip.tcpEx = {TcpEx(c.state, "1.2.3.4", 1, "5.6.7.8", 2, 0)};
    ext.Run();
    EXPECT_THAT(ext.Column(kColState), ElementsAre(c.text));

    Refresh basic;
    basic.system.ip.tcpExError = 50;
    basic.system.ip.tcp = {TcpRow{c.state, Addr("1.2.3.4"), Port(1), Addr("5.6.7.8"), Port(2)}};
    basic.Run();
    EXPECT_TRUE(basic.trace.Text().ends_with(std::string("\t\t") + c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Table, StateNames,
    ::testing::Values(StateCase{"zero", 0, "UNKNOWN"}, StateCase{"closed", 1, "CLOSED"},
                      StateCase{"listen", 2, "LISTEN"}, StateCase{"synSent", 3, "SYN_SENT"},
                      StateCase{"synRcvd", 4, "SYN_RCVD"},
                      StateCase{"established", 5, "ESTABLISHED"},
                      StateCase{"finWait1", 6, "FIN_WAIT1"}, StateCase{"finWait2", 7, "FIN_WAIT2"},
                      StateCase{"closeWait", 8, "CLOSE_WAIT"}, StateCase{"closing", 9, "CLOSING"},
                      StateCase{"lastAck", 10, "LAST_ACK"}, StateCase{"timeWait", 11, "TIME_WAIT"},
                      StateCase{"deleteTcb", 12, "DELETE_TCB"},
                      StateCase{"thirteen", 13, "UNKNOWN"}, StateCase{"max8bit", 255, "UNKNOWN"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TableReader, OwnerNamesComeFromOneSnapshotPerRead) {
    Refresh r;
    r.system.processes.processes = {{1, "init"}, {4000000000u, "big"}};
    for (int i = 0; i < 50; ++i) {
        r.system.ip.tcpEx.push_back(TcpEx(5, "1.1.1.1", 1000 + i, "2.2.2.2", 80, i % 2));
    }
    r.system.ip.udpEx = {UdpEx("0.0.0.0", 9, 4000000000u), UdpEx("0.0.0.0", 10, 0)};
    r.Run();
    EXPECT_EQ(r.system.processes.SnapshotCount(), 2); // one for UDP, one for TCP
    const auto rows = r.list.Rows();
    ASSERT_EQ(rows.size(), 52u);
    // pid 0 (no visible owner) is not in the snapshot; a pid above 2^31 prints as "%d" does.
    EXPECT_EQ(rows[0].cells[kColProcessName], "init");
    EXPECT_EQ(rows[1].cells[kColProcessName], "Unknown");
    EXPECT_EQ(rows[1].cells[kColPid], "0");
    EXPECT_EQ(rows[51].cells[kColPid], "-294967296");
    EXPECT_EQ(rows[51].cells[kColProcessName], "big");
}

} // namespace
} // namespace hl
