#include "inventory/ListOps.h"

namespace hl {

bool TcpRowKey::Matches(const RowTexts& cells) const {
    return (cells[kColProtocol] == "TCP" || cells[kColProtocol] == "TCPv6") &&
           cells[kColRemoteAddress] == remoteAddress && cells[kColLocalPort] == localPort &&
           (!FourFields() ||
            (cells[kColLocalAddress] == localAddress && cells[kColRemotePort] == remotePort));
}

int FindTcpRow(int hint, const TcpRowKey& key, int count,
               const std::function<const RowTexts&(int row)>& cellsOf) {
    if (hint >= 0 && hint < count && key.Matches(cellsOf(hint))) {
        return hint;
    }
    for (int row = 0; row < count; ++row) {
        if (key.Matches(cellsOf(row))) {
            return row;
        }
    }
    return -1;
}

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
