#pragma once

#include "inventory/ListOps.h"

#include <cstddef>

namespace hl {

// The rows of a list by list row (0 is the top), kept bottom first.
class RowStore {
public:
    int Count() const { return static_cast<int>(m_rows.size()); }
    bool Valid(int row) const { return row >= 0 && static_cast<size_t>(row) < m_rows.size(); }
    bool ValidCell(int row, int column) const {
        return Valid(row) && column >= 0 && column < kColumnCount;
    }
    // Index into Slots() of a valid list row.
    size_t Slot(int row) const { return m_rows.size() - 1 - static_cast<size_t>(row); }
    ListRow& At(int row) { return m_rows[Slot(row)]; }
    const ListRow& At(int row) const { return m_rows[Slot(row)]; }

    // Inserts `row` at the top; returns its list row, 0.
    int InsertTop(ListRow row);
    // Removes a valid list row; the rows below move up by one.
    void Erase(int row);
    void Clear() { m_rows.clear(); }
    // The row DeleteTcpRow removes (see FindTcpRow).
    int FindTcp(int hint, const TcpRowKey& key) const;

    // Every row, bottom first.
    ListRows& Slots() { return m_rows; }
    const ListRows& Slots() const { return m_rows; }
    // Exchanges every row with `rows` (bottom first).
    void Swap(ListRows& rows) { m_rows.swap(rows); }

private:
    ListRows m_rows;
};

} // namespace hl
