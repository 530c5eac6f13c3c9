#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace hl {

// Column indexes of the connection list.
enum Column : int {
    kColProtocol = 0,
    kColPid = 1,
    kColProcessName = 2,
    kColLocalAddress = 3,
    kColLocalPort = 4,
    kColRemoteAddress = 5,
    kColRemotePort = 6,
    kColState = 7,
    kColumnCount = 8,
};

inline constexpr int kNoImage = -1;
// The row images of the table readers, the same for both address families; the window loads
// the picture for each index in its list of row images.
inline constexpr int kTcpImage = 0;
inline constexpr int kUdpImage = 1;

using RowTexts = std::array<std::string, kColumnCount>;

// One row of the connection list: its eight cells, its image and its item data.
struct ListRow {
    RowTexts cells;
    int image = kNoImage;
    std::intptr_t data = 0;
    bool operator==(const ListRow&) const = default;
};

// Rows as the lists keep and hand them over: the bottom row first, so that inserting at the
// top is an append.
using ListRows = std::vector<ListRow>;

// The cell texts that name a TCP connection's row: its Remote Address and Local Port, and,
// when both are given, its Local Address and Remote Port as well.
struct TcpRowKey {
    std::string remoteAddress;
    std::string localPort;
    std::string localAddress; // empty: not compared
    std::string remotePort;   // empty: not compared

    bool FourFields() const { return !localAddress.empty() && !remotePort.empty(); }
    // Whether a row with these cells is a TCP or TCPv6 row of this connection.
    bool Matches(const RowTexts& cells) const;
};

// The row DeleteTcpRow removes from a list of `count` rows, `cellsOf(r)` being the cells of
// row r: row `hint` when it matches `key`, else the first row that does; -1 when none does.
int FindTcpRow(int hint, const TcpRowKey& key, int count,
               const std::function<const RowTexts&(int row)>& cellsOf);

// The operations the readers and workers use on the connection list. Every call is carried
// out completely before it returns. Each implementation says which threads may call it; the
// handle that workers hold is safe from any thread and, once the list is gone, fails every
// call at once (-1, false or empty text).
class IListOps {
public:
    virtual ~IListOps() = default;

    // Inserts a row at index 0 with `text` in column 0 (image kNoImage: text only) and item
    // data 0; returns the new row's index, or -1 on failure.
    virtual int InsertItem(const std::string& text, int image) = 0;
    virtual bool SetItemText(int row, int column, const std::string& text) = 0;
    virtual bool DeleteAllItems() = 0;
    // Removes one row; the rows below move up by one.
    virtual bool DeleteItem(int row) = 0;
    // The first selected row, -1 when none is.
    virtual int GetFirstSelected() = 0;
    // The whole text of one cell; empty for a cell that does not exist.
    virtual std::string GetItemText(int row, int column) = 0;
    virtual int GetItemCount() = 0;
    // Removes the row of a closed connection in one step: row `row` when it still is a TCP
    // row of `key`, otherwise the first such row, otherwise none (see FindTcpRow). Returns
    // the index of the removed row, -1 when none was removed. No other operation runs
    // between the look and the removal, so a refill meanwhile cannot make it remove the row
    // of another connection.
    virtual int DeleteTcpRow(int row, const TcpRowKey& key) = 0;
    // Replaces every row by `rows` (bottom row first) in one step: the list ends as
    // DeleteAllItems followed by inserting each row at the top would leave it, without the
    // moment in between, and with the item data of `rows`. The rows it held come back in
    // `rows`, so that the caller frees them on its own thread. False (and `rows` untouched)
    // when the list is gone.
    virtual bool ReplaceAllItems(ListRows& rows) = 0;
    // False once the list is gone, when every operation fails at once; a worker then need
    // not do the work its operations were for.
    virtual bool Alive() { return true; }

    // Inserts a row at index 0 and writes its non-empty cells 1..7 in column order. The
    // result is the same as InsertItem followed by one SetItemText per such cell; a list
    // whose calls are expensive (a round trip to another thread) does it as one call.
    virtual int InsertFilledItem(const RowTexts& cells, int image);
};

} // namespace hl
