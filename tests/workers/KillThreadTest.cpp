#include "workers/KillThread.h"

#include "WorkerTestSupport.h"
#include "platform/fake/FakeMessageBox.h"
#include "workers/DetachableMessageBox.h"
#include "workers/KillStarter.h"
#include "workers/RefreshStarter.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <memory>
#include <net/if.h>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace hl {
namespace {

using namespace test;

constexpr const char* kClosed = "Connection closed succesfully";
constexpr const char* kError = "Error closing connection";

uint32_t Addr(const char* text) {
    return ::inet_addr(text);
}
uint32_t Port(uint16_t port) {
    return htons(port);
}

struct PortCase {
    const char* text;
    uint16_t port; // host order
};

TEST(Kill, LocalPortTextIsReadLikeAtoiAndCutToSixteenBits) {
    const PortCase cases[] = {
        {"80", 80},    {"  \t443", 443}, {"22abc", 22},     {"+8080", 8080},
        {"-1", 65535}, {"65535", 65535}, {"65536", 0},      {"65537", 1},
        {"", 0},       {"abc", 0},       {"0x50", 0},       {"8 0", 8},
        {"- 5", 0},    {"--5", 0},       {"4294967297", 1}, {"000053", 53},
    };
    for (const PortCase& c : cases) {
        EXPECT_EQ(CKillThread::LocalPortFromText(c.text), htons(c.port)) << '"' << c.text << '"';
    }
}

// Rows of the list, top to bottom, as the close tests start them.
MemoryList::Row Row(const char* protocol, const char* localPort, const char* remoteAddress,
                    const char* remotePort) {
    MemoryList::Row row;
    row.cells[kColProtocol] = protocol;
    row.cells[kColLocalAddress] = "10.0.0.5";
    row.cells[kColLocalPort] = localPort;
    row.cells[kColRemoteAddress] = remoteAddress;
    row.cells[kColRemotePort] = remotePort;
    return row;
}

const std::vector<MemoryList::Row> kListRows = {
    Row("TCP", "22", "10.0.0.9", "5000"), // 0
    Row("UDP", "80", "10.0.0.7", ""),     // 1: same texts, but not a TCP row
    Row("TCP", "80", "10.0.0.7", "6000"), // 2
    Row("TCP", "80", "10.0.0.8", "6002"), // 3: the second of two from 10.0.0.8 to port 80
};

void Fill(MemoryList& list, const std::vector<MemoryList::Row>& rows) {
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        const int index = list.InsertItem(it->cells[kColProtocol], kNoImage);
        for (int col = 1; col < kColumnCount; ++col) {
            list.SetItemText(index, col, it->cells[col]);
        }
    }
}

std::vector<std::string> Texts(MemoryList& list) {
    std::vector<std::string> out;
    for (const auto& row : list.Rows()) {
        out.push_back(row.cells[kColProtocol] + " " + row.cells[kColLocalPort] + " " +
                      row.cells[kColRemoteAddress]);
    }
    return out;
}

std::vector<std::string> TextsWithout(std::optional<size_t> removed) {
    std::vector<std::string> out;
    for (size_t i = 0; i < kListRows.size(); ++i) {
        if (removed != i) {
            const auto& c = kListRows[i].cells;
            out.push_back(c[kColProtocol] + " " + c[kColLocalPort] + " " + c[kColRemoteAddress]);
        }
    }
    return out;
}

void ScriptTcpTable(FakeIpHelper& ip) {
    ip.tcp = {
        {2, Addr("0.0.0.0"), Port(80), Addr("0.0.0.0"), Port(0)},
        {5, Addr("10.0.0.5"), Port(22), Addr("10.0.0.9"), Port(5000)},
        {8, Addr("10.0.0.5"), Port(80), Addr("10.0.0.6"), Port(5900)}, // CLOSE_WAIT
        {5, Addr("10.0.0.5"), Port(80), Addr("10.0.0.7"), Port(6000)},
        {5, Addr("10.0.0.5"), Port(80), Addr("10.0.0.8"), Port(6001)},
        {5, Addr("10.0.0.5"), Port(80), Addr("10.0.0.8"), Port(6002)},
        {5, Addr("10.0.0.5"), Port(443), Addr("10.0.0.4"), Port(7000)}, // not in the list
    };
}

struct CloseCase {
    const char* name;
    const char* remoteAddress;
    const char* localPort;
    const char* localAddress; // with remotePort: "" for a request that names only two fields
    const char* remotePort;
    int32_t item;
    uint32_t tcpError;
    uint32_t setTcpEntryResult;
    const char* box;
    std::optional<TcpRow> deleted; // the row handed to the platform
    std::optional<size_t> removed; // index in kListRows of the row that leaves the list
};

// Names the case in test listings in place of its bytes.
void PrintTo(const CloseCase& c, std::ostream* os) {
    *os << c.name;
}

class KillClose : public ::testing::TestWithParam<CloseCase> {};

TEST_P(KillClose, ClosesTheNamedConnectionAndRemovesOnlyItsRow) {
    const CloseCase& c = GetParam();
    auto system = std::make_shared<FakeSystem>();
    ScriptTcpTable(system->ip);
    system->ip.tcpError = c.tcpError;
    system->ip.setTcpEntryResult = c.setTcpEntryResult;
    auto list = std::make_shared<MemoryList>();
    Fill(*list, kListRows);
    auto boxes = std::make_shared<FakeMessageBox>();

    KillStarter starter({system, std::make_shared<CaptureTraceSink>(), list, boxes});
    ASSERT_TRUE(starter.Start(c.remoteAddress, c.localPort, c.localAddress, c.remotePort, c.item));
    ASSERT_TRUE(AllWorkersEnded());

    const auto shown = boxes->Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, c.box);
    EXPECT_EQ(shown[0].title, "Harborlight Scanner");
    EXPECT_EQ(shown[0].icon, MessageIcon::Information);
    const auto deleted = system->ip.DeletedRows();
    if (c.deleted) {
        ASSERT_EQ(deleted.size(), 1u);
        EXPECT_EQ(deleted[0], *c.deleted);
    } else {
        EXPECT_TRUE(deleted.empty());
    }
    EXPECT_EQ(Texts(*list), TextsWithout(c.removed));
}

const TcpRow kRow2 = {12, Addr("10.0.0.5"), Port(80), Addr("10.0.0.7"), Port(6000)};
const TcpRow kRow3First = {12, Addr("10.0.0.5"), Port(80), Addr("10.0.0.8"), Port(6001)};
const TcpRow kRow3Second = {12, Addr("10.0.0.5"), Port(80), Addr("10.0.0.8"), Port(6002)};
const TcpRow kUnlisted = {12, Addr("10.0.0.5"), Port(443), Addr("10.0.0.4"), Port(7000)};

INSTANTIATE_TEST_SUITE_P(
    Kill, KillClose,
    ::testing::Values(CloseCase{"IndexStillNamesTheRow", "10.0.0.7", "80", "10.0.0.5", "6000", 2, 0,
                                0, kClosed, kRow2, 2},
                      CloseCase{"StaleIndexNamesAnotherTcpRow", "10.0.0.7", "80", "10.0.0.5",
                                "6000", 0, 0, 0, kClosed, kRow2, 2},
                      CloseCase{"StaleIndexNamesAUdpRowWithTheSameTexts", "10.0.0.7", "80",
                                "10.0.0.5", "6000", 1, 0, 0, kClosed, kRow2, 2},
                      CloseCase{"StaleIndexBeyondTheList", "10.0.0.7", "80", "10.0.0.5", "6000", 17,
                                0, 0, kClosed, kRow2, 2},
                      CloseCase{"NegativeIndex", "10.0.0.7", "80", "10.0.0.5", "6000", -1, 0, 0,
                                kClosed, kRow2, 2},
                      CloseCase{"SecondOfTwoSharingRemoteAddressAndLocalPort", "10.0.0.8", "80",
                                "10.0.0.5", "6002", 3, 0, 0, kClosed, kRow3Second, 3},
                      CloseCase{"RowWithAnotherRemotePortStays", "10.0.0.8", "80", "10.0.0.5",
                                "6001", 3, 0, 0, kClosed, kRow3First, std::nullopt},
                      CloseCase{"NoConnectionWithThatRemotePort", "10.0.0.8", "80", "10.0.0.5",
                                "6003", 3, 0, 0, kError, std::nullopt, std::nullopt},
                      CloseCase{"NoConnectionWithThatLocalAddress", "10.0.0.8", "80", "10.0.0.6",
                                "6002", 3, 0, 0, kError, std::nullopt, std::nullopt},
                      CloseCase{"TwoFieldsCloseTheFirstInTableOrder", "10.0.0.8", "80", "", "", 3,
                                0, 0, kClosed, kRow3First, 3},
                      CloseCase{"TwoFieldsWhenOnlyTheLocalAddressIsGiven", "10.0.0.8", "80",
                                "10.0.0.5", "", 3, 0, 0, kClosed, kRow3First, 3},
                      CloseCase{"RowAlreadyGoneRemovesNothing", "10.0.0.4", "443", "10.0.0.5",
                                "7000", 0, 0, 0, kClosed, kUnlisted, std::nullopt},
                      CloseCase{"RefusedDeletionRemovesNothing", "10.0.0.7", "80", "10.0.0.5",
                                "6000", 2, 0, 5, kError, kRow2, std::nullopt},
                      CloseCase{"OnlyCloseWaitMatches", "10.0.0.6", "80", "10.0.0.5", "5900", 2, 0,
                                0, kError, std::nullopt, std::nullopt},
                      CloseCase{"ListeningSocket", "0.0.0.0", "80", "0.0.0.0", "0", 2, 0, 0, kError,
                                std::nullopt, std::nullopt},
                      CloseCase{"InvalidAddressText", "not.an.address", "80", "10.0.0.5", "6000", 2,
                                0, 0, kError, std::nullopt, std::nullopt},
                      CloseCase{"InvalidLocalAddressText", "10.0.0.7", "80", "not.an.address",
                                "6000", 2, 0, 0, kError, std::nullopt, std::nullopt},
                      CloseCase{"EmptyLocalPort", "10.0.0.7", "", "10.0.0.5", "6000", 2, 0, 0,
                                kError, std::nullopt, std::nullopt},
                      CloseCase{"TableUnreadable", "10.0.0.7", "80", "10.0.0.5", "6000", 2, 31, 0,
                                kError, std::nullopt, std::nullopt}),
    [](const auto& info) { return info.param.name; });

// ---- IPv6 rows ------------------------------------------------------------------------------

Ip6Addr Ip6(const char* text, uint32_t scope = 0) {
    Ip6Addr a;
    inet_pton(AF_INET6, text, a.bytes.data());
    a.scopeId = scope;
    return a;
}

TEST(Kill, Ipv6AddressTextsWithAndWithoutAZone) {
    const uint32_t lo = if_nametoindex("lo");
    const struct {
        const char* text;
        std::optional<Ip6Addr> addr;
    } cases[] = {
        {"::1", Ip6("::1")},
        {"2001:db8::1", Ip6("2001:db8::1")},
        {"2001:0db8:0:0:0:0:0:1", Ip6("2001:db8::1")},
        {"::ffff:10.0.0.9", Ip6("::ffff:10.0.0.9")},
        {"fe80::1%lo", Ip6("fe80::1", lo)},
        {"fe80::1%7", Ip6("fe80::1", 7)},
        {"fe80::1%", std::nullopt},
        {"fe80::1%0", std::nullopt},
        {"fe80::1%no-such-interface", std::nullopt},
        {"fe80::1%99999999999", std::nullopt},
        {"10.0.0.9", std::nullopt},
        {"::1:", std::nullopt},
        {"1:2:3:4:5:6:7:8:9", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CKillThread::Ipv6AddressFromText(c.text), c.addr) << '"' << c.text << '"';
    }
}

MemoryList::Row Row6(const char* localAddress, const char* localPort, const char* remoteAddress,
                     const char* remotePort) {
    MemoryList::Row row = Row("TCPv6", localPort, remoteAddress, remotePort);
    row.cells[kColLocalAddress] = localAddress;
    return row;
}

TEST(Kill, Ipv6RowsCloseThroughTheIpv6TableAndBadAddressTextsGiveTheErrorBox) {
    const uint32_t lo = if_nametoindex("lo");
    const std::vector<MemoryList::Row> rows = {
        Row6("::1", "8080", "::1", "5001"),            // 0
        Row6("::1", "8080", "::1", "5002"),            // 1
        Row("TCP", "8080", "127.0.0.1", "5002"),       // 2
        Row6("fe80::2%lo", "22", "fe80::9%lo", "600"), // 3
    };
    const struct {
        const char* remote;
        const char* localPort;
        const char* local;
        const char* remotePort;
        int32_t item;
        const char* box;
        std::optional<Tcp6Row> deleted;
        std::optional<size_t> removed;
    } cases[] = {
        {"::1", "8080", "::1", "5002", 1, kClosed,
         Tcp6Row{12, Ip6("::1"), Port(8080), Ip6("::1"), Port(5002)}, 1},
        {"::1", "8080", "", "", 1, kClosed,
         Tcp6Row{12, Ip6("::1"), Port(8080), Ip6("::1"), Port(5001)}, 0},
        {"fe80::9%lo", "22", "fe80::2%lo", "600", 3, kClosed,
         Tcp6Row{12, Ip6("fe80::2", lo), Port(22), Ip6("fe80::9", lo), Port(600)}, 3},
        {"::1", "8080", "::1", "5003", 1, kError, std::nullopt, std::nullopt},
        {"::1::", "8080", "::1", "5002", 1, kError, std::nullopt, std::nullopt},
        {"::1", "8080", "not:an:address", "5002", 1, kError, std::nullopt, std::nullopt},
        {"fe80::9%no-such-interface", "22", "", "", 3, kError, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.remote) + " " + c.local);
        auto system = std::make_shared<FakeSystem>();
        system->ip.tcp6 = {
            {5, Ip6("::1"), Port(8080), Ip6("::1"), Port(5001)},
            {5, Ip6("::1"), Port(8080), Ip6("::1"), Port(5002)},
            {5, Ip6("fe80::2"), Port(22), Ip6("fe80::9"), Port(600)},
        };
        system->ip.tcp = {{5, Addr("127.0.0.1"), Port(8080), Addr("127.0.0.1"), Port(5002)}};
        auto list = std::make_shared<MemoryList>();
        Fill(*list, rows);
        auto boxes = std::make_shared<FakeMessageBox>();
        KillStarter starter({system, std::make_shared<CaptureTraceSink>(), list, boxes});
        ASSERT_TRUE(starter.Start(c.remote, c.localPort, c.local, c.remotePort, c.item));
        ASSERT_TRUE(AllWorkersEnded());

        ASSERT_EQ(boxes->Boxes().size(), 1u);
        EXPECT_EQ(boxes->Boxes()[0].text, c.box);
        EXPECT_TRUE(system->ip.DeletedRows().empty());
        const auto deleted = system->ip.Deleted6Rows();
        EXPECT_EQ(deleted.size(), c.deleted ? 1u : 0u);
        if (c.deleted && !deleted.empty()) {
            EXPECT_EQ(deleted[0], *c.deleted);
        }
        std::vector<std::string> want;
        for (size_t i = 0; i < rows.size(); ++i) {
            if (c.removed != i) {
                want.push_back(rows[i].cells[kColProtocol] + " " + rows[i].cells[kColLocalPort] +
                               " " + rows[i].cells[kColRemoteAddress]);
            }
        }
        EXPECT_EQ(Texts(*list), want);
    }
}

struct CloseFixture {
    std::shared_ptr<FakeSystem> system = std::make_shared<FakeSystem>();
    std::shared_ptr<MemoryList> list = std::make_shared<MemoryList>();
    std::shared_ptr<BlockingMessageBox> boxes = std::make_shared<BlockingMessageBox>();

    CloseFixture() {
        ScriptTcpTable(system->ip);
        Fill(*list, kListRows);
    }
    WorkerContext Context(std::shared_ptr<IListOps> l, std::shared_ptr<IMessageBox> b) {
        return {system, std::make_shared<CaptureTraceSink>(), std::move(l), std::move(b)};
    }
};

TEST(Kill, SecondResultBoxAppearsOnlyAfterTheFirstWasDismissedAndItsRowRemoved) {
    CloseFixture f;
    KillStarter starter(f.Context(f.list, f.boxes));
    ASSERT_TRUE(starter.Start("10.0.0.7", "80", 2));
    ASSERT_TRUE(f.boxes->WaitForBoxes(1));
    ASSERT_TRUE(starter.Start("10.0.0.9", "22", 0));

    EXPECT_FALSE(f.boxes->WaitForBoxes(2, 200ms)) << "second box while the first is open";
    EXPECT_EQ(f.list->GetItemCount(), 4) << "row removed before its box was dismissed";

    f.boxes->DismissOne();
    ASSERT_TRUE(f.boxes->WaitForBoxes(2));
    EXPECT_EQ(f.boxes->OpenBoxes(), 1u);
    EXPECT_EQ(Texts(*f.list), TextsWithout(2)) << "first row must be gone before the second box";

    f.boxes->DismissOne();
    ASSERT_TRUE(AllWorkersEnded());
    EXPECT_EQ(Texts(*f.list), (std::vector<std::string>{"UDP 80 10.0.0.7", "TCP 80 10.0.0.8"}));
}

TEST(Kill, CloseWaitingForItsBoxDoesNotHoldUpARefresh) {
    CloseFixture f;
    f.system->ip.tcpEx = {{{5, Addr("10.0.0.5"), Port(22), Addr("10.0.0.9"), Port(5000)}, 0}};
    KillStarter killer(f.Context(f.list, f.boxes));
    RefreshStarter refresher(f.Context(f.list, nullptr));

    ASSERT_TRUE(killer.Start("10.0.0.7", "80", 2));
    ASSERT_TRUE(f.boxes->WaitForBoxes(1));
    ASSERT_TRUE(refresher.Start(1, 0));
    EXPECT_TRUE(Eventually([&] { return f.list->GetItemCount() == 1; }))
        << "the refresh waited for the close";

    // The refill replaced the closed connection's row: after the box there is nothing to remove.
    f.boxes->DismissOne();
    ASSERT_TRUE(AllWorkersEnded());
    EXPECT_EQ(Texts(*f.list), (std::vector<std::string>{"TCP 22 10.0.0.9"}));
}

// The window closes while a close worker shows its box: cutting the list and the boxes off
// returns at once, and the worker, once its box is gone, neither removes a row nor shows
// anything.
TEST(Kill, WorkerOfAClosedWindowTouchesNothingAfterItsBox) {
    CloseFixture f;
    auto target = std::make_shared<RecordingList>();
    Fill(target->List(), kListRows);
    auto box = std::make_shared<DetachableMessageBox>(f.boxes);
    KillStarter starter(f.Context(target, box));

    ASSERT_TRUE(starter.Start("10.0.0.7", "80", 2));
    ASSERT_TRUE(f.boxes->WaitForBoxes(1));
    ASSERT_TRUE(starter.Start("10.0.0.9", "22", 0)); // waits for the close lock
    target->Close();
    box->Detach();
    EXPECT_EQ(f.boxes->OpenBoxes(), 1u) << "Detach must not wait for the open box";

    f.boxes->SetAnswer(false);
    f.boxes->DismissOne();
    ASSERT_TRUE(AllWorkersEnded());
    EXPECT_TRUE(target->Log().empty());
    EXPECT_EQ(f.boxes->Boxes().size(), 1u);
    EXPECT_EQ(target->List().GetItemCount(), 4);
}

// A list on which a refresh refills the rows just before the worker's first removing call:
// between the look at row m_nItem and its removal when those are two calls.
class RefilledBeforeRemoval : public IListOps {
public:
    RefilledBeforeRemoval(std::vector<MemoryList::Row> now, std::vector<MemoryList::Row> refill)
        : m_refill(std::move(refill)) {
        Fill(m_list, now);
    }

    int InsertItem(const std::string& text, int image) override {
        return m_list.InsertItem(text, image);
    }
    bool SetItemText(int row, int column, const std::string& text) override {
        return m_list.SetItemText(row, column, text);
    }
    bool DeleteAllItems() override { return m_list.DeleteAllItems(); }
    bool DeleteItem(int row) override {
        RefillOnce();
        return m_list.DeleteItem(row);
    }
    int GetFirstSelected() override { return m_list.GetFirstSelected(); }
    std::string GetItemText(int row, int column) override {
        return m_list.GetItemText(row, column);
    }
    int GetItemCount() override { return m_list.GetItemCount(); }
    int DeleteTcpRow(int row, const TcpRowKey& key) override {
        RefillOnce();
        return m_list.DeleteTcpRow(row, key);
    }
    bool ReplaceAllItems(ListRows& rows) override { return m_list.ReplaceAllItems(rows); }

    MemoryList& List() { return m_list; }

private:
    void RefillOnce() {
        if (!m_bRefilled) {
            m_bRefilled = true;
            m_list.DeleteAllItems();
            Fill(m_list, m_refill);
        }
    }

    MemoryList m_list;
    std::vector<MemoryList::Row> m_refill;
    bool m_bRefilled = false;
};

struct RefillCase {
    const char* name;
    std::vector<MemoryList::Row> refill;
    std::vector<std::string> after;
};

TEST(Kill, ARefillJustBeforeTheRemovalNeverCostsAnotherRow) {
    const RefillCase cases[] = {
        // The refresh ran after the close: the closed connection is no longer listed, and a
        // new one on top moved every row down; nothing may go.
        {"ClosedRowGone",
         {Row("TCP", "443", "10.0.0.4", "7000"), Row("TCP", "22", "10.0.0.9", "5000"),
          Row("UDP", "80", "10.0.0.7", ""), Row("TCP", "80", "10.0.0.8", "6002")},
         {"TCP 443 10.0.0.4", "TCP 22 10.0.0.9", "UDP 80 10.0.0.7", "TCP 80 10.0.0.8"}},
        // Still listed, one row further down: that row goes.
        {"ClosedRowMoved",
         {Row("TCP", "443", "10.0.0.4", "7000"), Row("TCP", "22", "10.0.0.9", "5000"),
          Row("UDP", "80", "10.0.0.7", ""), Row("TCP", "80", "10.0.0.7", "6000"),
          Row("TCP", "80", "10.0.0.8", "6002")},
         {"TCP 443 10.0.0.4", "TCP 22 10.0.0.9", "UDP 80 10.0.0.7", "TCP 80 10.0.0.8"}},
    };
    for (const RefillCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto system = std::make_shared<FakeSystem>();
        ScriptTcpTable(system->ip);
        auto list = std::make_shared<RefilledBeforeRemoval>(kListRows, c.refill);
        auto boxes = std::make_shared<FakeMessageBox>();
        KillStarter starter({system, std::make_shared<CaptureTraceSink>(), list, boxes});
        ASSERT_TRUE(starter.Start("10.0.0.7", "80", 2));
        ASSERT_TRUE(AllWorkersEnded());
        ASSERT_EQ(boxes->Boxes().size(), 1u);
        EXPECT_EQ(boxes->Boxes()[0].text, kClosed);
        EXPECT_EQ(Texts(list->List()), c.after);
    }
}

TEST(Kill, DeleteTcpRowRemovesTheHintedRowOrTheFirstMatch) {
    struct Case {
        const char* name;
        int hint;
        TcpRowKey key;
        int removed;
    };
    const Case cases[] = {
        {"HintMatches", 3, {"10.0.0.8", "80", "", ""}, 3},
        {"HintIsUdp", 1, {"10.0.0.7", "80", "", ""}, 2},
        {"HintOutOfRange", 9, {"10.0.0.9", "22", "", ""}, 0},
        {"NoMatch", 0, {"10.0.0.1", "80", "", ""}, -1},
        {"OneOfTheOtherTwoEmpty", 0, {"10.0.0.8", "80", "10.0.0.5", ""}, 3},
        {"FourFieldsMatch", 0, {"10.0.0.7", "80", "10.0.0.5", "6000"}, 2},
        {"FourFieldsDiffer", 2, {"10.0.0.7", "80", "10.0.0.5", "6001"}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryList list;
        Fill(list, kListRows);
        EXPECT_EQ(list.DeleteTcpRow(c.hint, c.key), c.removed);
        EXPECT_EQ(Texts(list),
                  TextsWithout(c.removed < 0 ? std::nullopt : std::optional<size_t>(c.removed)));
    }
}

} // namespace
} // namespace hl
