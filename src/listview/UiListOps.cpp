#include "listview/UiListOps.h"

#include "listview/PortListCtrl.h"

namespace hl {

int UiListOps::InsertItem(const std::string& text, int image) {
    int row = -1;
    m_queue->Call([&] { row = m_list->InsertItem(text, image); });
    return row;
}

bool UiListOps::SetItemText(int row, int column, const std::string& text) {
    bool ok = false;
    m_queue->Call([&] { ok = m_list->SetItemText(row, column, text); });
    return ok;
}

bool UiListOps::DeleteAllItems() {
    bool ok = false;
    m_queue->Call([&] { ok = m_list->DeleteAllItems(); });
    return ok;
}

bool UiListOps::DeleteItem(int row) {
    bool ok = false;
    m_queue->Call([&] { ok = m_list->DeleteItem(row); });
    return ok;
}

int UiListOps::GetFirstSelected() {
    int row = -1;
    m_queue->Call([&] { row = m_list->GetFirstSelected(); });
    return row;
}

std::string UiListOps::GetItemText(int row, int column) {
    std::string text;
    m_queue->Call([&] { text = m_list->GetItemText(row, column); });
    return text;
}

int UiListOps::GetItemCount() {
    int count = 0;
    m_queue->Call([&] { count = m_list->GetItemCount(); });
    return count;
}

// The look and the removal run in one call on the UI thread: no refresh comes between them.
int UiListOps::DeleteTcpRow(int row, const TcpRowKey& key) {
    int removed = -1;
    m_queue->Call([&] { removed = m_list->DeleteTcpRow(row, key); });
    return removed;
}

// A whole refresh in one call: the rows change hands, and the caller gets the old ones back
// to free on its own thread.
bool UiListOps::ReplaceAllItems(ListRows& rows) {
    bool ok = false;
    m_queue->Call([&] { ok = m_list->ReplaceAllItems(rows); });
    return ok;
}

int UiListOps::InsertFilledItem(const RowTexts& cells, int image) {
    int row = -1;
    m_queue->Call([&] { row = m_list->InsertFilledItem(cells, image); });
    return row;
}

} // namespace hl
