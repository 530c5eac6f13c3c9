#pragma once

#include "listview/HeaderItem.h"

#include <QColor>
#include <QHeaderView>
#include <QPoint>
#include <memory>
#include <vector>

class QPainter;

namespace hl {

class CHeaderDragWnd;

// Where a point lies on the header.
inline constexpr unsigned HHT_NOWHERE = 0x0001;
inline constexpr unsigned HHT_ONHEADER = 0x0002;
inline constexpr unsigned HHT_ONDIVIDER = 0x0004;

struct HeaderHitInfo {
    QPoint pt;          // viewport coordinates
    unsigned flags = 0; // HHT_ bits
    int item = -1;      // logical index, -1 for none
};

// Sent to the receivers of beginDrag and endDrag while they are emitted; setting `vetoed`
// refuses the drag (begin) or the new order (end).
struct HeaderDragEvent {
    int item = -1;                     // the dragged item's logical index
    int button = 0;                    // 0: the left button
    const HeaderItem* pitem = nullptr; // the item as read at the press, with its order
    bool vetoed = false;
};

// The list's column header, drawn flat: a face-coloured strip, an etched line between
// neighbouring headings, one raised frame around all of them, an inverted heading while it
// is held down and a red marker while a column is dragged to another place.
//
// Qt keeps the sections (texts, widths, order), resizes them at the dividers and reports
// clicks; this class does all the painting and the dragging of columns: once the pointer
// leaves the drag box around the press, a floating copy of the heading follows it and the
// marker shows where the column would land. The column moves on release unless a receiver
// of beginDrag or endDrag vetoes. Qt's own section moving stays off.
class CFlatHeaderCtrl : public QHeaderView {
    Q_OBJECT
public:
    explicit CFlatHeaderCtrl(QWidget* parent = nullptr);
    ~CFlatHeaderCtrl() override;

    // Whether columns may be dragged (off at first).
    void SetDragDrop(bool enabled) { m_bDragDrop = enabled; }
    bool DragDrop() const { return m_bDragDrop; }

    // Sets the drop marker: by a global pointer position (x in the low 16 bits of value, y
    // in the high ones) or, with byPoint false, to the display position value (-1 hides it;
    // the item count means after the last item). Returns the marker's display position.
    int SetHotDivider(bool byPoint, int value);

    // Paints one item's image, text and bitmap into rect (right and bottom exclusive) by its
    // justification; the drag window paints through it too.
    virtual int PaintItem(QPainter& painter, QRect rect, HeaderItem item);
    // Paints the exposed part `clip` of the whole header.
    void PaintHeader(QPainter& painter, const QRect& clip);

    HeaderItem ReadItem(int index, unsigned mask) const;
    HeaderHitInfo HitTest(const QPoint& viewportPos) const;
    // Item `index`'s rectangle in viewport coordinates.
    QRect ItemRect(int index) const;
    // The logical index at each display position, and setting it.
    std::vector<int> GetOrderArray() const;
    void SetOrderArray(const std::vector<int>& order);

    int Gap() const { return m_nGap; }
    int DropSlot() const { return m_nDropSlot; }
    bool IsMovingColumn() const { return m_bMovingColumn; }
    bool IsSizing() const { return m_bSizing; }
    const CHeaderDragWnd* DragWindow() const { return m_pFloatWnd.get(); }
    const HeaderItem& PressedItem() const { return m_pressedItem; }
    QColor FaceColor() const { return m_crFace; }
    QColor LightColor() const { return m_crLight; }
    QColor DarkColor() const { return m_crDark; }
    QColor LabelColor() const { return m_crLabel; }
    QColor DropMarkColor() const { return m_crDropMark; }

signals:
    void beginDrag(hl::HeaderDragEvent* event);
    void endDrag(hl::HeaderDragEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ReadColors();
    void RefreshHitCache(const QPoint& viewportPos);
    // Steps of a left-button press on the header; false when no item is under it.
    bool RecordPress(QMouseEvent* event);
    void StartDrag();
    void MoveDrag(const QPoint& viewportPos, const QPoint& globalPos);
    void EndDrag();
    void Reorder();
    int SlotAt(const QPoint& viewportPos) const;
    void DrawFrame(QPainter& painter, const QRect& rect) const;
    void DrawDropMarker(QPainter& painter, int count) const;
    int PaintImage(QPainter& painter, int left, int right, const QRect& rect,
                   const HeaderItem& item, bool placeRight) const;
    int PaintBitmap(QPainter& painter, int left, int right, const QRect& rect,
                    const HeaderItem& item, bool placeRight) const;
    int PaintLabel(QPainter& painter, int left, int right, const QRect& rect,
                   const HeaderItem& item, int justify) const;

    friend class CHeaderDragWnd;

    int m_nGap = 6;
    int m_nItemAtCursor = -1;
    int m_nOrderAtCursor = -1;
    HeaderHitInfo m_hitInfo;
    HeaderItem m_pressedItem;
    bool m_bSizing = false;
    int m_nDropSlot = -1;
    QColor m_crDropMark{255, 0, 0};
    bool m_bMovingColumn = false;
    std::unique_ptr<CHeaderDragWnd> m_pFloatWnd;
    Qt::MouseButtons m_nButtonFlags;
    QPoint m_ptButton;
    QColor m_crLight;
    QColor m_crDark;
    QColor m_crFace;
    QColor m_crLabel;
    bool m_bDragDrop = false;
};

} // namespace hl
