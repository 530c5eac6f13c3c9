#include "inventory/MemoryList.h"

namespace hl {

int MemoryList::InsertItem(const std::string& text, int image) {
    std::lock_guard lock(m_mutex);
    ListRow row;
    row.cells[kColProtocol] = text;
    row.image = image;
    m_selected.push_back(false);
    return m_rows.InsertTop(std::move(row));
}

int MemoryList::InsertFilledItem(const RowTexts& cells, int image) {
    std::lock_guard lock(m_mutex);
    ListRow row;
    row.cells = cells;
    row.image = image;
    m_selected.push_back(false);
    return m_rows.InsertTop(std::move(row));
}

bool MemoryList::SetItemText(int row, int column, const std::string& text) {
    std::lock_guard lock(m_mutex);
    if (!m_rows.ValidCell(row, column)) {
        return false;
    }
    m_rows.At(row).cells[column] = text;
    return true;
}

bool MemoryList::DeleteAllItems() {
    std::lock_guard lock(m_mutex);
    m_rows.Clear();
    m_selected.clear();
    return true;
}

void MemoryList::EraseRow(int row) {
    m_selected.erase(m_selected.begin() + static_cast<std::ptrdiff_t>(m_rows.Slot(row)));
    m_rows.Erase(row);
}

bool MemoryList::DeleteItem(int row) {
    std::lock_guard lock(m_mutex);
    if (!m_rows.Valid(row)) {
        return false;
    }
    EraseRow(row);
    return true;
}

int MemoryList::GetFirstSelected() {
    std::lock_guard lock(m_mutex);
    for (int row = 0; row < m_rows.Count(); ++row) {
        if (m_selected[m_rows.Slot(row)]) {
            return row;
        }
    }
    return -1;
}

std::string MemoryList::GetItemText(int row, int column) {
    std::lock_guard lock(m_mutex);
    return m_rows.ValidCell(row, column) ? m_rows.At(row).cells[column] : std::string();
}

int MemoryList::GetItemCount() {
    std::lock_guard lock(m_mutex);
    return m_rows.Count();
}

int MemoryList::DeleteTcpRow(int row, const TcpRowKey& key) {
    std::lock_guard lock(m_mutex);
    const int found = m_rows.FindTcp(row, key);
    if (found >= 0) {
        EraseRow(found);
    }
    return found;
}

bool MemoryList::ReplaceAllItems(ListRows& rows) {
    std::lock_guard lock(m_mutex);
    m_rows.Swap(rows);
    m_selected.assign(m_rows.Slots().size(), false);
    return true;
}

ListRows MemoryList::TakeRows() {
    std::lock_guard lock(m_mutex);
    ListRows rows;
    m_rows.Swap(rows);
    m_selected.clear();
    return rows;
}

std::vector<MemoryList::Row> MemoryList::Rows() const {
    std::lock_guard lock(m_mutex);
    std::vector<Row> rows;
    rows.reserve(m_rows.Slots().size());
    for (int row = 0; row < m_rows.Count(); ++row) {
        Row copy;
        static_cast<ListRow&>(copy) = m_rows.At(row);
        copy.selected = m_selected[m_rows.Slot(row)];
        rows.push_back(std::move(copy));
    }
    return rows;
}

bool MemoryList::Select(int row, bool selected) {
    std::lock_guard lock(m_mutex);
    if (!m_rows.Valid(row)) {
        return false;
    }
    m_selected[m_rows.Slot(row)] = selected;
    return true;
}

} // namespace hl
