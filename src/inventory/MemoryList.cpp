#include "inventory/MemoryList.h"

namespace hl {

int MemoryList::InsertItem(const std::string& text, int image) {
    std::lock_guard lock(m_mutex);
    Row row;
    row.cells[kColProtocol] = text;
    row.image = image;
    m_rows.push_back(std::move(row));
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
    At(row).cells[column] = text;
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
    m_rows.erase(m_rows.end() - 1 - row);
    return true;
}

int MemoryList::GetFirstSelected() {
    std::lock_guard lock(m_mutex);
    for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
        if (At(i).selected) {
            return i;
        }
    }
    return -1;
}

std::string MemoryList::GetItemText(int row, int column) {
    std::lock_guard lock(m_mutex);
    return ValidCell(row, column) ? At(row).cells[column] : std::string();
}

int MemoryList::GetItemCount() {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_rows.size());
}

int MemoryList::DeleteTcpRow(int row, const TcpRowKey& key) {
    std::lock_guard lock(m_mutex);
    const int found = FindTcpRow(row, key, static_cast<int>(m_rows.size()),
                                 [this](int r) -> const RowTexts& { return At(r).cells; });
    if (found >= 0) {
        m_rows.erase(m_rows.end() - 1 - found);
    }
    return found;
}

std::vector<MemoryList::Row> MemoryList::Rows() const {
    std::lock_guard lock(m_mutex);
    return {m_rows.rbegin(), m_rows.rend()};
}

bool MemoryList::Select(int row, bool selected) {
    std::lock_guard lock(m_mutex);
    if (!ValidCell(row, 0)) {
        return false;
    }
    At(row).selected = selected;
    return true;
}

} // namespace hl
