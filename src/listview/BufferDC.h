#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>
#include <memory>

namespace hl {

// Paints one exposed rectangle off-screen and copies it to the target in one step when it
// goes out of scope. Callers draw with the target's coordinates. The buffer is a QImage, so
// raster operations such as inverting a rectangle work whatever the target is; a printer
// target is painted directly.
class CBufferDC {
public:
    CBufferDC(QPainter& target, const QRect& exposed);
    ~CBufferDC();
    CBufferDC(const CBufferDC&) = delete;
    CBufferDC& operator=(const CBufferDC&) = delete;

    QPainter& Painter() { return m_pPainter ? *m_pPainter : *m_pTargetDC; }
    bool IsBuffered() const { return m_bBuffered; }

private:
    QImage m_bmpBuffer;
    QPainter* m_pTargetDC;
    QRect m_rcBuffer;
    bool m_bBuffered;
    std::unique_ptr<QPainter> m_pPainter; // draws into m_bmpBuffer while buffered
};

} // namespace hl
