#include "inventory/RowStore.h"

namespace hl {

int RowStore::InsertTop(ListRow row) {
    m_rows.push_back(std::move(row));
    return 0;
}

void RowStore::Erase(int row) {
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(Slot(row)));
}

int RowStore::FindTcp(int hint, const TcpRowKey& key) const {
    return FindTcpRow(hint, key, Count(), [this](int r) -> const RowTexts& { return At(r).cells; });
}

} // namespace hl
