#include "listview/PortListCtrl.h"

#include "QtTestSupport.h"
#include "listview/FlatHeaderCtrl.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTest>
#include <atomic>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace hl {
namespace {

using namespace std::chrono_literals;

using test::RunOnWorker;

std::vector<std::string> Column(IListOps& list, int column) {
    std::vector<std::string> texts;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        texts.push_back(list.GetItemText(row, column));
    }
    return texts;
}

RowTexts Cells(const std::string& protocol, const std::string& pid) {
    RowTexts cells;
    cells[kColProtocol] = protocol;
    cells[kColPid] = pid;
    return cells;
}

class PortListCtrlTest : public testing::Test {
protected:
    PortListCtrlTest() {
        for (int col = 0; col < kColumnCount; ++col) {
            list.InsertColumn(col, QStringLiteral("c%1").arg(col), LVCFMT_LEFT, 50);
        }
        list.resize(600, 300);
    }

    QString ViewText(int viewRow, int column) {
        return list.Model().index(viewRow, column).data().toString();
    }

    CPortListCtrl list;
};

// The sequence a refresh and a close worker run; the same results whichever thread runs it.
std::vector<std::string> RunReaderSequence(IListOps& ops) {
    std::vector<std::string> log;
    ops.DeleteAllItems();
    for (const char* name : {"u1", "u2"}) {
        const int row = ops.InsertItem("UDP", 1);
        ops.SetItemText(row, kColProcessName, name);
    }
    for (const char* name : {"t1", "t2"}) {
        RowTexts cells = Cells("TCP", "7");
        cells[kColProcessName] = name;
        log.push_back(std::to_string(ops.InsertFilledItem(cells, 0)));
    }
    log.push_back(ops.SetItemText(9, 0, "x") ? "set9" : "noset9");
    log.push_back(ops.SetItemText(0, kColumnCount, "x") ? "set8" : "noset8");
    log.push_back(ops.GetItemText(9, 0).empty() ? "empty9" : "text9");
    log.push_back(std::to_string(ops.GetFirstSelected()));
    log.push_back(ops.DeleteItem(1) ? "del1" : "nodel1");
    log.push_back(ops.DeleteItem(3) ? "del3" : "nodel3");
    for (const std::string& name : Column(ops, kColProcessName)) {
        log.push_back(name);
    }
    return log;
}

const std::vector<std::string> kExpectedSequence = {
    "0", "0", "noset9", "noset8", "empty9", "-1", "del1", "nodel3", "t2", "u2", "u1"};

TEST_F(PortListCtrlTest, OperationsOnTheUiThread) {
    EXPECT_EQ(RunReaderSequence(list), kExpectedSequence);
    EXPECT_EQ(list.GetItemText(0, kColPid), "7");
    EXPECT_EQ(list.GetItemImage(0), 0);
    EXPECT_EQ(list.GetItemImage(1), 1);
    EXPECT_EQ(list.GetItemData(0), 0);
}

TEST_F(PortListCtrlTest, OperationsFromAWorkerGiveTheSameResults) {
    auto ops = list.ThreadSafeOps();
    EXPECT_EQ(RunOnWorker([ops] { return RunReaderSequence(*ops); }), kExpectedSequence);
}

// The window cuts its workers off when it closes, before the list itself goes: from then on
// every operation of the handle fails at once and leaves the list as it was.
TEST_F(PortListCtrlTest, OperationsFromAWorkerFailAtOnceOnceClosed) {
    list.InsertFilledItem(Cells("TCP", "7"), 0);
    list.selectRow(0);
    auto ops = list.ThreadSafeOps();
    list.CloseOperations();
    const auto results = RunOnWorker([ops] {
        return std::tuple(ops->InsertFilledItem(Cells("UDP", "8"), 1), ops->InsertItem("UDP", 1),
                          ops->SetItemText(0, kColPid, "9"), ops->GetItemText(0, kColPid),
                          ops->GetItemCount(), ops->GetFirstSelected(), ops->DeleteItem(0),
                          ops->DeleteAllItems());
    });
    EXPECT_EQ(results, std::tuple(-1, -1, false, std::string(), 0, -1, false, false));
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_EQ(list.GetItemText(0, kColPid), "7");
}

TEST_F(PortListCtrlTest, TheViewLearnsOfStreamedRowsAtTheNextFrame) {
    list.InsertFilledItem(Cells("UDP", "1"), 1);
    list.InsertFilledItem(Cells("TCP", "2"), 0);
    // The list operations see both rows at once; the view only after the frame.
    EXPECT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.GetItemText(0, kColPid), "2");
    EXPECT_EQ(list.GetVisibleRowCount(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.GetVisibleRowCount() == 2; }, 30000));
    EXPECT_EQ(ViewText(0, kColPid), "2");
    EXPECT_EQ(ViewText(1, kColPid), "1");

    // A selected row keeps its list index right while newer rows wait above it unseen.
    list.selectRow(1);
    list.InsertFilledItem(Cells("TCP", "3"), 0);
    EXPECT_EQ(list.GetVisibleRowCount(), 2);
    EXPECT_EQ(list.GetFirstSelected(), 2);
    EXPECT_EQ(list.GetItemText(list.GetFirstSelected(), kColPid), "1");
    // Changing or removing a shown row reaches the view at once.
    EXPECT_TRUE(list.SetItemText(2, kColPid, "10"));
    EXPECT_EQ(ViewText(1, kColPid), "10");
    EXPECT_TRUE(list.DeleteItem(1));
    EXPECT_EQ(ViewText(0, kColPid), "10");
    list.FlushUpdates();
    EXPECT_EQ(list.GetVisibleRowCount(), 2);
    EXPECT_EQ(ViewText(0, kColPid), "3");
}

TEST_F(PortListCtrlTest, RowImagesAndCellTexts) {
    ImageList images;
    images.Create(16, 16);
    QPixmap red(16, 16);
    red.fill(Qt::red);
    QPixmap blue(16, 16);
    blue.fill(Qt::blue);
    images.Add(QIcon(red));
    images.Add(QIcon(blue));
    list.SetImageList(images);

    list.InsertItem("TCP", kNoImage);
    list.InsertItem("UDP", 1);
    list.InsertItem("TCP", 5); // no such image
    const std::string longText(10000, 'x');
    list.SetItemText(1, kColProcessName, longText);
    list.SetItemText(0, kColProcessName, "bad\xff\xfe name");
    list.FlushUpdates();

    const auto decoration = [&](int viewRow) {
        return list.Model().index(viewRow, 0).data(Qt::DecorationRole);
    };
    EXPECT_FALSE(decoration(0).isValid());
    EXPECT_EQ(decoration(1).value<QPixmap>().toImage().pixelColor(4, 4), QColor(Qt::blue));
    EXPECT_FALSE(decoration(2).isValid());
    EXPECT_EQ(list.GetItemText(1, kColProcessName), longText);
    // Bytes that are not UTF-8 still show, with replacement characters.
    EXPECT_TRUE(ViewText(0, kColProcessName).startsWith(QStringLiteral("bad")));
    EXPECT_TRUE(ViewText(0, kColProcessName).endsWith(QStringLiteral(" name")));
    EXPECT_TRUE(ViewText(0, kColRemoteAddress).isEmpty());
}

TEST_F(PortListCtrlTest, ExtendedStylesSwitchGridHeaderDragAndFullRowSelection) {
    EXPECT_EQ(
        list.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT), 0u);
    EXPECT_EQ(list.GetExtendedStyle(), 0x31u);
    EXPECT_TRUE(list.showGrid());
    // The flat header drags the columns itself; Qt's own section moving stays off.
    EXPECT_TRUE(list.Header().DragDrop());
    EXPECT_FALSE(list.horizontalHeader()->sectionsMovable());

    list.InsertFilledItem(Cells("TCP", "1"), 0);
    list.InsertFilledItem(Cells("TCP", "2"), 0);
    list.FlushUpdates();
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const QRect cell = list.visualRect(list.Model().index(1, kColLocalAddress));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_TRUE(list.selectionModel()->isRowSelected(1, QModelIndex()));
    EXPECT_EQ(list.GetFirstSelected(), 1);

    // A mask limits the change to its bits.
    EXPECT_EQ(list.SetExtendedStyle(0, LVS_EX_GRIDLINES), 0x31u);
    EXPECT_EQ(list.GetExtendedStyle(), 0x30u);
    EXPECT_FALSE(list.showGrid());
    list.SetExtendedStyle(0);
    EXPECT_FALSE(list.Header().DragDrop());
    list.clearSelection();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_FALSE(list.selectionModel()->isRowSelected(1, QModelIndex()));
}

TEST_F(PortListCtrlTest, ColumnsKeepHeadingsAndWidths) {
    EXPECT_EQ(list.GetColumnCount(), kColumnCount);
    EXPECT_EQ(list.GetColumnHeading(3), QStringLiteral("c3"));
    EXPECT_EQ(list.Model().headerData(3, Qt::Horizontal).toString(), QStringLiteral("c3"));
    EXPECT_EQ(list.GetColumnWidth(3), 50);
    EXPECT_TRUE(list.SetColumnWidth(3, 315));
    EXPECT_EQ(list.GetColumnWidth(3), 315);
    // A list has at most eight columns, inserted at valid positions only.
    EXPECT_EQ(list.InsertColumn(8, QStringLiteral("extra"), LVCFMT_LEFT, 10), -1);
    EXPECT_FALSE(list.SetColumnWidth(8, 10));
    EXPECT_EQ(list.GetColumnWidth(-1), 0);
    CPortListCtrl fresh;
    EXPECT_EQ(fresh.InsertColumn(1, QStringLiteral("gap"), LVCFMT_LEFT, 10), -1);
}

TEST_F(PortListCtrlTest, AWorkerFillsTwentyThousandRowsInOrder) {
    auto ops = list.ThreadSafeOps();
    constexpr int kRows = 20000;
    const bool ok = RunOnWorker([ops] {
        bool ok = ops->DeleteAllItems();
        for (int i = 0; i < kRows; ++i) {
            ok &= ops->InsertFilledItem(Cells("TCP", std::to_string(i)), 0) == 0;
        }
        return ok;
    });
    EXPECT_TRUE(ok);
    ASSERT_EQ(list.GetItemCount(), kRows);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.GetVisibleRowCount() == kRows; }, 30000));
    EXPECT_EQ(ViewText(0, kColPid), QString::number(kRows - 1));
    EXPECT_EQ(ViewText(kRows - 1, kColPid), QStringLiteral("0"));
}

TEST(PortListCtrlShutdown, DestroyingTheListFailsWorkersAtOnce) {
    auto list = std::make_unique<CPortListCtrl>();
    auto ops = list->ThreadSafeOps();
    std::atomic<int> inserted{0};
    std::atomic<bool> stop{false};
    // A worker that keeps inserting until an operation fails.
    auto worker = std::async(std::launch::async, [ops, &inserted, &stop] {
        while (!stop && ops->InsertFilledItem(Cells("TCP", "1"), 0) == 0) {
            ++inserted;
        }
        return std::tuple(ops->InsertItem("UDP", 1), ops->SetItemText(0, 0, "x"),
                          ops->DeleteAllItems(), ops->DeleteItem(0), ops->GetFirstSelected(),
                          ops->GetItemText(0, 0), ops->GetItemCount());
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return inserted > 100; }, 30000));
    list.reset(); // the window closes while the worker is mid-refresh
    const bool ended = worker.wait_for(2s) == std::future_status::ready;
    stop = true;
    ASSERT_TRUE(ended);
    EXPECT_EQ(worker.get(), std::tuple(-1, false, false, false, -1, std::string(), 0));
}

// The list with the window's column widths, shown, so that it lays out its rows.
class AddressColumnsTest : public testing::Test {
protected:
    static constexpr int kWidths[kColumnCount] = {60, 40, 140, 110, 90, 110, 90, 140};
    static constexpr const char* kFullAddress = "2001:db8:85a3:1234:5678:8a2e:370:7334";
    static constexpr const char* kZonedAddress = "fe80::1234:5678:9abc:def0%wlp0s20f3";

    AddressColumnsTest() {
        for (int col = 0; col < kColumnCount; ++col) {
            list.InsertColumn(col, QStringLiteral("c%1").arg(col), LVCFMT_LEFT, kWidths[col]);
        }
        list.resize(1600, 300);
        list.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
    }

    void AddRow(const char* local, const char* remote) {
        RowTexts cells = Cells("TCPv6", "42");
        cells[kColLocalAddress] = local;
        cells[kColRemoteAddress] = remote;
        list.InsertFilledItem(cells, 0);
        list.FlushUpdates();
    }

    std::vector<int> Widths() const {
        std::vector<int> widths;
        for (int col = 0; col < kColumnCount; ++col) {
            widths.push_back(list.GetColumnWidth(col));
        }
        return widths;
    }

    // Whether the view's own measure of the column's cells fits its width: no cell is cut.
    bool ShowsWhole(int column) const {
        const QAbstractItemView& view = list;
        return list.GetColumnWidth(column) >= view.sizeHintForColumn(column);
    }

    int ColumnsWidth() const {
        int sum = 0;
        for (const int width : Widths()) {
            sum += width;
        }
        return sum;
    }

    CPortListCtrl list;
};

TEST_F(AddressColumnsTest, AFullIpv6AddressShowsWholeWhereTheListIsWideEnough) {
    const std::vector<int> initial(std::begin(kWidths), std::end(kWidths));
    AddRow("255.255.255.255", "255.255.255.255");
    EXPECT_EQ(Widths(), initial) << "IPv4 addresses fit the widths the columns were given";

    AddRow(kFullAddress, kZonedAddress);
    EXPECT_TRUE(ShowsWhole(kColLocalAddress));
    EXPECT_TRUE(ShowsWhole(kColRemoteAddress));
    EXPECT_LE(ColumnsWidth(), list.viewport()->width());
    std::vector<int> others = Widths();
    others[kColLocalAddress] = kWidths[kColLocalAddress];
    others[kColRemoteAddress] = kWidths[kColRemoteAddress];
    EXPECT_EQ(others, initial) << "only the address columns change";

    // Narrowed to the columns' own widths there is no room: the addresses are cut, and the
    // tooltip of the cell holds the whole text. Widened again, they show whole again.
    list.resize(ColumnsWidth() - 2 * 150, 300);
    EXPECT_EQ(Widths(), initial);
    EXPECT_FALSE(ShowsWhole(kColLocalAddress));
    EXPECT_EQ(list.Model().index(0, kColLocalAddress).data(Qt::ToolTipRole).toString(),
              QString::fromLatin1(kFullAddress));
    list.resize(1600, 300);
    EXPECT_TRUE(ShowsWhole(kColLocalAddress));
    EXPECT_TRUE(ShowsWhole(kColRemoteAddress));

    // A refresh that lists only IPv4 rows keeps the widened columns steady.
    const std::vector<int> widened = Widths();
    list.DeleteAllItems();
    AddRow("127.0.0.1", "127.0.0.1");
    EXPECT_EQ(Widths(), widened);
}

TEST_F(AddressColumnsTest, AColumnTheUserResizedKeepsItsWidth) {
    // What a drag of the heading's divider does.
    list.Header().resizeSection(kColLocalAddress, 80);
    AddRow(kFullAddress, kFullAddress);
    EXPECT_EQ(list.GetColumnWidth(kColLocalAddress), 80);
    EXPECT_TRUE(ShowsWhole(kColRemoteAddress));
    list.resize(1400, 300);
    EXPECT_EQ(list.GetColumnWidth(kColLocalAddress), 80);

    // Set by the program again, the column follows its text again.
    list.SetColumnWidth(kColLocalAddress, 110);
    list.resize(1600, 300);
    EXPECT_TRUE(ShowsWhole(kColLocalAddress));
}

} // namespace
} // namespace hl
