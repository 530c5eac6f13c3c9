#pragma once

#include "inventory/ListOps.h"
#include "listview/ColumnFit.h"
#include "listview/ImageList.h"
#include "listview/PortListModel.h"
#include "uithread/UiCallPump.h"

#include <QMenu>
#include <QTableView>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QHeaderView;

namespace hl {

class CFlatHeaderCtrl;
class CTextWidths;
class UiListOps;

// Extended styles of the list (the bits of the report-style list view they stand for).
inline constexpr uint32_t LVS_EX_GRIDLINES = 0x01;
inline constexpr uint32_t LVS_EX_HEADERDRAGDROP = 0x10;
inline constexpr uint32_t LVS_EX_FULLROWSELECT = 0x20;
// Column formats.
inline constexpr int LVCFMT_LEFT = 0;

// The connection list: a report-style table of rows with eight text cells, an image and an
// item data value each, on a model of its own.
//
// A left click on a column heading sorts the rows by that column (again on the same column:
// the other way round), as text or as numbers by the column; the heading shows no sort mark.
// A right click in the list or on its headings shows the popup menu, whose two commands go
// to the main window through commandPosted. Delete drops the first selected row from the
// display. While the list has the focus it keeps every key: Tab, Enter and Escape act on the
// list and never on the dialog around it.
//
// It is also the list the workers fill. Its own list operations are for the UI thread; a
// worker holds ThreadSafeOps(), which carries each operation to the UI thread and waits for
// it, and which CloseOperations() (or the list's end) cuts off. While rows stream in, the view
// is told about them at most once per frame.
class CPortListCtrl : public QTableView, public IListOps {
    Q_OBJECT
public:
    explicit CPortListCtrl(QWidget* parent = nullptr);
    ~CPortListCtrl() override;

    // IListOps, UI thread only.
    int InsertItem(const std::string& text, int image) override;
    bool SetItemText(int row, int column, const std::string& text) override;
    bool DeleteAllItems() override;
    bool DeleteItem(int row) override;
    int GetFirstSelected() override;
    std::string GetItemText(int row, int column) override;
    int GetItemCount() override;
    int DeleteTcpRow(int row, const TcpRowKey& key) override;
    // Nothing at all happens to the view when `rows` are the rows it shows. Otherwise one
    // reset, after which the selected connections (same protocol, local and remote address
    // and port), the current one and the top row's connection are found again; where the top
    // row's connection is gone, the scroll offsets stay.
    bool ReplaceAllItems(ListRows& rows) override;
    int InsertFilledItem(const RowTexts& cells, int image) override;

    // The list operations for worker threads, safe to keep after the list is destroyed.
    std::shared_ptr<IListOps> ThreadSafeOps() const;
    // Cuts the workers off: fails every waiting and every later operation of ThreadSafeOps()
    // at once (done when the list is destroyed; the owner does it earlier, when its window
    // closes).
    void CloseOperations() { m_pump.Close(); }

    // UI thread only from here on.
    int InsertColumn(int column, const QString& heading, int format, int width);
    int GetColumnCount() const { return m_model.ColumnCount(); }
    QString GetColumnHeading(int column) const { return m_model.ColumnHeading(column); }
    int GetColumnWidth(int column) const;
    // Sets a column's width. The address columns take it as their least width: they grow
    // beyond it to show their widest text whole as far as the list has room beside the other
    // columns, until the user resizes them.
    bool SetColumnWidth(int column, int width);
    // The narrowest column width that shows `text` in a cell without cutting it (the cell's
    // margins and the grid line included).
    int TextColumnWidth(const QString& text) const;
    // The small images, drawn in column 0 by each row's image index.
    void SetImageList(const ImageList& images);
    // Sets the extended styles given in mask (all of them when mask is 0) to those of style;
    // returns the previous styles.
    uint32_t SetExtendedStyle(uint32_t style, uint32_t mask = 0);
    uint32_t GetExtendedStyle() const { return m_nExtendedStyle; }
    bool SetItemData(int row, std::intptr_t data);
    std::intptr_t GetItemData(int row) const { return m_model.GetItemData(row); }
    int GetItemImage(int row) const { return m_model.GetImage(row); }
    // Shows the rows inserted so far at once instead of at the next frame.
    void FlushUpdates() { Publish(); }
    // Rows the view shows; lags GetItemCount() by at most one frame while rows stream in.
    int GetVisibleRowCount() const { return m_model.rowCount(); }

    PortListModel& Model() { return m_model; }
    // The flat column header that draws the headings and lets the user drag columns.
    CFlatHeaderCtrl& Header() const { return *m_wndHeader; }

    // Reorders the rows by `before`, a strict weak order on their item data (rows it holds
    // equal keep their order); the view is updated once.
    void SortItems(const PortListModel::ItemDataOrder& before);
    // The list row under a point of the viewport among the rows on screen, or -1; the
    // column under it through `column` (0 when no row is hit).
    int HitTestCell(const QPoint& point, int* column = nullptr) const;
    // The column of the last sort (-1 before the first) and its direction.
    int SortColumn() const { return m_nSortColumn; }
    bool SortAscending() const { return m_bSortAscending; }
    // The popup menu while it is shown (or was last shown), else nullptr.
    QMenu* PopupMenu() const { return m_pPopup.get(); }

    // The width column 1 gets when Delete leaves this many rows or fewer.
    static constexpr int kFewRows = 11;
    static constexpr int kFewRowsPidWidth = 315;

signals:
    // A command of the popup menu for the main window (the Refresh List and Close Connection
    // ids); the receiver should carry it out after the menu has gone, as a posted command.
    void commandPosted(int id);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The header: its click sorts, it selects nothing.
    void AttachHeader(QHeaderView* header);
    void OnHeaderItemClick(int column);
    void OnContextMenu(const QPoint& globalPos);
    void OnPopupCommand(int id);
    void OnDeleteKey();
    void TakeFocusOnScroll();
    // The list's client area (rows and heading strip) in global coordinates.
    QRect ClientRectOnScreen() const;
    // Selects and focuses one row, leaving the selection of the others as it is.
    void SelectAndFocus(int viewRow);

    int FirstSelectedRow() const;
    void SchedulePublish();
    // Shows the rows inserted so far, and widens the address columns for them.
    void Publish();
    // Notes the width an address cell needs for its text.
    void NoteCellText(int column, const std::string& text);
    // Gives the address columns the widths that fit their widest text in the room there is.
    void FitColumns();
    void ResizeSection(int column, int width);

    // Where the user is in the list: the connections selected, the current one and the one
    // in the top row, and the scroll offsets; a replacement's new rows take it over.
    struct ConnectionKey {
        std::string protocol, localAddress, localPort, remoteAddress, remotePort;
        static ConnectionKey Of(const RowTexts& cells);
        bool Names(const RowTexts& cells) const;
        std::string Joined() const;
    };
    struct ViewPlace {
        std::vector<ConnectionKey> selected;
        std::optional<ConnectionKey> current;
        int currentColumn = 0;
        std::optional<ConnectionKey> top;
        int vertical = 0;
        int horizontal = 0;
    };
    ConnectionKey KeyOfRow(int row) const;
    ViewPlace TakePlace() const;
    void RestorePlace(const ViewPlace& place);

    PortListModel m_model;
    CFlatHeaderCtrl* m_wndHeader = nullptr; // a child of the view, which owns it
    UiCallPump m_pump;
    std::shared_ptr<UiListOps> m_ops;
    QTimer m_publishTimer;
    CColumnFit m_columnFit{{kColLocalAddress, kColRemoteAddress}};
    std::unique_ptr<CTextWidths> m_textWidths; // of the list's font, made on first use
    int m_nCellMargin = 0;                     // what a cell adds to its text's width
    bool m_bFitPending = false;                // a cell needs more than before
    bool m_bSettingWidth = false;              // the list itself resizes a column
    uint32_t m_nExtendedStyle = 0;

    int m_nSortColumn = -1;
    bool m_bSortAscending = true;
    int m_nLastClickRow = -1; // the row last re-selected by the left-button handling
    std::unique_ptr<QMenu> m_pPopup;
};

} // namespace hl
