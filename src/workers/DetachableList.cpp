#include "workers/DetachableList.h"

namespace hl {

int DetachableList::InsertItem(const std::string& text, int image) {
    auto target = m_target.Get();
    return target ? target->InsertItem(text, image) : -1;
}

bool DetachableList::SetItemText(int row, int column, const std::string& text) {
    auto target = m_target.Get();
    return target ? target->SetItemText(row, column, text) : false;
}

bool DetachableList::DeleteAllItems() {
    auto target = m_target.Get();
    return target ? target->DeleteAllItems() : false;
}

bool DetachableList::DeleteItem(int row) {
    auto target = m_target.Get();
    return target ? target->DeleteItem(row) : false;
}

int DetachableList::GetFirstSelected() {
    auto target = m_target.Get();
    return target ? target->GetFirstSelected() : -1;
}

std::string DetachableList::GetItemText(int row, int column) {
    auto target = m_target.Get();
    return target ? target->GetItemText(row, column) : std::string();
}

int DetachableList::GetItemCount() {
    auto target = m_target.Get();
    return target ? target->GetItemCount() : 0;
}

int DetachableList::DeleteTcpRow(int row, const TcpRowKey& key) {
    auto target = m_target.Get();
    return target ? target->DeleteTcpRow(row, key) : -1;
}

// Forwarded whole, so that a target which does it in one round trip still can.
int DetachableList::InsertFilledItem(const RowTexts& cells, int image) {
    auto target = m_target.Get();
    return target ? target->InsertFilledItem(cells, image) : -1;
}

} // namespace hl
