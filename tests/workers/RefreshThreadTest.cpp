#include "WorkerTestSupport.h"
#include "inventory/TableFill.h"
#include "workers/RefreshStarter.h"

#include <arpa/inet.h>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace hl {
namespace {

using namespace test;

uint32_t Addr(const char* text) {
    return ::inet_addr(text);
}
uint32_t Port(uint16_t port) {
    return htons(port);
}

// Scripts two UDP endpoints and two TCP connections in both table forms.
void ScriptTables(FakeSystem& system) {
    system.processes.processes = {{10, "sshd"}, {11, "nginx"}};
    system.ip.udpEx = {{{Addr("0.0.0.0"), Port(53)}, 10}, {{Addr("0.0.0.0"), Port(68)}, 11}};
    system.ip.udp = {{Addr("0.0.0.0"), Port(53)}};
    system.ip.tcpEx = {
        {{5, Addr("10.0.0.5"), Port(22), Addr("10.0.0.9"), Port(5000)}, 10},
        {{2, Addr("0.0.0.0"), Port(80), Addr("0.0.0.0"), Port(0)}, 11},
    };
    system.ip.tcp = {
        {5, Addr("10.0.0.1"), Port(22), Addr("10.0.0.9"), Port(5000)},
        {2, Addr("10.0.0.2"), Port(80), Addr("0.0.0.0"), Port(0)},
    };
}

// One row as "protocol address:port", top to bottom.
std::vector<std::string> Rows(MemoryList& list) {
    std::vector<std::string> rows;
    for (const auto& row : list.Rows()) {
        rows.push_back(row.cells[kColProtocol] + " " + row.cells[kColLocalAddress] + ":" +
                       row.cells[kColLocalPort]);
    }
    return rows;
}

const std::vector<std::string> kTcpEx = {"TCP 0.0.0.0:80", "TCP 10.0.0.5:22"};
const std::vector<std::string> kTcpBasic = {"TCP 10.0.0.2:", "TCP 10.0.0.1:"};
const std::vector<std::string> kUdpEx = {"UDP 0.0.0.0:68", "UDP 0.0.0.0:53"};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct SettingsCase {
    const char* name;
    int32_t showTcp;
    int32_t showUdp;
    uint32_t tcpExError;
    uint32_t udpExError;
    std::vector<std::string> rows; // top to bottom
    bool tablesRead;
};

// Names the case in test listings in place of its bytes.
void PrintTo(const SettingsCase& c, std::ostream* os) {
    *os << c.name;
}

class RefreshSettings : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(RefreshSettings, EmptiesTheListAndRefillsItAsTheSettingsSay) {
    const SettingsCase& c = GetParam();
    auto system = std::make_shared<FakeSystem>();
    ScriptTables(*system);
    system->ip.tcpExError = c.tcpExError;
    system->ip.udpExError = c.udpExError;
    auto list = std::make_shared<RecordingList>();
    list->List().InsertItem("stale", kNoImage);
    auto trace = std::make_shared<CaptureTraceSink>();

    RefreshStarter starter({system, trace, list, nullptr});
    ASSERT_TRUE(starter.Start(c.showTcp, c.showUdp));
    ASSERT_TRUE(AllWorkersEnded());

    EXPECT_EQ(Rows(list->List()), c.rows);
    // Made off-screen: the list only sees the finished rows replace the stale one, in one
    // operation.
    const auto log = list->Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].op, RecordingList::Op::Replace);
    EXPECT_EQ(log[0].row, static_cast<int>(c.rows.size()));
    EXPECT_EQ(system->ip.TableReads() > 0, c.tablesRead);
}

INSTANTIATE_TEST_SUITE_P(
    Refresh, RefreshSettings,
    ::testing::Values(SettingsCase{"BothOffOnlyEmpties", 0, 0, 0, 0, {}, false},
                      SettingsCase{"TwoCountsAsOff", 2, 2, 0, 0, {}, false},
                      SettingsCase{"NegativeCountsAsOff", -1, 1, 0, 0, kUdpEx, true},
                      SettingsCase{"TcpOnly", 1, 0, 0, 0, kTcpEx, true},
                      SettingsCase{"UdpOnly", 0, 1, 0, 0, kUdpEx, true},
                      SettingsCase{"TcpRowsAboveUdpRows", 1, 1, 0, 0, Join(kTcpEx, kUdpEx), true},
                      SettingsCase{"TcpFallsBackToThePlainTable", 1, 1, 50, 0,
                                   Join(kTcpBasic, kUdpEx), true},
                      SettingsCase{"UdpPlainTableAddsNoRows", 1, 1, 0, 50, kTcpEx, true}),
    [](const auto& info) { return info.param.name; });

// The rows that reach the list are exactly those that filling it directly, one operation at a
// time, would leave in it: every cell, image and position, for every path of the readers.
TEST(Refresh, HandsOverExactlyTheRowsOfAFillInPlace) {
    for (const uint32_t exError : {0u, 50u}) {
        SCOPED_TRACE(exError);
        auto system = std::make_shared<FakeSystem>();
        ScriptTables(*system);
        system->ip.tcpExError = exError;
        system->ip.udpExError = exError;
        for (uint16_t i = 0; i < 300; ++i) {
            system->ip.tcpEx.push_back(
                {{i % 12u, Addr("127.0.0.1"), Port(1000 + i), Addr("127.0.0.2"), Port(i)},
                 i % 13u});
            system->ip.udpEx.push_back({{Addr("127.0.0.3"), Port(2000 + i)}, 10});
        }
        MemoryList inPlace;
        inPlace.InsertItem("stale", kNoImage);
        inPlace.DeleteAllItems();
        {
            SystemView view = system->OpenView();
            CaptureTraceSink trace;
            FillTables(inPlace, *view.ipHelper, *view.processes, trace, 1, 1);
        }

        auto list = std::make_shared<MemoryList>();
        list->InsertItem("stale", kNoImage);
        RefreshStarter starter({system, std::make_shared<CaptureTraceSink>(), list, nullptr});
        ASSERT_TRUE(starter.Start(1, 1));
        ASSERT_TRUE(AllWorkersEnded());

        const auto want = inPlace.Rows();
        const auto got = list->Rows();
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(got[i].cells, want[i].cells) << i;
            EXPECT_EQ(got[i].image, want[i].image) << i;
        }
    }
}

TEST(Refresh, UdpFallbackWritesTraceLinesOnly) {
    auto system = std::make_shared<FakeSystem>();
    ScriptTables(*system);
    system->ip.udpExError = 50;
    auto list = std::make_shared<MemoryList>();
    auto trace = std::make_shared<CaptureTraceSink>();
    RefreshStarter starter({system, trace, list, nullptr});
    ASSERT_TRUE(starter.Start(0, 1));
    ASSERT_TRUE(AllWorkersEnded());
    EXPECT_EQ(list->GetItemCount(), 0);
    EXPECT_EQ(trace->Text(), "\n UDP \t0.0.0.0 \t53");
}

// While one refresh is held inside its table read, ten more requests arrive: exactly one more
// worker is started, it runs once, with the settings of the last request.
TEST(Refresh, RequestsBehindARunningRefreshShareOneWaitingWorkerAndTheNewestSettingsWin) {
    auto system = std::make_shared<GatedSystem>();
    ScriptTables(system->fake);
    auto list = std::make_shared<RecordingList>();
    RefreshStarter starter({system, std::make_shared<CaptureTraceSink>(), list, nullptr});

    system->gate.Close();
    ASSERT_TRUE(starter.Start(1, 1));
    ASSERT_TRUE(system->gate.WaitForArrivals(1)); // the first refresh holds the lock now
    for (int i = 0; i < 10; ++i) {
        const bool last = i == 9;
        ASSERT_TRUE(starter.Start(last ? 1 : i % 3, last ? 0 : 1));
    }
    EXPECT_EQ(CWorkerThread::LiveCount(), 2) << "one running and at most one waiting";
    system->gate.Open();
    ASSERT_TRUE(AllWorkersEnded());

    EXPECT_EQ(system->Opened(), 2);
    EXPECT_EQ(list->Count(RecordingList::Op::Replace), 2u);
    EXPECT_EQ(Rows(list->List()), kTcpEx);

    // A request after the waiting one has started is a new refresh again.
    ASSERT_TRUE(starter.Start(0, 1));
    ASSERT_TRUE(AllWorkersEnded());
    EXPECT_EQ(Rows(list->List()), kUdpEx);
}

// Ten threads request a refresh at the same moment. Every refresh reaches the list as one
// replacement with all its rows, so the rows of two refreshes never mix.
TEST(Refresh, SimultaneousRequestsNeverMixTheRowsOfTwoRefreshes) {
    auto system = std::make_shared<FakeSystem>();
    ScriptTables(*system);
    auto list = std::make_shared<RecordingList>();
    RefreshStarter starter({system, std::make_shared<CaptureTraceSink>(), list, nullptr});

    std::atomic<bool> go{false};
    std::vector<std::thread> requesters;
    for (int i = 0; i < 10; ++i) {
        requesters.emplace_back([&] {
            while (!go.load()) {
                std::this_thread::yield();
            }
            starter.Start(1, 1);
        });
    }
    go = true;
    for (auto& t : requesters) {
        t.join();
    }
    ASSERT_TRUE(AllWorkersEnded());

    const auto log = list->Log();
    EXPECT_GE(log.size(), 1u);
    EXPECT_LE(log.size(), 10u);
    for (const auto& entry : log) {
        EXPECT_EQ(entry.op, RecordingList::Op::Replace);
        EXPECT_EQ(entry.row, 4) << "a refresh is incomplete";
    }
    EXPECT_EQ(Rows(list->List()), Join(kTcpEx, kUdpEx));
}

// The window closes while one refresh is inside its table read and another waits for the lock:
// neither reaches the list again, and the waiting one does not even read the tables.
TEST(Refresh, WorkersOfAClosedWindowNeverReachItsList) {
    auto system = std::make_shared<GatedSystem>();
    ScriptTables(system->fake);
    auto target = std::make_shared<RecordingList>();
    RefreshStarter starter({system, std::make_shared<CaptureTraceSink>(), target, nullptr});

    system->gate.Close();
    ASSERT_TRUE(starter.Start(1, 1));
    ASSERT_TRUE(system->gate.WaitForArrivals(1));
    ASSERT_TRUE(starter.Start(1, 1));
    const size_t before = target->Log().size();
    target->Close();
    system->gate.Open();
    ASSERT_TRUE(AllWorkersEnded());

    EXPECT_EQ(target->Log().size(), before);
    EXPECT_EQ(system->Opened(), 1);
}

} // namespace
} // namespace hl
