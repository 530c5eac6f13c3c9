#include "QtTestSupport.h"
#include "listview/ColumnSorter.h"
#include "listview/PortListCtrl.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace hl {
namespace {

using namespace std::chrono_literals;

struct Fixture {
    std::intptr_t data;
    RowTexts cells;
};

// Rows top to bottom as the list starts; each has a unique Local Address and its own item
// data, so a row can be told from the others after any sort.
const std::vector<Fixture> kRows = {
    {101, {"TCP", "1200", "sshd", "10.0.0.1", "8080", "9.0.0.1", "443", "ESTABLISHED"}},
    {102, {"UDP", "80", "SSHD", "9.0.0.1", "80", "", "", ""}},
    {103, {"TCP", "443", "\xc3\xa9t", "127.0.0.1", "443", "10.0.0.2", "22", "LISTEN"}},
    {104, {"UDP", "7", "zed", "10.0.0.10", "53", "", "", ""}},
};

class PortListSortTest : public testing::Test {
protected:
    PortListSortTest() {
        const char* headings[] = {
            "Protocol",       "PID",         "Process Name",    "Local Address", "Local Port",
            "Remote Address", "Remote Port", "Connection State"};
        for (int col = 0; col < kColumnCount; ++col) {
            list.InsertColumn(col, QString::fromLatin1(headings[col]), LVCFMT_LEFT, 70);
        }
        list.resize(700, 300);
        for (auto it = kRows.rbegin(); it != kRows.rend(); ++it) {
            list.InsertFilledItem(it->cells, 0);
            list.SetItemData(0, it->data);
        }
        list.FlushUpdates();
        list.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
    }

    void ClickHeading(int column, Qt::MouseButton button = Qt::LeftButton) {
        QHeaderView* header = list.horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), button, {}, at);
    }

    std::vector<std::string> ColumnTexts(int column, bool folded = false) {
        std::vector<std::string> texts;
        for (int row = 0; row < list.GetItemCount(); ++row) {
            std::string text = list.GetItemText(row, column);
            if (folded) {
                for (char& c : text) {
                    c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
                }
            }
            texts.push_back(text);
        }
        return texts;
    }

    // Every row still carries its own item data, and the view shows what the list holds.
    void ExpectRowsIntact() {
        std::map<std::string, std::intptr_t> dataOf;
        for (const Fixture& row : kRows) {
            dataOf[row.cells[kColLocalAddress]] = row.data;
        }
        ASSERT_EQ(list.GetItemCount(), static_cast<int>(kRows.size()));
        ASSERT_EQ(list.GetVisibleRowCount(), list.GetItemCount());
        for (int row = 0; row < list.GetItemCount(); ++row) {
            EXPECT_EQ(list.GetItemData(row), dataOf[list.GetItemText(row, kColLocalAddress)]);
            for (int col = 0; col < kColumnCount; ++col) {
                EXPECT_EQ(list.Model().index(row, col).data().toString().toStdString(),
                          list.GetItemText(row, col));
            }
        }
    }

    CPortListCtrl list;
};

struct SortStep {
    int column;
    bool ascending;
    std::vector<std::string> texts; // of the column after the click, case folded
};

TEST_F(PortListSortTest, HeaderClicksSortByTheColumnsKind) {
    const SortStep steps[] = {
        // Addresses are text: 10.0.0.1 before 9.0.0.1.
        {kColLocalAddress, true, {"10.0.0.1", "10.0.0.10", "127.0.0.1", "9.0.0.1"}},
        {kColLocalAddress, false, {"9.0.0.1", "127.0.0.1", "10.0.0.10", "10.0.0.1"}},
        // Ports are numbers.
        {kColLocalPort, true, {"53", "80", "443", "8080"}},
        {kColLocalPort, false, {"8080", "443", "80", "53"}},
        // Empty remote ports of UDP rows count as 0.
        {kColRemotePort, true, {"", "", "22", "443"}},
        {kColPid, true, {"7", "80", "443", "1200"}},
        // sshd and SSHD are equal; a byte above 0x7F is a byte, after every ASCII letter.
        {kColProcessName, true, {"sshd", "sshd", "zed", "\xc3\xa9t"}},
        {kColProcessName, false, {"\xc3\xa9t", "zed", "sshd", "sshd"}},
        // Back on an earlier column: ascending again.
        {kColLocalAddress, true, {"10.0.0.1", "10.0.0.10", "127.0.0.1", "9.0.0.1"}},
        {kColProtocol, true, {"tcp", "tcp", "udp", "udp"}},
        {kColState, true, {"", "", "established", "listen"}},
        {kColState, false, {"listen", "established", "", ""}},
    };
    for (const SortStep& step : steps) {
        SCOPED_TRACE(testing::Message() << "column " << step.column);
        ClickHeading(step.column);
        EXPECT_EQ(list.SortColumn(), step.column);
        EXPECT_EQ(list.SortAscending(), step.ascending);
        EXPECT_EQ(ColumnTexts(step.column, true), step.texts);
        ExpectRowsIntact();
    }
    EXPECT_FALSE(list.horizontalHeader()->isSortIndicatorShown());
}

TEST_F(PortListSortTest, OtherButtonsSortNothingAndAClickSelectsNothing) {
    const auto before = ColumnTexts(kColLocalAddress);
    ClickHeading(kColPid, Qt::RightButton);
    ClickHeading(kColPid, Qt::MiddleButton);
    EXPECT_EQ(list.SortColumn(), -1);
    EXPECT_EQ(ColumnTexts(kColLocalAddress), before);

    // Without full-row selection a press on a heading would select its column.
    ClickHeading(kColPid);
    EXPECT_FALSE(list.selectionModel()->hasSelection());
    EXPECT_EQ(list.GetFirstSelected(), -1);
}

TEST_F(PortListSortTest, AMovedHeadingKeepsItsColumnsKind) {
    list.SetExtendedStyle(LVS_EX_HEADERDRAGDROP);
    QHeaderView* header = list.horizontalHeader();
    header->moveSection(header->visualIndex(kColPid), kColumnCount - 1);
    ASSERT_EQ(header->logicalIndex(kColumnCount - 1), kColPid);
    ClickHeading(kColPid);
    // As text, "1200" would come first.
    EXPECT_EQ(ColumnTexts(kColPid), (std::vector<std::string>{"7", "80", "443", "1200"}));
    ExpectRowsIntact();
}

TEST_F(PortListSortTest, SelectionStaysWithItsRowsAndARefreshDoesNotSortAgain) {
    list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    list.selectRow(1); // 9.0.0.1
    ClickHeading(kColLocalAddress);
    ASSERT_EQ(list.GetFirstSelected(), 3);
    EXPECT_EQ(list.GetItemText(list.GetFirstSelected(), kColLocalAddress), "9.0.0.1");

    // A refill lists in reading order and leaves the direction as it was.
    list.DeleteAllItems();
    for (const Fixture& row : kRows) {
        list.InsertFilledItem(row.cells, 0);
    }
    list.FlushUpdates();
    EXPECT_EQ(list.GetItemText(0, kColLocalAddress), "10.0.0.10");
    EXPECT_TRUE(list.SortAscending());
    ClickHeading(kColLocalAddress);
    EXPECT_FALSE(list.SortAscending());
    EXPECT_EQ(list.GetItemText(0, kColLocalAddress), "9.0.0.1");
}

// With a comparison under which every pair of equal numbers compares "greater", a sort that
// needs a strict weak order may run past the rows; this one keeps them all.
TEST(PortListSortEqualKeys, AColumnOfEqualNumbersSortsAndKeepsEveryRow) {
    CPortListCtrl list;
    for (int col = 0; col < kColumnCount; ++col) {
        list.InsertColumn(col, QStringLiteral("c"), LVCFMT_LEFT, 40);
    }
    constexpr int kRows = 5000;
    for (int i = 0; i < kRows; ++i) {
        RowTexts cells;
        cells[kColProtocol] = "TCP";
        cells[kColPid] = i % 100 == 0 ? "x" : "5"; // "x" reads as 0
        list.InsertFilledItem(cells, 0);
        list.SetItemData(0, i + 1);
    }
    for (const bool ascending : {true, false}) {
        {
            CColumnSorter sorter(&list, kColPid);
            EXPECT_TRUE(sorter.Sort(ascending, CColumnSorter::kSortNumber));
        }
        ASSERT_EQ(list.GetItemCount(), kRows);
        std::vector<std::intptr_t> data;
        for (int row = 0; row < kRows; ++row) {
            data.push_back(list.GetItemData(row));
        }
        std::sort(data.begin(), data.end());
        for (int i = 0; i < kRows; ++i) {
            ASSERT_EQ(data[static_cast<size_t>(i)], i + 1);
        }
        const int zeros = kRows / 100;
        EXPECT_EQ(list.GetItemText(ascending ? 0 : kRows - 1, kColPid), "x");
        EXPECT_EQ(list.GetItemText(ascending ? zeros : kRows - zeros - 1, kColPid), "5");
    }
}

// The order a sort leaves agrees with CompareEntries for every neighbouring pair, on texts
// where case folding, punctuation between 'Z' and 'a', high bytes and number forms matter.
TEST(PortListSortOrder, SortedNeighboursNeverCompareTheWrongWay) {
    const std::vector<std::string> texts = {
        "b",        "B",    "[x",  "_",  "a",  "Ab",  "ab",  "",   "\xc3\xa9",
        "\xc3\x89", "z",    "Z1",  "z1", "10", "9",   "1e1", " 7", "-3",
        "+3",       "0x10", "1.5", ".5", "5.", "abc", "ABD", "`"};
    for (const int column : {kColProcessName, kColPid}) {
        const int kind = CColumnSorter::SortKindOf(column);
        for (const bool ascending : {true, false}) {
            CPortListCtrl list;
            for (int col = 0; col < kColumnCount; ++col) {
                list.InsertColumn(col, QStringLiteral("c"), LVCFMT_LEFT, 40);
            }
            for (const std::string& text : texts) {
                list.InsertItem("TCP", 0);
                list.SetItemText(0, column, text);
            }
            {
                CColumnSorter sorter(&list, column);
                ASSERT_TRUE(sorter.Sort(ascending, kind));
            }
            ASSERT_EQ(list.GetItemCount(), static_cast<int>(texts.size()));
            const int parameter = ascending ? kind : -kind;
            for (int row = 0; row + 1 < list.GetItemCount(); ++row) {
                SortEntry first;
                first.text = list.GetItemText(row, column);
                SortEntry second;
                second.text = list.GetItemText(row + 1, column);
                // Equal numbers compare "greater" both ways; only a strict "less" the other
                // way round is wrong.
                EXPECT_FALSE(CColumnSorter::CompareEntries(second, first, parameter) < 0 &&
                             CColumnSorter::CompareEntries(first, second, parameter) > 0)
                    << '"' << first.text << "\" before \"" << second.text << "\" kind "
                    << parameter;
            }
        }
    }
}

// A worker's list operations wait while a sort runs: right after each click the whole list
// is in order, however many rows the worker is inserting meanwhile.
TEST(PortListSortWhileFilling, WorkerInsertionsNeverLandInTheMiddleOfASort) {
    CPortListCtrl list;
    for (int col = 0; col < kColumnCount; ++col) {
        list.InsertColumn(col, QStringLiteral("c"), LVCFMT_LEFT, 40);
    }
    list.resize(400, 300);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    auto ops = list.ThreadSafeOps();
    std::atomic<bool> stop{false};
    auto worker = std::async(std::launch::async, [ops, &stop] {
        for (int i = 0; i < 20000 && !stop; ++i) {
            RowTexts cells;
            cells[kColProtocol] = "TCP";
            cells[kColPid] = std::to_string((i * 7919) % 10007);
            if (ops->InsertFilledItem(cells, 0) < 0) {
                break;
            }
        }
    });
    QHeaderView* header = list.horizontalHeader();
    const QPoint pid(header->sectionViewportPosition(kColPid) + 5, header->height() / 2);
    for (int click = 0; click < 20; ++click) {
        ASSERT_TRUE(test::PumpUntil([&] { return list.GetItemCount() > click * 200; }));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, pid);
        std::vector<double> numbers;
        for (int row = 0; row < list.GetItemCount(); ++row) {
            numbers.push_back(CColumnSorter::ReadNumber(list.GetItemText(row, kColPid)));
        }
        if (list.SortAscending()) {
            ASSERT_TRUE(std::is_sorted(numbers.begin(), numbers.end())) << "click " << click;
        } else {
            ASSERT_TRUE(std::is_sorted(numbers.rbegin(), numbers.rend())) << "click " << click;
        }
    }
    stop = true;
    while (worker.wait_for(1ms) != std::future_status::ready) {
        QCoreApplication::processEvents();
    }
}

} // namespace
} // namespace hl
