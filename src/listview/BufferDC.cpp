#include "listview/BufferDC.h"

#include <QPaintDevice>

namespace hl {

CBufferDC::CBufferDC(QPainter& target, const QRect& exposed)
    : m_pTargetDC(&target), m_rcBuffer(exposed),
      m_bBuffered(target.device() != nullptr && target.device()->devType() != QInternal::Printer &&
                  !exposed.isEmpty()) {
    if (!m_bBuffered) {
        return;
    }
    const qreal ratio = target.device()->devicePixelRatioF();
    m_bmpBuffer = QImage(exposed.size() * ratio, QImage::Format_RGB32);
    m_bmpBuffer.setDevicePixelRatio(ratio);
    m_pPainter = std::make_unique<QPainter>(&m_bmpBuffer);
    m_pPainter->translate(-exposed.topLeft());
    m_pPainter->setFont(target.font());
}

CBufferDC::~CBufferDC() {
    if (!m_bBuffered) {
        return;
    }
    m_pPainter.reset();
    m_pTargetDC->drawImage(m_rcBuffer.topLeft(), m_bmpBuffer);
}

} // namespace hl
