#include "listview/PortListModel.h"

#include <algorithm>

namespace hl {

PortListModel::PortListModel(QObject* parent) : QAbstractTableModel(parent) {}

int PortListModel::InsertItem(const std::string& text, int image) {
    Row row;
    row.cells[kColProtocol] = text;
    row.image = image;
    return m_rows.InsertTop(std::move(row));
}

int PortListModel::InsertFilledItem(const RowTexts& cells, int image) {
    Row row;
    row.cells = cells;
    row.image = image;
    return m_rows.InsertTop(std::move(row));
}

bool PortListModel::SetItemText(int row, int column, const std::string& text) {
    if (!m_rows.ValidCell(row, column)) {
        return false;
    }
    m_rows.At(row).cells[column] = text;
    const int viewRow = ViewRowOf(row);
    if (viewRow >= 0 && column < ColumnCount()) {
        const QModelIndex cell = index(viewRow, column);
        emit dataChanged(cell, cell, {Qt::DisplayRole});
    }
    return true;
}

bool PortListModel::DeleteAllItems() {
    beginResetModel();
    m_rows.Clear();
    m_nPublished = 0;
    endResetModel();
    return true;
}

bool PortListModel::DeleteItem(int row) {
    if (!m_rows.Valid(row)) {
        return false;
    }
    const int viewRow = ViewRowOf(row);
    if (viewRow < 0) {
        m_rows.Erase(row);
        return true;
    }
    beginRemoveRows(QModelIndex(), viewRow, viewRow);
    m_rows.Erase(row);
    --m_nPublished;
    endRemoveRows();
    return true;
}

int PortListModel::DeleteTcpRow(int row, const TcpRowKey& key) {
    const int found = m_rows.FindTcp(row, key);
    if (found >= 0) {
        DeleteItem(found);
    }
    return found;
}

std::string PortListModel::GetItemText(int row, int column) const {
    return m_rows.ValidCell(row, column) ? m_rows.At(row).cells[column] : std::string();
}

bool PortListModel::SetItemData(int row, std::intptr_t data) {
    if (!m_rows.Valid(row)) {
        return false;
    }
    m_rows.At(row).data = data;
    return true;
}

std::intptr_t PortListModel::GetItemData(int row) const {
    return m_rows.Valid(row) ? m_rows.At(row).data : 0;
}

int PortListModel::GetImage(int row) const {
    return m_rows.Valid(row) ? m_rows.At(row).image : kNoImage;
}

void PortListModel::SortItems(const ItemDataOrder& before) {
    Publish();
    ListRows& stored = m_rows.Slots();
    const size_t count = stored.size();
    if (count < 2) {
        return;
    }
    // order[r] = the slot of the row that ends at list row r. The item data is copied out
    // once, so the comparisons do not reach into the large rows.
    std::vector<size_t> order(count);
    std::vector<std::intptr_t> data(count);
    for (size_t row = 0; row < count; ++row) {
        order[row] = count - 1 - row;
        data[row] = stored[row].data;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return before(data[a], data[b]); });

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Every row is published, so view rows and list rows are the same numbers.
    std::vector<int> newRowOfSlot(count);
    for (size_t row = 0; row < count; ++row) {
        newRowOfSlot[order[row]] = static_cast<int>(row);
    }
    ListRows sorted;
    sorted.reserve(count);
    for (size_t row = count; row-- > 0;) {
        sorted.push_back(std::move(stored[order[row]]));
    }
    m_rows.Swap(sorted);

    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from) {
        const size_t oldSlot = count - 1 - static_cast<size_t>(index.row());
        to.push_back(this->index(newRowOfSlot[oldSlot], index.column()));
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool PortListModel::Shows(const ListRows& rows) const {
    return Unpublished() == 0 && m_rows.Slots() == rows;
}

void PortListModel::ReplaceRows(ListRows& rows) {
    beginResetModel();
    m_rows.Swap(rows);
    m_nPublished = m_rows.Count();
    endResetModel();
}

int PortListModel::InsertColumn(int column, const QString& heading) {
    if (column < 0 || column > ColumnCount() || ColumnCount() >= kColumnCount) {
        return -1;
    }
    beginInsertColumns(QModelIndex(), column, column);
    m_headings.insert(m_headings.begin() + column, heading);
    endInsertColumns();
    return column;
}

QString PortListModel::ColumnHeading(int column) const {
    if (column < 0 || column >= ColumnCount()) {
        return {};
    }
    return m_headings[static_cast<size_t>(column)];
}

void PortListModel::SetImages(std::vector<QPixmap> images) {
    m_images = std::move(images);
    if (m_nPublished > 0 && ColumnCount() > 0) {
        emit dataChanged(index(0, 0), index(m_nPublished - 1, 0), {Qt::DecorationRole});
    }
}

void PortListModel::Publish() {
    const int pending = Unpublished();
    if (pending <= 0) {
        return;
    }
    beginInsertRows(QModelIndex(), 0, pending - 1);
    m_nPublished = m_rows.Count();
    endInsertRows();
}

int PortListModel::ViewRowOf(int row) const {
    if (!m_rows.Valid(row)) {
        return -1;
    }
    const int viewRow = row - Unpublished();
    return viewRow >= 0 ? viewRow : -1;
}

int PortListModel::ListRowOf(int viewRow) const {
    if (viewRow < 0 || viewRow >= m_nPublished) {
        return -1;
    }
    return viewRow + Unpublished();
}

int PortListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_nPublished;
}

int PortListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount();
}

QVariant PortListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_nPublished || index.column() >= kColumnCount) {
        return {};
    }
    // View row r is the r-th published row from the top.
    const Row& row = m_rows.Slots()[static_cast<size_t>(m_nPublished - 1 - index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        const std::string& text = row.cells[static_cast<size_t>(index.column())];
        if (text.empty()) {
            return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
        }
        // Cell texts are bytes; names that are not valid UTF-8 show replacement characters.
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    case Qt::DecorationRole:
        if (index.column() == 0 && row.image >= 0 &&
            static_cast<size_t>(row.image) < m_images.size()) {
            return m_images[static_cast<size_t>(row.image)];
        }
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant PortListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return ColumnHeading(section);
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    }
    return {};
}

Qt::ItemFlags PortListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace hl
