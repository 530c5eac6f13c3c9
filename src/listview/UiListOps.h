#pragma once

#include "inventory/ListOps.h"
#include "uithread/UiCallQueue.h"

#include <memory>

namespace hl {

class CPortListCtrl;

// The list operations of one CPortListCtrl for worker threads, the one handle they hold: each
// is carried out on the UI thread through the list's call queue while the caller waits. The
// object may outlive the list; once the queue is closed (CPortListCtrl::CloseOperations, or
// the list's end) every operation fails at once (-1, false, empty text, 0 rows), also one
// waiting at that moment.
class UiListOps : public IListOps {
public:
    UiListOps(std::shared_ptr<UiCallQueue> queue, CPortListCtrl* list)
        : m_queue(std::move(queue)), m_list(list) {}

    int InsertItem(const std::string& text, int image) override;
    bool SetItemText(int row, int column, const std::string& text) override;
    bool DeleteAllItems() override;
    bool DeleteItem(int row) override;
    int GetFirstSelected() override;
    std::string GetItemText(int row, int column) override;
    int GetItemCount() override;
    int DeleteTcpRow(int row, const TcpRowKey& key) override;
    bool ReplaceAllItems(ListRows& rows) override;
    bool Alive() override { return !m_queue->Closed(); }
    int InsertFilledItem(const RowTexts& cells, int image) override;

private:
    std::shared_ptr<UiCallQueue> m_queue;
    CPortListCtrl* m_list; // used on the UI thread only, while the queue is open
};

} // namespace hl
