#include "listview/PortListCtrl.h"

#include "listview/ColumnSorter.h"
#include "listview/ColumnWidths.h"
#include "listview/FlatHeaderCtrl.h"
#include "listview/TextWidths.h"
#include "listview/UiListOps.h"
#include "resources/MenuBuilder.h"
#include "resources/Menus.h"
#include "resources/ResourceIds.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>
#include <cstdint>
#include <unordered_set>

namespace hl {
namespace {

// Rows inserted while a refresh streams in are shown at this pace.
constexpr int kFrameMs = 16;

} // namespace

CPortListCtrl::CPortListCtrl(QWidget* parent)
    : QTableView(parent), m_ops(std::make_shared<UiListOps>(m_pump.Queue(), this)) {
    setModel(&m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setShowGrid(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setIconSize(QSize(16, 16));
    setFrameShape(QFrame::StyledPanel);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(std::max(fontMetrics().height(), 16) + 2);

    // The flat header replaces the view's own; the view owns it from here on.
    m_wndHeader = new CFlatHeaderCtrl(this);
    setHorizontalHeader(m_wndHeader);
    QHeaderView* columns = m_wndHeader;
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setHighlightSections(false);
    AttachHeader(columns);

    // A right click on a scroll bar shows no menu, neither the popup nor a scroll menu.
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()}) {
        bar->setContextMenuPolicy(Qt::PreventContextMenu);
        connect(bar, &QAbstractSlider::actionTriggered, this, [this] { TakeFocusOnScroll(); });
    }

    m_publishTimer.setSingleShot(true);
    m_publishTimer.setInterval(kFrameMs);
    connect(&m_publishTimer, &QTimer::timeout, this, [this] { Publish(); });
    connect(m_wndHeader, &QHeaderView::sectionResized, this, [this](int column, int, int) {
        if (!m_bSettingWidth) {
            m_columnFit.SetUserWidth(column);
        }
    });
}

CPortListCtrl::~CPortListCtrl() {
    // First of all: no worker may reach this object any more.
    m_pump.Close();
    m_publishTimer.stop();
    setModel(nullptr);
}

std::shared_ptr<IListOps> CPortListCtrl::ThreadSafeOps() const {
    return m_ops;
}

// ---- list operations

int CPortListCtrl::InsertItem(const std::string& text, int image) {
    const int row = m_model.InsertItem(text, image);
    SchedulePublish();
    return row;
}

int CPortListCtrl::InsertFilledItem(const RowTexts& cells, int image) {
    const int row = m_model.InsertFilledItem(cells, image);
    if (row >= 0) {
        NoteCellText(kColLocalAddress, cells[kColLocalAddress]);
        NoteCellText(kColRemoteAddress, cells[kColRemoteAddress]);
    }
    SchedulePublish();
    return row;
}

bool CPortListCtrl::SetItemText(int row, int column, const std::string& text) {
    const bool set = m_model.SetItemText(row, column, text);
    if (set && (column == kColLocalAddress || column == kColRemoteAddress)) {
        NoteCellText(column, text);
        SchedulePublish();
    }
    return set;
}

bool CPortListCtrl::DeleteAllItems() {
    m_publishTimer.stop();
    return m_model.DeleteAllItems();
}

bool CPortListCtrl::DeleteItem(int row) {
    return m_model.DeleteItem(row);
}

int CPortListCtrl::DeleteTcpRow(int row, const TcpRowKey& key) {
    return m_model.DeleteTcpRow(row, key);
}

bool CPortListCtrl::ReplaceAllItems(ListRows& rows) {
    if (m_model.Shows(rows)) {
        return true;
    }
    m_publishTimer.stop();
    const ViewPlace place = TakePlace();
    m_model.ReplaceRows(rows);
    for (int row = 0; row < m_model.GetItemCount(); ++row) {
        const RowTexts& cells = m_model.Cells(row);
        NoteCellText(kColLocalAddress, cells[kColLocalAddress]);
        NoteCellText(kColRemoteAddress, cells[kColRemoteAddress]);
    }
    if (m_bFitPending) {
        FitColumns();
    }
    RestorePlace(place);
    return true;
}

// A connection is named by its protocol and its local and remote address and port.
bool CPortListCtrl::ConnectionKey::Names(const RowTexts& cells) const {
    return cells[kColProtocol] == protocol && cells[kColLocalAddress] == localAddress &&
           cells[kColLocalPort] == localPort && cells[kColRemoteAddress] == remoteAddress &&
           cells[kColRemotePort] == remotePort;
}

CPortListCtrl::ConnectionKey CPortListCtrl::ConnectionKey::Of(const RowTexts& cells) {
    return {cells[kColProtocol], cells[kColLocalAddress], cells[kColLocalPort],
            cells[kColRemoteAddress], cells[kColRemotePort]};
}

// Cell texts hold no zero bytes, so the joined form names the same connection.
std::string CPortListCtrl::ConnectionKey::Joined() const {
    std::string joined = protocol;
    for (const std::string* part : {&localAddress, &localPort, &remoteAddress, &remotePort}) {
        joined += '\0';
        joined += *part;
    }
    return joined;
}

CPortListCtrl::ConnectionKey CPortListCtrl::KeyOfRow(int row) const {
    return ConnectionKey::Of(m_model.Cells(row));
}

CPortListCtrl::ViewPlace CPortListCtrl::TakePlace() const {
    ViewPlace place;
    place.horizontal = horizontalScrollBar()->value();
    place.vertical = verticalScrollBar()->value();
    if (const int top = m_model.ListRowOf(rowAt(0)); top >= 0) {
        place.top = KeyOfRow(top);
    }
    if (const QItemSelectionModel* selection = selectionModel()) {
        for (const QModelIndex& index : selection->selectedRows()) {
            if (const int row = m_model.ListRowOf(index.row()); row >= 0) {
                place.selected.push_back(KeyOfRow(row));
            }
        }
        const QModelIndex current = selection->currentIndex();
        if (const int row = m_model.ListRowOf(current.row()); current.isValid() && row >= 0) {
            place.current = KeyOfRow(row);
            place.currentColumn = current.column();
        }
    }
    return place;
}

// One pass over the new rows finds the rows of the kept connections; a connection that shows
// twice is found at each of its rows.
void CPortListCtrl::RestorePlace(const ViewPlace& place) {
    const int count = m_model.GetItemCount();
    const int columns = m_model.ColumnCount();
    int top = -1;
    int current = -1;
    QItemSelection selected;
    int runStart = -1;
    const auto endRun = [&](int end) {
        if (runStart >= 0 && columns > 0) {
            selected.select(m_model.index(runStart, 0), m_model.index(end - 1, columns - 1));
        }
        runStart = -1;
    };
    // Many selected connections are looked up by their joined texts.
    constexpr size_t kFewSelected = 8;
    std::unordered_set<std::string> many;
    if (place.selected.size() > kFewSelected) {
        for (const ConnectionKey& key : place.selected) {
            many.insert(key.Joined());
        }
    }
    const bool anySelected = !place.selected.empty();
    for (int row = 0; row < count; ++row) {
        const RowTexts& cells = m_model.Cells(row);
        if (top < 0 && place.top && place.top->Names(cells)) {
            top = row;
        }
        if (current < 0 && place.current && place.current->Names(cells)) {
            current = row;
        }
        const bool isSelected =
            anySelected &&
            (many.empty()
                 ? std::any_of(place.selected.begin(), place.selected.end(),
                               [&cells](const ConnectionKey& key) { return key.Names(cells); })
                 : many.count(ConnectionKey::Of(cells).Joined()) > 0);
        if (isSelected && runStart < 0) {
            runStart = row;
        } else if (!isSelected) {
            endRun(row);
        }
    }
    endRun(count);

    // The layout that the reset asked for happens now, so that it cannot undo the scroll
    // positions set below.
    executeDelayedItemsLayout();
    if (QItemSelectionModel* selection = selectionModel()) {
        if (current >= 0 && columns > 0) {
            selection->setCurrentIndex(
                m_model.index(current, std::clamp(place.currentColumn, 0, columns - 1)),
                QItemSelectionModel::NoUpdate);
        }
        if (!selected.isEmpty()) {
            selection->select(selected, QItemSelectionModel::ClearAndSelect);
        }
    }
    if (top >= 0 && columns > 0) {
        scrollTo(m_model.index(top, 0), QAbstractItemView::PositionAtTop);
    } else {
        verticalScrollBar()->setValue(place.vertical);
    }
    horizontalScrollBar()->setValue(place.horizontal);
}

int CPortListCtrl::GetFirstSelected() {
    return FirstSelectedRow();
}

int CPortListCtrl::FirstSelectedRow() const {
    const QItemSelectionModel* selection = selectionModel();
    if (selection == nullptr) {
        return -1;
    }
    int first = -1;
    for (const QItemSelectionRange& range : selection->selection()) {
        if (first < 0 || range.top() < first) {
            first = range.top();
        }
    }
    return first < 0 ? -1 : m_model.ListRowOf(first);
}

std::string CPortListCtrl::GetItemText(int row, int column) {
    return m_model.GetItemText(row, column);
}

int CPortListCtrl::GetItemCount() {
    return m_model.GetItemCount();
}

void CPortListCtrl::SchedulePublish() {
    if (!m_publishTimer.isActive()) {
        m_publishTimer.start();
    }
}

void CPortListCtrl::Publish() {
    m_model.Publish();
    if (m_bFitPending) {
        FitColumns();
    }
}

void CPortListCtrl::NoteCellText(int column, const std::string& text) {
    if (text.empty()) {
        return;
    }
    if (!m_textWidths) {
        m_textWidths = std::make_unique<CTextWidths>(font());
        m_nCellMargin = TextColumnWidth(QStringLiteral("0")) - m_textWidths->Width("0");
    }
    if (m_columnFit.NoteCellWidth(column, m_textWidths->Width(text) + m_nCellMargin)) {
        m_bFitPending = true;
    }
}

void CPortListCtrl::FitColumns() {
    m_bFitPending = false;
    // The columns that follow their text may grow by what the list's width leaves beside all
    // columns at their least widths. A vertical scroll bar that is not there yet is counted
    // as there, so that its coming with more rows does not push the last column out of sight.
    const std::vector<CColumnFit::Width> fitted = m_columnFit.Widths(0);
    int64_t others = 0;
    for (int column = 0; column < GetColumnCount(); ++column) {
        const bool follows = std::any_of(fitted.begin(), fitted.end(), [column](const auto& fit) {
            return fit.column == column;
        });
        if (!follows) {
            others += GetColumnWidth(column);
        }
    }
    int room = viewport()->width();
    if (!verticalScrollBar()->isVisible()) {
        room -= verticalScrollBar()->sizeHint().width();
    }
    const int64_t free = room - others - m_columnFit.ProgramWidthSum();
    for (const CColumnFit::Width& fit :
         m_columnFit.Widths(static_cast<int>(std::clamp<int64_t>(free, 0, INT32_MAX)))) {
        if (GetColumnWidth(fit.column) != fit.width) {
            ResizeSection(fit.column, fit.width);
        }
    }
}

void CPortListCtrl::ResizeSection(int column, int width) {
    m_bSettingWidth = true;
    horizontalHeader()->resizeSection(column, width);
    m_bSettingWidth = false;
}

void CPortListCtrl::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    FitColumns();
}

void CPortListCtrl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        m_textWidths.reset();
    }
    QTableView::changeEvent(event);
}

// ---- UI thread

int CPortListCtrl::InsertColumn(int column, const QString& heading, int format, int width) {
    (void)format; // every column of the list is left-aligned
    const int inserted = m_model.InsertColumn(column, heading);
    if (inserted >= 0) {
        SetColumnWidth(inserted, width);
    }
    return inserted;
}

int CPortListCtrl::GetColumnWidth(int column) const {
    if (column < 0 || column >= GetColumnCount()) {
        return 0;
    }
    return horizontalHeader()->sectionSize(column);
}

bool CPortListCtrl::SetColumnWidth(int column, int width) {
    if (column < 0 || column >= GetColumnCount() || width < 0) {
        return false;
    }
    m_columnFit.SetProgramWidth(column, width);
    ResizeSection(column, width);
    return true;
}

int CPortListCtrl::TextColumnWidth(const QString& text) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = text;
    const int cell =
        style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width();
    // Room for the grid line, which the view draws inside the column.
    return cell + 1;
}

void CPortListCtrl::SetImageList(const ImageList& images) {
    m_model.SetImages(images.Images());
    if (images.ImageSize().isValid()) {
        setIconSize(images.ImageSize());
    }
}

uint32_t CPortListCtrl::SetExtendedStyle(uint32_t style, uint32_t mask) {
    const uint32_t previous = m_nExtendedStyle;
    const uint32_t bits = mask == 0 ? ~0u : mask;
    m_nExtendedStyle = (previous & ~bits) | (style & bits);
    setShowGrid((m_nExtendedStyle & LVS_EX_GRIDLINES) != 0);
    m_wndHeader->SetDragDrop((m_nExtendedStyle & LVS_EX_HEADERDRAGDROP) != 0);
    setSelectionBehavior((m_nExtendedStyle & LVS_EX_FULLROWSELECT) != 0
                             ? QAbstractItemView::SelectRows
                             : QAbstractItemView::SelectItems);
    return previous;
}

bool CPortListCtrl::SetItemData(int row, std::intptr_t data) {
    return m_model.SetItemData(row, data);
}

void CPortListCtrl::SortItems(const PortListModel::ItemDataOrder& before) {
    m_publishTimer.stop();
    m_model.SortItems(before);
}

// ---- the header

void CPortListCtrl::AttachHeader(QHeaderView* header) {
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    // A press on a heading selects nothing: the view's own wiring would select the column.
    disconnect(header, SIGNAL(sectionPressed(int)), this, SLOT(selectColumn(int)));
    disconnect(header, SIGNAL(sectionEntered(int)), this, SLOT(_q_selectColumn(int)));
    // The header reports clicks of the left button only.
    connect(header, &QHeaderView::sectionClicked, this, &CPortListCtrl::OnHeaderItemClick);
}

void CPortListCtrl::OnHeaderItemClick(int column) {
    if (column < 0 || column >= GetColumnCount()) {
        return;
    }
    m_bSortAscending = column == m_nSortColumn ? !m_bSortAscending : true;
    m_nSortColumn = column;
    // Everything below runs on the UI thread without handling events, so no worker's list
    // operation comes between the reading of the texts and the restoring of the item data.
    CColumnSorter sorter(this, column);
    sorter.Sort(m_bSortAscending, CColumnSorter::SortKindOf(column));
}

// ---- hit test and the left button

int CPortListCtrl::HitTestCell(const QPoint& point, int* column) const {
    if (column != nullptr) {
        *column = 0;
    }
    const int rows = m_model.rowCount();
    const int top = rowAt(0);
    if (top < 0 || rows == 0) {
        return -1;
    }
    const int perPage = viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize());
    const int last = std::min(top + perPage, rows - 1);
    const QHeaderView* header = horizontalHeader();
    const int left = -horizontalOffset();
    const int right = left + header->length();
    for (int viewRow = top; viewRow <= last; ++viewRow) {
        const int y = rowViewportPosition(viewRow);
        if (point.y() < y || point.y() >= y + rowHeight(viewRow) || point.x() < left ||
            point.x() > right) {
            continue;
        }
        int x = left;
        for (int position = 0; position < header->count(); ++position) {
            const int logical = header->logicalIndex(position);
            const int width = header->isSectionHidden(logical) ? 0 : columnWidth(logical);
            if (x <= point.x() && point.x() <= x + width) {
                if (column != nullptr) {
                    *column = logical;
                }
                return m_model.ListRowOf(viewRow);
            }
            x += width;
        }
    }
    return -1;
}

void CPortListCtrl::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const int row = HitTestCell(event->position().toPoint());
    if (row < 0) {
        return;
    }
    const int viewRow = m_model.ViewRowOf(row);
    if (currentIndex().row() != viewRow) {
        SelectAndFocus(viewRow);
        return;
    }
    if ((m_nExtendedStyle & LVS_EX_FULLROWSELECT) != 0 && row != m_nLastClickRow) {
        m_nLastClickRow = row;
        SelectAndFocus(viewRow);
    }
}

void CPortListCtrl::SelectAndFocus(int viewRow) {
    QItemSelectionModel* selection = selectionModel();
    if (selection == nullptr || viewRow < 0) {
        return;
    }
    const int column = std::max(0, currentIndex().column());
    const QModelIndex index = m_model.index(viewRow, column);
    selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

// ---- the popup menu

QRect CPortListCtrl::ClientRectOnScreen() const {
    QRect client = viewport()->geometry();
    const QHeaderView* header = horizontalHeader();
    if (header->isVisible()) {
        client = client.united(header->geometry());
    }
    return QRect(mapToGlobal(client.topLeft()), client.size());
}

// Right clicks on the rows arrive here; a keyboard request gets the default handling, which
// shows nothing.
void CPortListCtrl::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Keyboard) {
        QTableView::contextMenuEvent(event);
        return;
    }
    OnContextMenu(event->globalPos());
    event->accept();
}

void CPortListCtrl::OnContextMenu(const QPoint& globalPos) {
    if (!ClientRectOnScreen().contains(globalPos)) {
        return;
    }
    const MenuResource* menu = FindMenu(IDR_LIST_POPUP);
    if (menu == nullptr || menu->popups.empty()) {
        return;
    }
    m_pPopup = BuildPopupMenu(menu->popups.front());
    connect(m_pPopup.get(), &QMenu::triggered, this,
            [this](QAction* action) { OnPopupCommand(CommandIdOf(action)); });
    m_pPopup->popup(globalPos);
}

void CPortListCtrl::OnPopupCommand(int id) {
    if (id == ID_POPUP_REFRESH_LIST || id == ID_POPUP_CLOSE_CONNECTION) {
        emit commandPosted(id);
    }
}

// ---- keys and scrolling

bool CPortListCtrl::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        // Tab stays in the list instead of moving the focus on.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            event->accept();
            return true;
        }
        break;
    }
    case QEvent::ContextMenu: {
        // A right click on the heading strip reaches the view from its header.
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        if (menuEvent->reason() != QContextMenuEvent::Keyboard) {
            OnContextMenu(menuEvent->globalPos());
            event->accept();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QTableView::event(event);
}

void CPortListCtrl::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Delete:
        OnDeleteKey();
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        // The list's own handling, then nothing more: the dialog never sees these keys.
        QTableView::keyPressEvent(event);
        event->accept();
        return;
    default:
        QTableView::keyPressEvent(event);
        return;
    }
}

// Only the displayed row goes; the connection stays and the next refresh lists it again.
void CPortListCtrl::OnDeleteKey() {
    const int row = FirstSelectedRow();
    if (row < 0) {
        return;
    }
    m_model.DeleteItem(row);
    if (m_model.GetItemCount() <= kFewRows) {
        SetColumnWidth(kColPid, ScaleColumnWidth(kFewRowsPidWidth, font()));
    }
}

void CPortListCtrl::TakeFocusOnScroll() {
    if (!hasFocus()) {
        setFocus(Qt::MouseFocusReason);
    }
}

} // namespace hl
