#include "listview/PortListCtrl.h"

#include "QtTestSupport.h"
#include "inventory/MemoryList.h"
#include "listview/FlatHeaderCtrl.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
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
    // The list a refresh fills off-screen answers as this one does.
    MemoryList offScreen;
    EXPECT_EQ(RunReaderSequence(offScreen), kExpectedSequence);
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
                          ops->DeleteAllItems(), ops->Alive());
    });
    EXPECT_EQ(results, std::tuple(-1, -1, false, std::string(), 0, -1, false, false, false));
    ListRows rows(3);
    EXPECT_FALSE(RunOnWorker([ops, &rows] { return ops->ReplaceAllItems(rows); }));
    EXPECT_EQ(rows.size(), 3u);
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

// Rows for a replacement, given top to bottom as "protocol local-port remote-port".
ListRows RowsOf(const std::vector<std::string>& topToBottom) {
    ListRows rows;
    for (auto it = topToBottom.rbegin(); it != topToBottom.rend(); ++it) {
        ListRow row;
        const size_t a = it->find(' ');
        const size_t b = it->find(' ', a + 1);
        row.cells[kColProtocol] = it->substr(0, a);
        row.cells[kColLocalAddress] = "127.0.0.1";
        row.cells[kColLocalPort] = it->substr(a + 1, b - a - 1);
        row.cells[kColRemoteAddress] = "127.0.0.1";
        row.cells[kColRemotePort] = it->substr(b + 1);
        row.cells[kColState] = "ESTABLISHED";
        row.image = 0;
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> Many(const std::string& protocol, int first, int count) {
    std::vector<std::string> rows;
    for (int i = first; i < first + count; ++i) {
        rows.push_back(protocol + " " + std::to_string(i) + " 80");
    }
    return rows;
}

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// What the model tells its views.
struct ModelSignals {
    explicit ModelSignals(QAbstractItemModel& model) {
        QObject::connect(&model, &QAbstractItemModel::modelAboutToBeReset, [this] { ++resets; });
        QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeInserted, [this] { ++changes; });
        QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved, [this] { ++changes; });
        QObject::connect(&model, &QAbstractItemModel::dataChanged, [this] { ++changes; });
        QObject::connect(&model, &QAbstractItemModel::layoutAboutToBeChanged,
                         [this] { ++changes; });
    }
    int resets = 0;
    int changes = 0;
};

TEST_F(PortListCtrlTest, AReplacementThatChangesNothingLeavesTheViewAlone) {
    ListRows rows = RowsOf(Many("TCP", 1000, 50));
    ASSERT_TRUE(list.ReplaceAllItems(rows));
    list.selectRow(10);
    ModelSignals seen(list.Model());
    QSignalSpy selectionChanges(list.selectionModel(), &QItemSelectionModel::selectionChanged);

    ListRows same = RowsOf(Many("TCP", 1000, 50));
    ASSERT_TRUE(RunOnWorker([&] { return list.ThreadSafeOps()->ReplaceAllItems(same); }));
    EXPECT_EQ(seen.resets, 0);
    EXPECT_EQ(seen.changes, 0);
    EXPECT_EQ(selectionChanges.count(), 0);
    EXPECT_EQ(list.GetFirstSelected(), 10);

    // Any difference, a cell or an image, replaces the rows.
    for (const auto change : {+[](ListRow& r) { r.cells[kColState] = "CLOSE_WAIT"; },
                              +[](ListRow& r) { r.image = 1; }}) {
        ListRows changed = RowsOf(Many("TCP", 1000, 50));
        change(changed[3]);
        ASSERT_TRUE(list.ReplaceAllItems(changed));
    }
    EXPECT_EQ(seen.resets, 2);
    EXPECT_EQ(seen.changes, 0);
    EXPECT_EQ(list.GetItemText(46, kColState), "ESTABLISHED");
    EXPECT_EQ(list.GetItemImage(46), 1);
}

TEST_F(PortListCtrlTest, ReplacedRowsAreShownAtOnceAndTheOldOnesComeBack) {
    ListRows first = RowsOf({"TCP 1 80", "UDP 2 0"});
    ASSERT_TRUE(RunOnWorker([&] { return list.ThreadSafeOps()->ReplaceAllItems(first); }));
    EXPECT_TRUE(first.empty()); // the list held no rows
    EXPECT_EQ(list.GetVisibleRowCount(), 2);
    EXPECT_EQ(ViewText(0, kColProtocol), QStringLiteral("TCP"));
    EXPECT_EQ(ViewText(1, kColLocalPort), QStringLiteral("2"));

    ListRows second = RowsOf({"TCP 3 80"});
    ASSERT_TRUE(list.ReplaceAllItems(second));
    EXPECT_EQ(second, RowsOf({"TCP 1 80", "UDP 2 0"}));
    EXPECT_EQ(Column(list, kColLocalPort), std::vector<std::string>{"3"});
    EXPECT_EQ(list.GetVisibleRowCount(), 1);
}

TEST_F(PortListCtrlTest, TheSelectedConnectionAndTheTopRowStayAcrossAReplacement) {
    list.resize(250, 300); // narrower than its columns: it scrolls both ways
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const std::vector<std::string> tcp = Many("TCP", 1000, 400);
    ListRows rows = RowsOf(Joined(tcp, Many("UDP", 5000, 100)));
    ASSERT_TRUE(list.ReplaceAllItems(rows));
    // The user selects "TCP 1250 80" and "UDP 5010 80" and looks at the rows from 200 on.
    list.selectionModel()->setCurrentIndex(list.Model().index(250, 2),
                                           QItemSelectionModel::ClearAndSelect |
                                               QItemSelectionModel::Rows);
    list.selectionModel()->select(list.Model().index(410, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list.scrollTo(list.Model().index(200, 0), QAbstractItemView::PositionAtTop);
    list.horizontalScrollBar()->setValue(30);
    ASSERT_EQ(list.rowAt(0), 200);
    ASSERT_EQ(list.horizontalScrollBar()->value(), 30);

    // Thirty rows above the selection go, five new ones come on top, and "TCP 1251" goes.
    std::vector<std::string> next = Many("TCP", 9000, 5);
    for (int i = 30; i < 400; ++i) {
        if (i != 251) {
            next.push_back(tcp[static_cast<size_t>(i)]);
        }
    }
    next = Joined(next, Many("UDP", 5000, 100));
    ListRows replacement = RowsOf(next);
    ASSERT_TRUE(RunOnWorker([&] { return list.ThreadSafeOps()->ReplaceAllItems(replacement); }));

    const auto selected = list.selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 2);
    std::vector<std::string> ports;
    for (const QModelIndex& index : selected) {
        ports.push_back(list.GetItemText(index.row(), kColLocalPort));
    }
    std::sort(ports.begin(), ports.end());
    EXPECT_EQ(ports, (std::vector<std::string>{"1250", "5010"}));
    EXPECT_EQ(list.GetItemText(list.GetFirstSelected(), kColLocalPort), "1250");
    EXPECT_EQ(list.GetItemText(list.selectionModel()->currentIndex().row(), kColLocalPort), "1250");
    EXPECT_EQ(list.selectionModel()->currentIndex().column(), 2);
    // The top row shows the same connection, the view is as far right as before.
    EXPECT_EQ(list.GetItemText(list.rowAt(0), kColLocalPort), "1200");
    EXPECT_EQ(list.horizontalScrollBar()->value(), 30);

    // When the top row's connection is gone, the view keeps its offset.
    const int offset = list.verticalScrollBar()->value();
    std::vector<std::string> without;
    for (const std::string& row : next) {
        if (row != "TCP 1200 80") {
            without.push_back(row);
        }
    }
    ListRows last = RowsOf(without);
    ASSERT_TRUE(list.ReplaceAllItems(last));
    EXPECT_EQ(list.verticalScrollBar()->value(), offset);
    EXPECT_EQ(list.GetItemText(list.GetFirstSelected(), kColLocalPort), "1250");
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

// A refresh hands its rows over in one replacement: its addresses widen the columns as rows
// inserted one by one do.
TEST_F(AddressColumnsTest, ARefreshsReplacementWidensTheColumnsToo) {
    ListRows rows(2);
    for (ListRow& row : rows) {
        row.cells = Cells("TCPv6", "42");
        row.cells[kColLocalAddress] = "::1";
        row.cells[kColRemoteAddress] = "::1";
    }
    rows[0].cells[kColLocalAddress] = kZonedAddress;
    rows[1].cells[kColRemoteAddress] = kFullAddress;
    ASSERT_TRUE(RunOnWorker([&] { return list.ThreadSafeOps()->ReplaceAllItems(rows); }));
    EXPECT_TRUE(ShowsWhole(kColLocalAddress));
    EXPECT_TRUE(ShowsWhole(kColRemoteAddress));
    EXPECT_LE(ColumnsWidth(), list.viewport()->width());
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
