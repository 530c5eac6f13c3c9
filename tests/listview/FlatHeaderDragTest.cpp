#include "listview/ColumnSorter.h"
#include "listview/FlatHeaderCtrl.h"
#include "listview/HeaderDragWnd.h"
#include "listview/PortListCtrl.h"

#include <QApplication>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace hl {
namespace {

constexpr int kWidth = 60; // of each of the four columns A B C D
constexpr int kY = 8;

int DragWindowsOnScreen() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<CHeaderDragWnd*>(widget) != nullptr) {
            ++count;
        }
    }
    return count;
}

class FlatHeaderDrag : public testing::Test {
protected:
    FlatHeaderDrag() {
        model.setColumnCount(4);
        for (int i = 0; i < 4; ++i) {
            model.setHeaderData(i, Qt::Horizontal, QString(QChar('A' + i)));
        }
        header = std::make_unique<CFlatHeaderCtrl>();
        header->setModel(&model);
        header->setMinimumSectionSize(1);
        for (int i = 0; i < 4; ++i) {
            header->resizeSection(i, kWidth);
        }
        header->SetDragDrop(true);
        header->setSectionsClickable(true);
        header->resize(300, 24);
        header->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(header.get()));
        QObject::connect(header.get(), &CFlatHeaderCtrl::beginDrag, [this](HeaderDragEvent* e) {
            ++begins;
            e->vetoed = vetoBegin;
        });
        QObject::connect(header.get(), &CFlatHeaderCtrl::endDrag, [this](HeaderDragEvent* e) {
            ++ends;
            e->vetoed = vetoEnd;
        });
    }
    ~FlatHeaderDrag() override { header.reset(); }

    QWidget* Surface() const { return header->viewport(); }
    void Press(int x, int y = kY) { QTest::mousePress(Surface(), Qt::LeftButton, {}, {x, y}); }
    void Move(int x, int y = kY) { QTest::mouseMove(Surface(), {x, y}); }
    void Release(int x, int y = kY) { QTest::mouseRelease(Surface(), Qt::LeftButton, {}, {x, y}); }
    // Presses on column A's middle and moves far enough to start a drag.
    void BeginDragOfA() {
        Press(30);
        Move(30 + QApplication::startDragDistance() + 20);
        ASSERT_TRUE(header->IsMovingColumn());
    }
    // Drags column A to x and releases it there.
    void DragATo(int x) {
        BeginDragOfA();
        Move(x);
        Release(x);
    }
    std::string Order() const {
        std::string order;
        for (int index : header->GetOrderArray()) {
            order += static_cast<char>('A' + index);
        }
        return order;
    }
    void ExpectCleanedUp() {
        EXPECT_FALSE(header->IsMovingColumn());
        EXPECT_EQ(header->DragWindow(), nullptr);
        EXPECT_EQ(header->DropSlot(), -1);
        EXPECT_EQ(DragWindowsOnScreen(), 0);
        EXPECT_NE(QWidget::mouseGrabber(), Surface());
    }

    QStandardItemModel model;
    std::unique_ptr<CFlatHeaderCtrl> header;
    int begins = 0;
    int ends = 0;
    bool vetoBegin = false;
    bool vetoEnd = false;
};

TEST_F(FlatHeaderDrag, TheDragBoxAroundThePress) {
    const int d = QApplication::startDragDistance();
    struct Case {
        const char* name;
        int dx;
        int dy;
        bool drags;
    } cases[] = {
        {"inside", d - 1, d - 1, false}, {"left edge", -d, 0, false}, {"top edge", 0, -d, false},
        {"right edge", d, 0, true},      {"bottom edge", 0, d, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Press(30, kY);
        Move(30 + c.dx, kY + c.dy);
        EXPECT_EQ(header->IsMovingColumn(), c.drags);
        Release(30 + c.dx, kY + c.dy);
        EXPECT_EQ(Order(), "ABCD");
        ExpectCleanedUp();
    }
}

TEST_F(FlatHeaderDrag, ReleaseSlotsMoveTheColumn) {
    struct Case {
        const char* name;
        int x;
        int slot; // the marker while over x
        const char* order;
    } cases[] = {
        {"right half of C", 2 * kWidth + 45, 3, "BCAD"},
        {"left half of B: its own place", kWidth + 10, -1, "ABCD"},
        {"right half of A itself", 45, -1, "ABCD"},
        {"right half of the last", 3 * kWidth + 45, 4, "BCDA"},
        {"left half of D", 3 * kWidth + 10, 3, "BCAD"},
        {"beyond every column", 280, -1, "ABCD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        header->SetOrderArray({0, 1, 2, 3});
        BeginDragOfA();
        Move(c.x);
        EXPECT_EQ(header->DropSlot(), c.slot);
        ASSERT_NE(header->DragWindow(), nullptr);
        EXPECT_TRUE(header->DragWindow()->isVisible());
        Release(c.x);
        EXPECT_EQ(Order(), c.order);
        ExpectCleanedUp();
    }
    EXPECT_EQ(begins, 6);
    EXPECT_EQ(ends, 6);
}

TEST_F(FlatHeaderDrag, TheOrderOfAMoveFromTheRight) {
    // D dragged onto the left half of B: A D B C.
    Press(3 * kWidth + 30);
    Move(3 * kWidth + 30 - QApplication::startDragDistance() - 5);
    Move(kWidth + 10);
    EXPECT_EQ(header->DropSlot(), 1);
    Release(kWidth + 10);
    EXPECT_EQ(Order(), "ADBC");
}

TEST_F(FlatHeaderDrag, TheFloatingHeadingFollowsThePointer) {
    BeginDragOfA();
    Move(150, 10);
    const CHeaderDragWnd* window = header->DragWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->size(), QSize(kWidth, header->viewport()->height()));
    const QPoint pointer = Surface()->mapToGlobal(QPoint(150, 10));
    EXPECT_EQ(window->pos(), pointer - QPoint(kWidth >> 1, window->height() >> 1));
    EXPECT_FALSE(window->isActiveWindow());
    EXPECT_EQ(QWidget::mouseGrabber(), Surface());
    EXPECT_EQ(header->PressedItem().text, QStringLiteral("A"));
    EXPECT_EQ(header->PressedItem().order, 0);
    // It shows the heading inside a raised frame of its own.
    const QImage image = const_cast<CHeaderDragWnd*>(window)->grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 5).rgb(), header->LightColor().rgb());
    EXPECT_EQ(image.pixelColor(kWidth - 1, 5).rgb(), header->DarkColor().rgb());
    Release(150, 10);
    ExpectCleanedUp();
}

TEST_F(FlatHeaderDrag, VetoesAndAHeaderWithoutDragging) {
    {
        SCOPED_TRACE("begin vetoed");
        vetoBegin = true;
        BeginDragOfA();
        Move(2 * kWidth + 45);
        EXPECT_EQ(header->DragWindow(), nullptr);
        EXPECT_EQ(header->DropSlot(), -1);
        Release(2 * kWidth + 45);
        EXPECT_EQ(Order(), "ABCD");
        EXPECT_EQ(ends, 1) << "the end is reported after a refused start too";
        ExpectCleanedUp();
        vetoBegin = false;
    }
    {
        SCOPED_TRACE("end vetoed");
        vetoEnd = true;
        DragATo(2 * kWidth + 45);
        EXPECT_EQ(Order(), "ABCD");
        ExpectCleanedUp();
        vetoEnd = false;
    }
    {
        SCOPED_TRACE("dragging off");
        header->SetDragDrop(false);
        QSignalSpy clicks(header.get(), &QHeaderView::sectionClicked);
        Press(30);
        Move(200);
        EXPECT_FALSE(header->IsMovingColumn());
        EXPECT_EQ(header->DragWindow(), nullptr);
        Move(30);
        Release(30);
        EXPECT_EQ(clicks.count(), 1) << "the press still reaches Qt's click handling";
        EXPECT_EQ(Order(), "ABCD");
    }
}

TEST_F(FlatHeaderDrag, HotDivider) {
    EXPECT_EQ(header->SetHotDivider(false, 2), 2);
    EXPECT_EQ(header->DropSlot(), 2);
    EXPECT_EQ(header->SetHotDivider(false, -1), -1);
    const QPoint onC = Surface()->mapToGlobal(QPoint(2 * kWidth + 45, kY));
    const int packed = (onC.y() << 16) | (onC.x() & 0xFFFF);
    EXPECT_EQ(header->SetHotDivider(true, packed), 3);
    const QPoint nowhere = Surface()->mapToGlobal(QPoint(290, kY));
    EXPECT_EQ(header->SetHotDivider(true, (nowhere.y() << 16) | nowhere.x()), -1);
}

TEST_F(FlatHeaderDrag, ADividerPressResizesAndNeverDrags) {
    QSignalSpy clicks(header.get(), &QHeaderView::sectionClicked);
    Press(kWidth - 1);
    EXPECT_TRUE(header->IsSizing());
    Move(kWidth + 30);
    EXPECT_EQ(header->sectionSize(0), kWidth + 31);
    EXPECT_EQ(header->DropSlot(), -1);
    EXPECT_FALSE(header->IsMovingColumn());
    Release(kWidth + 30);
    EXPECT_FALSE(header->IsSizing());
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(Order(), "ABCD");
    ExpectCleanedUp();
}

TEST_F(FlatHeaderDrag, ClicksWithoutAMoveAreClicksAndADragIsNone) {
    QSignalSpy clicks(header.get(), &QHeaderView::sectionClicked);
    Press(kWidth + 30);
    Release(kWidth + 30);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toInt(), 1);
    // A drag that ends on its own heading is no click.
    BeginDragOfA();
    Move(30);
    Release(30);
    EXPECT_EQ(clicks.count(), 1);
    // And the header takes clicks again after it.
    Press(30);
    Release(30);
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(FlatHeaderDrag, DestroyedMidDragLeavesNoWindow) {
    BeginDragOfA();
    Move(150);
    ASSERT_EQ(DragWindowsOnScreen(), 1);
    header.reset();
    EXPECT_EQ(DragWindowsOnScreen(), 0);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

// The header inside the connection list: a drag moves the column, a click sorts by it.
TEST(FlatHeaderInList, ADraggedColumnSortsByItsOwnKind) {
    auto list = std::make_unique<CPortListCtrl>();
    for (int col = 0; col < kColumnCount; ++col) {
        list->InsertColumn(col, QStringLiteral("c%1").arg(col), LVCFMT_LEFT, 70);
    }
    list->SetExtendedStyle(LVS_EX_HEADERDRAGDROP);
    for (const char* pid : {"80", "1200", "7", "443"}) {
        RowTexts cells;
        cells[kColProtocol] = "TCP";
        cells[kColPid] = pid;
        list->InsertFilledItem(cells, 0);
    }
    list->FlushUpdates();
    list->resize(700, 300);
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    CFlatHeaderCtrl& header = list->Header();
    ASSERT_EQ(list->horizontalHeader(), &header);
    QWidget* surface = header.viewport();

    // PID (second) dragged onto the left half of Protocol: it becomes the first column.
    const int pidMiddle = header.sectionViewportPosition(kColPid) + 35;
    QTest::mousePress(surface, Qt::LeftButton, {}, {pidMiddle, kY});
    QTest::mouseMove(surface, {pidMiddle - 30, kY});
    QTest::mouseMove(surface, {10, kY});
    QTest::mouseRelease(surface, Qt::LeftButton, {}, {10, kY});
    EXPECT_EQ(header.logicalIndex(0), kColPid);
    EXPECT_EQ(list->SortColumn(), -1) << "the drag sorted nothing";

    QTest::mouseClick(surface, Qt::LeftButton, {},
                      {header.sectionViewportPosition(kColPid) + 30, kY});
    EXPECT_EQ(list->SortColumn(), kColPid);
    std::vector<std::string> pids;
    for (int row = 0; row < list->GetItemCount(); ++row) {
        pids.push_back(list->GetItemText(row, kColPid));
    }
    // As numbers; as text "1200" would come first.
    EXPECT_EQ(pids, (std::vector<std::string>{"7", "80", "443", "1200"}));

    // The list destroyed in the middle of a drag takes the floating heading with it.
    QTest::mousePress(surface, Qt::LeftButton, {}, {30, kY});
    QTest::mouseMove(surface, {120, kY});
    QTest::mouseMove(surface, {200, kY});
    ASSERT_EQ(DragWindowsOnScreen(), 1);
    list.reset();
    EXPECT_EQ(DragWindowsOnScreen(), 0);
}

} // namespace
} // namespace hl
