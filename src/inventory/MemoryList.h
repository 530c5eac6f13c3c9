#pragma once

#include "inventory/ListOps.h"
#include "inventory/RowStore.h"

#include <mutex>
#include <vector>

namespace hl {

// An in-memory connection list, for the headless report, for a refresh's rows while they are
// made, and for tests. It answers every operation as the list on screen does. Thread-safe.
class MemoryList : public IListOps {
public:
    struct Row : ListRow {
        bool selected = false;
    };

    int InsertItem(const std::string& text, int image) override;
    int InsertFilledItem(const RowTexts& cells, int image) override;
    bool SetItemText(int row, int column, const std::string& text) override;
    bool DeleteAllItems() override;
    bool DeleteItem(int row) override;
    int GetFirstSelected() override;
    std::string GetItemText(int row, int column) override;
    int GetItemCount() override;
    int DeleteTcpRow(int row, const TcpRowKey& key) override;
    bool ReplaceAllItems(ListRows& rows) override;

    // Hands over every row (bottom row first) without copying them and leaves the list empty.
    ListRows TakeRows();

    // Test and report helpers. Rows() lists the rows top to bottom.
    std::vector<Row> Rows() const;
    bool Select(int row, bool selected = true);

private:
    void EraseRow(int row);

    mutable std::mutex m_mutex;
    RowStore m_rows;
    std::vector<bool> m_selected; // by slot, beside m_rows.Slots()
};

} // namespace hl
