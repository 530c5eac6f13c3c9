#include "QtTestSupport.h"
#include "listview/ColumnWidths.h"
#include "listview/PortListCtrl.h"
#include "resources/ResourceIds.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace hl {
namespace {

// A list in a window with a second focusable widget, as the list sits in the main window.
class PortListInputTest : public testing::Test {
protected:
    PortListInputTest() : list(new CPortListCtrl), other(new QLineEdit) {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(other);
        layout->addWidget(list);
        for (int col = 0; col < kColumnCount; ++col) {
            list->InsertColumn(col, QStringLiteral("c%1").arg(col), LVCFMT_LEFT, 60);
        }
        window.resize(600, 320);
    }

    void Fill(int rows) {
        for (int i = rows - 1; i >= 0; --i) {
            RowTexts cells;
            cells[kColProtocol] = "TCP";
            cells[kColPid] = std::to_string(i);
            list->InsertFilledItem(cells, 0);
        }
        list->FlushUpdates();
    }

    void Show() {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    // A right click as the window system reports it to the widget under the mouse.
    static void RightClick(QWidget* widget, QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
        QApplication::sendEvent(widget, &event);
    }

    bool PopupShown() const {
        return list->PopupMenu() != nullptr && list->PopupMenu()->isVisible();
    }

    void ClosePopup() {
        if (PopupShown()) {
            list->PopupMenu()->close();
        }
    }

    std::vector<std::string> Pids() {
        std::vector<std::string> pids;
        for (int row = 0; row < list->GetItemCount(); ++row) {
            pids.push_back(list->GetItemText(row, kColPid));
        }
        return pids;
    }

    QWidget window;
    CPortListCtrl* list;
    QLineEdit* other;
};

TEST_F(PortListInputTest, RightClicksOnRowsAndHeadingsShowThePopup) {
    Fill(3);
    Show();
    const QPoint onRow = list->visualRect(list->Model().index(1, 2)).center();
    RightClick(list->viewport(), onRow);
    ASSERT_TRUE(PopupShown());
    const QList<QAction*> actions = list->PopupMenu()->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Refresh List"));
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->text(), QStringLiteral("Close Connection"));
    EXPECT_EQ(list->PopupMenu()->pos(), list->viewport()->mapToGlobal(onRow));
    ClosePopup();

    // Below the last row, still in the client area.
    RightClick(list->viewport(), QPoint(10, list->viewport()->height() - 3));
    EXPECT_TRUE(PopupShown());
    ClosePopup();

    QHeaderView* header = list->horizontalHeader();
    RightClick(header->viewport(), QPoint(20, header->height() / 2));
    EXPECT_TRUE(PopupShown());
    ClosePopup();
}

TEST_F(PortListInputTest, ScrollBarsAndTheKeyboardShowNoMenu) {
    Fill(60);
    Show();
    QScrollBar* bar = list->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    RightClick(bar, QPoint(bar->width() / 2, bar->height() / 2));
    EXPECT_EQ(list->PopupMenu(), nullptr);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    // Shift+F10 and the menu key ask with the keyboard reason.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    QContextMenuEvent keyboard(QContextMenuEvent::Keyboard, QPoint(5, 5),
                               list->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(list, &keyboard);
    EXPECT_EQ(list->PopupMenu(), nullptr);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(PortListInputTest, PopupCommandsGoToTheMainWindow) {
    Fill(3);
    Show();
    QSignalSpy posted(list, &CPortListCtrl::commandPosted);
    for (const int index : {2, 0}) {
        RightClick(list->viewport(), QPoint(20, 5));
        ASSERT_TRUE(PopupShown());
        QMenu* menu = list->PopupMenu();
        QAction* action = menu->actions()[index];
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        EXPECT_TRUE(test::PumpUntil([&] { return !menu->isVisible(); }));
    }
    ASSERT_EQ(posted.size(), 2);
    EXPECT_EQ(posted[0][0].toInt(), ID_POPUP_CLOSE_CONNECTION);
    EXPECT_EQ(posted[1][0].toInt(), ID_POPUP_REFRESH_LIST);
}

struct DeleteCase {
    const char* name;
    int rows;
    int selected; // -1: none
    bool narrowsPid;
};

TEST_F(PortListInputTest, DeleteDropsTheSelectedRowFromTheDisplay) {
    const DeleteCase cases[] = {
        {"TwelveRows", 12, 4, true},
        {"ThirteenRows", 13, 4, false},
        {"NoSelection", 12, -1, false},
        {"LastRow", 12, 11, true},
    };
    Show();
    list->SetExtendedStyle(LVS_EX_FULLROWSELECT);
    for (const DeleteCase& c : cases) {
        SCOPED_TRACE(c.name);
        list->DeleteAllItems();
        list->SetColumnWidth(kColPid, 60);
        Fill(c.rows);
        std::vector<std::string> expected = Pids();
        if (c.selected >= 0) {
            list->selectRow(c.selected);
            expected.erase(expected.begin() + c.selected);
        }
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Delete);
        EXPECT_EQ(Pids(), expected);
        EXPECT_EQ(list->GetVisibleRowCount(), static_cast<int>(expected.size()));
        EXPECT_EQ(list->GetColumnWidth(kColPid),
                  c.narrowsPid ? ScaleColumnWidth(CPortListCtrl::kFewRowsPidWidth, list->font())
                               : 60);
    }
    // Of several selected rows, the first goes.
    list->DeleteAllItems();
    Fill(5);
    list->selectRow(3);
    list->selectionModel()->select(list->Model().index(1, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(Pids(), (std::vector<std::string>{"0", "2", "3", "4"}));
}

TEST_F(PortListInputTest, TabEnterAndEscapeStayInTheList) {
    Fill(3);
    Show();
    list->SetExtendedStyle(LVS_EX_FULLROWSELECT);
    list->setFocus();
    list->selectRow(1);
    ASSERT_TRUE(list->hasFocus());
    int keysSeenByWindow = 0;
    struct Watch : QObject {
        int* seen;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::KeyPress) {
                ++*seen;
            }
            return false;
        }
    } watch;
    watch.seen = &keysSeenByWindow;
    window.installEventFilter(&watch);
    for (const auto key :
         {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(list, key);
        EXPECT_TRUE(list->hasFocus()) << key;
    }
    EXPECT_EQ(keysSeenByWindow, 0);
    EXPECT_EQ(list->GetFirstSelected(), 1);
    window.removeEventFilter(&watch);
}

TEST_F(PortListInputTest, HitTestFollowsTheColumnsDisplayOrder) {
    Fill(40);
    Show();
    list->SetExtendedStyle(LVS_EX_HEADERDRAGDROP);
    QHeaderView* header = list->horizontalHeader();
    header->moveSection(header->visualIndex(kColState), 0);
    int column = -1;
    EXPECT_EQ(list->HitTestCell(QPoint(5, 5), &column), 0);
    EXPECT_EQ(column, kColState);
    const QRect cell = list->visualRect(list->Model().index(2, kColPid));
    EXPECT_EQ(list->HitTestCell(cell.center(), &column), 2);
    EXPECT_EQ(column, kColPid);
    // Right of the last column, and outside the rows.
    EXPECT_EQ(list->HitTestCell(QPoint(header->length() + 20, 5), &column), -1);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(list->HitTestCell(QPoint(5, -3)), -1);
    // After scrolling, the first row on screen.
    list->verticalScrollBar()->setValue(10);
    EXPECT_EQ(list->HitTestCell(QPoint(5, 2)), list->rowAt(2));
    EXPECT_GT(list->rowAt(2), 0);
}

TEST_F(PortListInputTest, ScrollingTakesTheFocus) {
    Fill(60);
    Show();
    other->setFocus();
    ASSERT_TRUE(other->hasFocus());
    QScrollBar* bar = list->verticalScrollBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() - 30));
    EXPECT_GT(bar->value(), 0);
    EXPECT_TRUE(list->hasFocus());
}

} // namespace
} // namespace hl
