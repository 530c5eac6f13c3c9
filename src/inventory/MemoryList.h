#pragma once

#include "inventory/ListOps.h"

#include <mutex>
#include <vector>

namespace hl {

// An in-memory connection list, for the headless report and for tests. Thread-safe.
class MemoryList : public IListOps {
public:
    struct Row {
        RowTexts cells;
        int image = kNoImage;
        bool selected = false;
    };

    int InsertItem(const std::string& text, int image) override;
    bool SetItemText(int row, int column, const std::string& text) override;
    bool DeleteAllItems() override;
    bool DeleteItem(int row) override;
    int GetFirstSelected() override;
    std::string GetItemText(int row, int column) override;
    int GetItemCount() override;
    int DeleteTcpRow(int row, const TcpRowKey& key) override;

    // Test and report helpers. Rows() lists the rows top to bottom.
    std::vector<Row> Rows() const;
    bool Select(int row, bool selected = true);

private:
    bool ValidCell(int row, int column) const;
    Row& At(int row) { return m_rows[m_rows.size() - 1 - static_cast<size_t>(row)]; }

    mutable std::mutex m_mutex;
    // Bottom row first, so that inserting at the top is an append.
    std::vector<Row> m_rows;
};

} // namespace hl
