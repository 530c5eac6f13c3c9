#include "listview/HeaderDragWnd.h"

#include "listview/BufferDC.h"
#include "listview/FlatHeaderCtrl.h"

#include <QPaintEvent>
#include <QPainter>

namespace hl {

CHeaderDragWnd::CHeaderDragWnd()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput |
                           Qt::NoDropShadowWindowHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("HeaderDragWnd"));
}

CHeaderDragWnd::~CHeaderDragWnd() = default;

bool CHeaderDragWnd::Open(QRect rect, CFlatHeaderCtrl* header) {
    m_pOwnerHeader = header;
    if (header != nullptr) {
        setFont(header->font());
    }
    setGeometry(rect);
    return true;
}

void CHeaderDragWnd::paintEvent(QPaintEvent* event) {
    QPainter target(this);
    CBufferDC buffer(target, event->rect());
    PaintContent(buffer.Painter());
}

void CHeaderDragWnd::PaintContent(QPainter& painter) {
    if (m_pOwnerHeader == nullptr) {
        return;
    }
    const CFlatHeaderCtrl& header = *m_pOwnerHeader;
    QRect rc = rect();
    painter.fillRect(rc, header.m_crFace);
    header.DrawFrame(painter, rc);
    painter.save();
    painter.setFont(header.font());
    painter.setBackground(header.m_crFace);
    painter.setPen(header.m_crLabel);
    rc.adjust(header.m_nGap, 0, -header.m_nGap, 0);
    m_pOwnerHeader->PaintItem(painter, rc, header.m_pressedItem);
    painter.restore();
}

} // namespace hl
