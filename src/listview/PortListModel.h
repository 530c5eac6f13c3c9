#pragma once

#include "inventory/ListOps.h"
#include "inventory/RowStore.h"

#include <QAbstractTableModel>
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace hl {

// The rows of the connection list: eight texts, an image index and the item data per row,
// and the column headings. UI thread only.
//
// Rows are inserted at the top. They are stored bottom first, so an insertion at the top is
// an append. Rows inserted since the last Publish() exist for the list operations but not yet
// for the views: Publish() shows them all with one insertion, so a refresh that inserts rows
// one by one costs the views one update per Publish() and not one per row.
class PortListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Row = ListRow;

    explicit PortListModel(QObject* parent = nullptr);

    // The list operations, by list row (0 is the top, unpublished rows included).
    int InsertItem(const std::string& text, int image);
    int InsertFilledItem(const RowTexts& cells, int image);
    bool SetItemText(int row, int column, const std::string& text);
    bool DeleteAllItems();
    bool DeleteItem(int row);
    int DeleteTcpRow(int row, const TcpRowKey& key);
    std::string GetItemText(int row, int column) const;
    // The cells of a valid list row.
    const RowTexts& Cells(int row) const { return m_rows.At(row).cells; }
    int GetItemCount() const { return m_rows.Count(); }
    bool SetItemData(int row, std::intptr_t data);
    std::intptr_t GetItemData(int row) const;
    int GetImage(int row) const;
    // Reorders all rows (the unpublished ones are published first) by `before`, a strict
    // weak order on the rows' item data; rows it holds equal keep their order. The views get
    // one layout change, and selection and current row stay with their rows.
    using ItemDataOrder = std::function<bool(std::intptr_t, std::intptr_t)>;
    void SortItems(const ItemDataOrder& before);
    // Whether `rows` (bottom row first) are the rows the views show now, every row published.
    bool Shows(const ListRows& rows) const;
    // Replaces every row by `rows` (bottom row first), all of them published, with one reset
    // of the views; the rows replaced come back in `rows`.
    void ReplaceRows(ListRows& rows);

    // Columns: inserted at `column` (0..count); returns its index or -1.
    int InsertColumn(int column, const QString& heading);
    int ColumnCount() const { return static_cast<int>(m_headings.size()); }
    QString ColumnHeading(int column) const;
    void SetImages(std::vector<QPixmap> images);

    // Shows the rows inserted since the last call to the views.
    void Publish();
    int Unpublished() const { return m_rows.Count() - m_nPublished; }
    // A list row as the views number it, and back; -1 when the row is not shown (yet).
    int ViewRowOf(int row) const;
    int ListRowOf(int viewRow) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    RowStore m_rows;
    int m_nPublished = 0; // slots [0 .. m_nPublished) are known to the views
    std::vector<QString> m_headings;
    std::vector<QPixmap> m_images;
};

} // namespace hl
