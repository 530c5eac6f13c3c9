#include "inventory/MemoryList.h"

namespace hl {

int MemoryList::InsertItem(const std::string& text, int image) {
    std::lock_guard lock(m_mutex);
    Row row;
    row.cells[kColProtocol] = text;
    row.image = image;
    m_rows.insert(m_rows.begin(), std::move(row));
    return 0;
}

bool MemoryList::ValidCell(int row, int column) const {
    return row >= 0 && static_cast<size_t>(row) < m_rows.size() && column >= 0 &&
           column < kColumnCount;
}

bool MemoryList::SetItemText(int row, int column, const std::string& text) {
    std::lock_guard lock(m_mutex);
    if (!ValidCell(row, column)) {
        return false;
    }
    m_rows[row].cells[column] = text;
    return true;
}

bool MemoryList::DeleteAllItems() {
    std::lock_guard lock(m_mutex);
    m_rows.clear();
    return true;
}

bool MemoryList::DeleteItem(int row) {
    std::lock_guard lock(m_mutex);
    if (!ValidCell(row, 0)) {
        return false;
    }
    m_rows.erase(m_rows.begin() + row);
    return true;
}

int MemoryList::GetFirstSelected() {
    std::lock_guard lock(m_mutex);
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].selected) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string MemoryList::GetItemText(int row, int column) {
    std::lock_guard lock(m_mutex);
    return ValidCell(row, column) ? m_rows[row].cells[column] : std::string();
}

int MemoryList::GetItemCount() {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

std::vector<MemoryList::Row> MemoryList::Rows() const {
    std::lock_guard lock(m_mutex);
    return m_rows;
}

bool MemoryList::Select(int row, bool selected) {
    std::lock_guard lock(m_mutex);
    if (!ValidCell(row, 0)) {
        return false;
    }
    m_rows[row].selected = selected;
    return true;
}

} // namespace hl
