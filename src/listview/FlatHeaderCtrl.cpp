#include "listview/FlatHeaderCtrl.h"

#include "listview/BufferDC.h"
#include "listview/HeaderDragWnd.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QSignalBlocker>
#include <QStyle>
#include <new>

namespace hl {
namespace {

// Vertical centring in whole pixels: the part's top for a part `height` high.
int CentredTop(const QRect& rect, int height) {
    return (rect.top() + rect.top() + rect.height()) / 2 - height / 2;
}

bool Fits(int left, int right, int width) {
    return right - left > 0 && right - left >= width;
}

QSize LogicalSize(const QPixmap& pixmap) {
    return pixmap.deviceIndependentSize().toSize();
}

} // namespace

CFlatHeaderCtrl::CFlatHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    ReadColors();
    // Qt's own dragging of sections stays off: the header drags columns itself.
    setSectionsMovable(false);
    // Every exposed pixel is painted by paintEvent, so nothing is erased before it.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
}

CFlatHeaderCtrl::~CFlatHeaderCtrl() {
    m_pFloatWnd.reset();
}

void CFlatHeaderCtrl::ReadColors() {
    const QPalette& colors = palette();
    m_crLight = colors.color(QPalette::Light);
    m_crDark = colors.color(QPalette::Dark);
    m_crFace = colors.color(QPalette::Button);
    m_crLabel = colors.color(QPalette::ButtonText);
}

void CFlatHeaderCtrl::changeEvent(QEvent* event) {
    QHeaderView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        ReadColors();
    }
}

// ---- items

HeaderItem CFlatHeaderCtrl::ReadItem(int index, unsigned mask) const {
    HeaderItem item;
    item.mask = mask;
    const QAbstractItemModel* data = model();
    if (data == nullptr || index < 0 || index >= count()) {
        item.mask = 0;
        return item;
    }
    if (mask & HDI_WIDTH) {
        item.width = sectionSize(index);
    }
    if (mask & HDI_ORDER) {
        item.order = visualIndex(index);
    }
    const QVariant text = data->headerData(index, orientation(), Qt::DisplayRole);
    if (mask & HDI_TEXT) {
        item.text = text.toString().left(kHeaderTextMax);
    }
    const QVariant icon = data->headerData(index, orientation(), Qt::DecorationRole);
    if (mask & HDI_IMAGE) {
        if (icon.canConvert<QPixmap>() && icon.userType() == QMetaType::QPixmap) {
            item.image = icon.value<QPixmap>();
        } else if (icon.userType() == QMetaType::QIcon) {
            const int side = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
            item.image = icon.value<QIcon>().pixmap(QSize(side, side), devicePixelRatioF());
        }
    }
    const QVariant bitmap = data->headerData(index, orientation(), kHeaderBitmapRole);
    if (mask & HDI_BITMAP) {
        item.bitmap = bitmap.value<QPixmap>();
    }
    if (mask & HDI_FORMAT) {
        const QVariant align = data->headerData(index, orientation(), Qt::TextAlignmentRole);
        const Qt::Alignment alignment =
            align.isValid() ? Qt::Alignment(align.toInt()) : defaultAlignment();
        int format = (alignment & Qt::AlignHCenter) ? HDF_CENTER
                     : (alignment & Qt::AlignRight) ? HDF_RIGHT
                                                    : HDF_LEFT;
        if (text.isValid()) {
            format |= HDF_STRING;
        }
        if (icon.isValid()) {
            format |= HDF_IMAGE;
        }
        if (bitmap.isValid()) {
            format |= HDF_BITMAP;
        }
        format |= data->headerData(index, orientation(), kHeaderFormatRole).toInt();
        item.format = format;
    }
    return item;
}

QRect CFlatHeaderCtrl::ItemRect(int index) const {
    if (index < 0 || index >= count() || isSectionHidden(index)) {
        return {};
    }
    return QRect(sectionViewportPosition(index), 0, sectionSize(index), viewport()->height());
}

HeaderHitInfo CFlatHeaderCtrl::HitTest(const QPoint& viewportPos) const {
    HeaderHitInfo info;
    info.pt = viewportPos;
    if (!viewport()->rect().contains(viewportPos)) {
        return info; // outside the header: no flags of the header's own
    }
    const int x = viewportPos.x();
    int visual = visualIndexAt(x);
    if (visual < 0) {
        info.flags = HHT_NOWHERE;
        return info;
    }
    const int index = logicalIndex(visual);
    const int left = sectionViewportPosition(index);
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    // The same divider zones as Qt's own resizing uses, so a press marks a divider exactly
    // when Qt starts resizing the section.
    int divided = -1;
    if (x > left + sectionSize(index) - grip) {
        divided = index;
    } else if (x < left + grip) {
        while (--visual >= 0) {
            const int before = logicalIndex(visual);
            if (!isSectionHidden(before)) {
                divided = before;
                break;
            }
        }
    }
    if (divided >= 0 && sectionResizeMode(divided) == QHeaderView::Interactive) {
        info.flags = HHT_ONDIVIDER;
        info.item = divided;
    } else {
        info.flags = HHT_ONHEADER;
        info.item = index;
    }
    return info;
}

std::vector<int> CFlatHeaderCtrl::GetOrderArray() const {
    std::vector<int> order(static_cast<size_t>(count()));
    for (int position = 0; position < count(); ++position) {
        order[static_cast<size_t>(position)] = logicalIndex(position);
    }
    return order;
}

void CFlatHeaderCtrl::SetOrderArray(const std::vector<int>& order) {
    for (int position = 0; position < static_cast<int>(order.size()) && position < count();
         ++position) {
        const int from = visualIndex(order[static_cast<size_t>(position)]);
        if (from >= 0 && from != position) {
            moveSection(from, position);
        }
    }
}

// ---- painting

void CFlatHeaderCtrl::paintEvent(QPaintEvent* event) {
    QPainter target(viewport());
    CBufferDC buffer(target, event->rect());
    PaintHeader(buffer.Painter(), event->rect());
}

void CFlatHeaderCtrl::PaintHeader(QPainter& painter, const QRect& clip) {
    if (!clip.isValid()) {
        return;
    }
    const QRect client = viewport()->rect();
    painter.fillRect(clip, m_crFace);
    const int n = count();
    painter.save();
    painter.setFont(font());
    painter.setPen(m_crLabel);
    painter.setBackground(m_crFace);

    const int clipRight = clip.left() + clip.width(); // exclusive, as item rectangles are
    int total = 0;
    for (int i = 0; i < n; ++i) {
        const int idx = logicalIndex(i);
        if (isSectionHidden(idx)) {
            continue;
        }
        const HeaderItem item =
            ReadItem(idx, HDI_WIDTH | HDI_TEXT | HDI_FORMAT | HDI_BITMAP | HDI_IMAGE);
        const QRect rc = ItemRect(idx);
        const int right = rc.left() + rc.width();
        if (!(right < clip.left() || rc.left() > clipRight)) {
            PaintItem(painter, rc.adjusted(m_nGap, 0, -m_nGap, 0), item);
            if ((m_nButtonFlags & Qt::LeftButton) && idx == m_nItemAtCursor &&
                (m_hitInfo.flags & HHT_ONHEADER)) {
                // The pressed look: the whole item inverted.
                painter.save();
                painter.setCompositionMode(QPainter::RasterOp_NotDestination);
                painter.fillRect(rc, Qt::black);
                painter.restore();
            }
            if (i < n - 1) {
                const int height = (rc.top() + rc.height() - 2) - (rc.top() + 2);
                if (height > 0) {
                    painter.fillRect(QRect(right - 1, rc.top() + 2, 1, height), m_crDark);
                    painter.fillRect(QRect(right, rc.top() + 2, 1, height), m_crLight);
                }
            }
        }
        total += item.width;
    }
    if (n > 0 && total > 0) {
        // The frame starts where the first heading starts, so it scrolls with the columns.
        DrawFrame(painter,
                  QRect(client.left() - offset(), client.top(), total + 1, client.height()));
    }
    if (m_nDropSlot >= 0 && n > 0) {
        DrawDropMarker(painter, n);
    }
    painter.restore();
}

void CFlatHeaderCtrl::DrawFrame(QPainter& painter, const QRect& rect) const {
    const int x = rect.left();
    const int y = rect.top();
    const int cx = rect.width();
    const int cy = rect.height();
    painter.fillRect(QRect(x, y, cx - 1, 1), m_crLight);
    painter.fillRect(QRect(x, y, 1, cy - 1), m_crLight);
    painter.fillRect(QRect(x + cx - 1, y, 1, cy), m_crDark);
    painter.fillRect(QRect(x, y + cy - 1, cx, 1), m_crDark);
}

void CFlatHeaderCtrl::DrawDropMarker(QPainter& painter, int count) const {
    int x = 0;
    if (m_nDropSlot < count) {
        x = ItemRect(logicalIndex(m_nDropSlot)).left() - 1;
    } else {
        const QRect last = ItemRect(logicalIndex(count - 1));
        x = last.left() + last.width();
    }
    const int bottom = viewport()->height();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(m_crDropMark, 1));
    painter.setBrush(m_crDropMark);
    painter.drawPolygon(
        QPolygon({QPoint(x - 4, bottom - 1), QPoint(x, bottom - 5), QPoint(x + 4, bottom - 1)}));
    painter.drawPolygon(QPolygon({QPoint(x - 4, 0), QPoint(x, 4), QPoint(x + 4, 0)}));
    painter.restore();
}

int CFlatHeaderCtrl::PaintItem(QPainter& painter, QRect rect, HeaderItem item) {
    const int g = m_nGap;
    int x = rect.left();
    int r = rect.left() + rect.width();
    int w = 0;
    switch (item.format & HDF_JUSTIFYMASK) {
    case HDF_LEFT:
        if ((w = PaintImage(painter, x, r, rect, item, false)) > 0) {
            x += w + g;
        }
        if ((w = PaintLabel(painter, x, r, rect, item, HDF_LEFT)) > 0) {
            x += w + g;
        }
        PaintBitmap(painter, x, r, rect, item, true);
        break;
    case HDF_CENTER:
        if ((w = PaintImage(painter, x, r, rect, item, false)) > 0) {
            x += w + g;
        }
        if ((w = PaintBitmap(painter, x, r, rect, item, true)) > 0) {
            r -= w + g;
        }
        PaintLabel(painter, x, r, rect, item, HDF_CENTER);
        break;
    case HDF_RIGHT:
        if (!(item.format & HDF_BITMAP_ON_RIGHT) &&
            (w = PaintBitmap(painter, x, r, rect, item, false)) > 0) {
            x += w + g;
        }
        if ((w = PaintImage(painter, x, r, rect, item, false)) > 0) {
            x += w + g;
        }
        if ((item.format & HDF_BITMAP_ON_RIGHT) &&
            (w = PaintBitmap(painter, x, r, rect, item, true)) > 0) {
            r -= w + g;
        }
        PaintLabel(painter, x, r, rect, item, HDF_RIGHT);
        break;
    default:
        break; // no justification of its own: nothing is drawn
    }
    return 0;
}

int CFlatHeaderCtrl::PaintImage(QPainter& painter, int left, int right, const QRect& rect,
                                const HeaderItem& item, bool placeRight) const {
    if (!(item.format & HDF_IMAGE) || item.image.isNull()) {
        return 0;
    }
    const QSize size = LogicalSize(item.image);
    if (!Fits(left, right, size.width())) {
        return 0;
    }
    const int x = placeRight ? right - size.width() : left;
    painter.drawPixmap(x, CentredTop(rect, size.height()), item.image);
    return size.width();
}

int CFlatHeaderCtrl::PaintBitmap(QPainter& painter, int left, int right, const QRect& rect,
                                 const HeaderItem& item, bool placeRight) const {
    if (!(item.format & HDF_BITMAP) || item.bitmap.isNull()) {
        return 0;
    }
    const QSize size = LogicalSize(item.bitmap);
    if (!Fits(left, right, size.width())) {
        return 0;
    }
    const int x = placeRight ? right - size.width() : left;
    painter.drawPixmap(x, CentredTop(rect, size.height()), item.bitmap);
    return size.width();
}

int CFlatHeaderCtrl::PaintLabel(QPainter& painter, int left, int right, const QRect& rect,
                                const HeaderItem& item, int justify) const {
    const int width = right - left;
    if (width <= 0 || !(item.mask & HDI_TEXT) || !(item.format & HDF_STRING)) {
        return 0;
    }
    const QFontMetrics metrics = painter.fontMetrics();
    const int measured = metrics.horizontalAdvance(item.text);
    const Qt::Alignment align = justify == HDF_RIGHT    ? Qt::AlignRight
                                : justify == HDF_CENTER ? Qt::AlignHCenter
                                                        : Qt::AlignLeft;
    painter.drawText(QRect(left, rect.top(), width, rect.height()),
                     int(align | Qt::AlignVCenter | Qt::TextSingleLine),
                     metrics.elidedText(item.text, Qt::ElideRight, width));
    const int drawn = std::min(measured, width);
    return drawn > 0 ? drawn : 0;
}

// ---- the mouse

void CFlatHeaderCtrl::RefreshHitCache(const QPoint& viewportPos) {
    m_hitInfo = HitTest(viewportPos);
    m_nItemAtCursor = m_hitInfo.item;
    if (m_nItemAtCursor >= 0) {
        m_nOrderAtCursor = visualIndex(m_nItemAtCursor);
    }
}

bool CFlatHeaderCtrl::RecordPress(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    // The cache follows the pointer until a button goes down and stays as it was at the
    // press until the release.
    if (!(m_nButtonFlags & Qt::LeftButton)) {
        RefreshHitCache(pos);
    }
    m_nButtonFlags = event->buttons();
    m_ptButton = pos;
    if (m_nItemAtCursor < 0) {
        return false;
    }
    m_pressedItem = ReadItem(m_nItemAtCursor, HDI_WIDTH | HDI_TEXT | HDI_FORMAT | HDI_BITMAP |
                                                  HDI_IMAGE | HDI_ORDER);
    if (m_hitInfo.flags & HHT_ONHEADER) {
        viewport()->update(ItemRect(m_nItemAtCursor));
    }
    if (m_hitInfo.flags & HHT_ONDIVIDER) {
        m_bSizing = true;
    }
    return true;
}

void CFlatHeaderCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        RecordPress(event);
    }
    QHeaderView::mousePressEvent(event);
}

void CFlatHeaderCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click: the header's state as for any press, then Qt's
    // own handling (a double click on a divider fits the column to its contents).
    if (event->button() == Qt::LeftButton) {
        RecordPress(event);
    }
    QHeaderView::mouseDoubleClickEvent(event);
}

void CFlatHeaderCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (!(m_nButtonFlags & Qt::LeftButton)) {
        RefreshHitCache(pos);
        // Qt's header shows the resize cursor over a divider; its move handling is not
        // reached here, so the header sets it.
        if (m_hitInfo.flags & HHT_ONDIVIDER) {
            viewport()->setCursor(Qt::SplitHCursor);
        } else {
            viewport()->unsetCursor();
        }
        return;
    }
    if (m_nItemAtCursor < 0) {
        return;
    }
    if (m_bSizing) {
        QHeaderView::mouseMoveEvent(event);
        return;
    }
    if (!(m_hitInfo.flags & HHT_ONHEADER)) {
        return;
    }
    if (m_bMovingColumn) {
        MoveDrag(pos, event->globalPosition().toPoint());
        return;
    }
    if (!m_bDragDrop) {
        return;
    }
    const int cx = QApplication::startDragDistance();
    const int cy = cx;
    const QRect box(QPoint(m_ptButton.x() - cx, m_ptButton.y() - cy),
                    QPoint(m_ptButton.x() + cx - 1, m_ptButton.y() + cy - 1));
    if (box.contains(pos)) {
        return;
    }
    StartDrag();
}

void CFlatHeaderCtrl::StartDrag() {
    HeaderDragEvent begin{m_nItemAtCursor, 0, &m_pressedItem, false};
    emit beginDrag(&begin);
    if (!begin.vetoed) {
        auto window = std::make_unique<CHeaderDragWnd>();
        const QRect item = ItemRect(m_nItemAtCursor);
        window->Open(QRect(viewport()->mapToGlobal(item.topLeft()), item.size()), this);
        m_pFloatWnd = std::move(window);
    }
    // A refused start still runs as a drag until the release, without a window or marker.
    viewport()->grabMouse();
    m_bMovingColumn = true;
}

int CFlatHeaderCtrl::SlotAt(const QPoint& viewportPos) const {
    const HeaderHitInfo hit = HitTest(viewportPos);
    if (hit.item < 0) {
        return -1;
    }
    const QRect rc = ItemRect(hit.item);
    const int middle = (rc.left() + rc.left() + rc.width()) / 2;
    return visualIndex(hit.item) + (viewportPos.x() > middle ? 1 : 0);
}

void CFlatHeaderCtrl::MoveDrag(const QPoint& viewportPos, const QPoint& globalPos) {
    if (!m_pFloatWnd) {
        return;
    }
    const int w = m_pFloatWnd->width();
    const int h = m_pFloatWnd->height();
    m_pFloatWnd->move(globalPos.x() - (w >> 1), globalPos.y() - (h >> 1));
    if (!m_pFloatWnd->isVisible()) {
        m_pFloatWnd->show();
    }
    m_pFloatWnd->raise();

    int slot = SlotAt(viewportPos);
    if (slot == m_nOrderAtCursor || slot == m_nOrderAtCursor + 1) {
        slot = -1; // dropping there would not move the column
    }
    if (slot != m_nDropSlot) {
        m_nDropSlot = slot;
        viewport()->update();
    }
}

void CFlatHeaderCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QHeaderView::mouseReleaseEvent(event);
        return;
    }
    m_nButtonFlags = event->buttons();
    m_ptButton = event->position().toPoint();
    if (m_nItemAtCursor < 0) {
        QHeaderView::mouseReleaseEvent(event);
        return;
    }
    m_bSizing = false;
    if (!(m_hitInfo.flags & HHT_ONHEADER)) {
        QHeaderView::mouseReleaseEvent(event);
        return;
    }
    if (m_bMovingColumn) {
        EndDrag();
        // A drag is no click: Qt's release handling ends its press state but would report a
        // click when the drag ends over the heading it began on, so its signals are held.
        const QSignalBlocker noClick(this);
        QHeaderView::mouseReleaseEvent(event);
        return;
    }
    viewport()->update(ItemRect(m_nItemAtCursor));
    QHeaderView::mouseReleaseEvent(event);
}

void CFlatHeaderCtrl::EndDrag() {
    HeaderDragEvent end{m_nItemAtCursor, 0, &m_pressedItem, false};
    emit endDrag(&end);
    if (!end.vetoed && m_nDropSlot >= 0) {
        Reorder();
    }
    m_pFloatWnd.reset();
    if (QWidget::mouseGrabber() == viewport()) {
        viewport()->releaseMouse();
    }
    m_bMovingColumn = false;
    m_nDropSlot = -1;
    viewport()->update();
}

void CFlatHeaderCtrl::Reorder() {
    const int n = count();
    const int s = m_nOrderAtCursor;
    const int d = m_nDropSlot;
    if (s < 0 || s >= n || d < 0 || d > n) {
        return;
    }
    try {
        // Both orders in one allocation: the old one first, then the new one.
        std::vector<int> orders(2 * static_cast<size_t>(n));
        int* old = orders.data();
        int* moved = orders.data() + n;
        for (int p = 0; p < n; ++p) {
            old[p] = logicalIndex(p);
        }
        int j = 0;
        for (int i = 0; i < n; ++i) {
            if (j == s) {
                ++j;
            }
            if ((s < d && i == d - 1) || (s >= d && i == d)) {
                moved[i] = old[s];
            } else {
                moved[i] = old[j++];
            }
        }
        SetOrderArray(std::vector<int>(moved, moved + n));
    } catch (const std::bad_alloc&) {
        // No memory for the orders: the columns stay where they are.
    }
}

int CFlatHeaderCtrl::SetHotDivider(bool byPoint, int value) {
    if (byPoint) {
        const auto bits = static_cast<unsigned>(value);
        const QPoint global(static_cast<int>(bits & 0xFFFFu), static_cast<int>(bits >> 16));
        m_nDropSlot = SlotAt(viewport()->mapFromGlobal(global));
    } else {
        m_nDropSlot = value;
    }
    viewport()->update();
    return m_nDropSlot;
}

} // namespace hl
