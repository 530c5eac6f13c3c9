#include "inventory/ListOps.h"

namespace hl {

int IListOps::InsertFilledItem(const RowTexts& cells, int image) {
    const int row = InsertItem(cells[kColProtocol], image);
    if (row < 0) {
        return row;
    }
    for (int col = 1; col < kColumnCount; ++col) {
        if (!cells[col].empty()) {
            SetItemText(row, col, cells[col]);
        }
    }
    return row;
}

} // namespace hl
