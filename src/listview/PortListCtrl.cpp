#include "listview/PortListCtrl.h"

#include "listview/UiListOps.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>

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

    QHeaderView* columns = horizontalHeader();
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setHighlightSections(false);
    columns->setSectionsMovable(false);

    m_publishTimer.setSingleShot(true);
    m_publishTimer.setInterval(kFrameMs);
    connect(&m_publishTimer, &QTimer::timeout, this, [this] { m_model.Publish(); });
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

// ---- list operations, any thread

int CPortListCtrl::InsertItem(const std::string& text, int image) {
    return m_pump.Queue()->OnUiThread() ? DoInsertItem(text, image)
                                        : m_ops->InsertItem(text, image);
}

bool CPortListCtrl::SetItemText(int row, int column, const std::string& text) {
    return m_pump.Queue()->OnUiThread() ? DoSetItemText(row, column, text)
                                        : m_ops->SetItemText(row, column, text);
}

bool CPortListCtrl::DeleteAllItems() {
    return m_pump.Queue()->OnUiThread() ? DoDeleteAllItems() : m_ops->DeleteAllItems();
}

bool CPortListCtrl::DeleteItem(int row) {
    return m_pump.Queue()->OnUiThread() ? DoDeleteItem(row) : m_ops->DeleteItem(row);
}

int CPortListCtrl::GetFirstSelected() {
    return m_pump.Queue()->OnUiThread() ? DoGetFirstSelected() : m_ops->GetFirstSelected();
}

std::string CPortListCtrl::GetItemText(int row, int column) {
    return m_pump.Queue()->OnUiThread() ? DoGetItemText(row, column)
                                        : m_ops->GetItemText(row, column);
}

int CPortListCtrl::GetItemCount() {
    return m_pump.Queue()->OnUiThread() ? DoGetItemCount() : m_ops->GetItemCount();
}

int CPortListCtrl::InsertFilledItem(const RowTexts& cells, int image) {
    return m_pump.Queue()->OnUiThread() ? DoInsertFilledItem(cells, image)
                                        : m_ops->InsertFilledItem(cells, image);
}

// ---- the same, on the UI thread

int CPortListCtrl::DoInsertItem(const std::string& text, int image) {
    const int row = m_model.InsertItem(text, image);
    SchedulePublish();
    return row;
}

int CPortListCtrl::DoInsertFilledItem(const RowTexts& cells, int image) {
    const int row = m_model.InsertFilledItem(cells, image);
    SchedulePublish();
    return row;
}

bool CPortListCtrl::DoSetItemText(int row, int column, const std::string& text) {
    return m_model.SetItemText(row, column, text);
}

bool CPortListCtrl::DoDeleteAllItems() {
    m_publishTimer.stop();
    return m_model.DeleteAllItems();
}

bool CPortListCtrl::DoDeleteItem(int row) {
    return m_model.DeleteItem(row);
}

int CPortListCtrl::DoGetFirstSelected() const {
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

std::string CPortListCtrl::DoGetItemText(int row, int column) const {
    return m_model.GetItemText(row, column);
}

int CPortListCtrl::DoGetItemCount() const {
    return m_model.GetItemCount();
}

void CPortListCtrl::SchedulePublish() {
    if (!m_publishTimer.isActive()) {
        m_publishTimer.start();
    }
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
    horizontalHeader()->resizeSection(column, width);
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
    horizontalHeader()->setSectionsMovable((m_nExtendedStyle & LVS_EX_HEADERDRAGDROP) != 0);
    setSelectionBehavior((m_nExtendedStyle & LVS_EX_FULLROWSELECT) != 0
                             ? QAbstractItemView::SelectRows
                             : QAbstractItemView::SelectItems);
    return previous;
}

bool CPortListCtrl::SetItemData(int row, std::intptr_t data) {
    return m_model.SetItemData(row, data);
}

} // namespace hl
