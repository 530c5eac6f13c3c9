#include "resources/DialogUnits.h"

#include <QApplication>
#include <QFontMetrics>
#include <cstdint>

namespace hl {
namespace {

// a * b / c rounded half away from zero, computed in 64 bits.
int MulDiv(int a, int b, int c) {
    const int64_t product = static_cast<int64_t>(a) * b;
    const int64_t half = c / 2;
    const int64_t rounded = product >= 0 ? (product + half) / c : (product - half) / c;
    return static_cast<int>(rounded);
}

} // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The average width of the 52 letters, rounded to the nearest pixel.
    m_nBaseX = (width / 26 + 1) / 2;
    m_nBaseY = metrics.height();
    if (m_nBaseX <= 0) {
        m_nBaseX = 1;
    }
    if (m_nBaseY <= 0) {
        m_nBaseY = 1;
    }
}

DialogUnits DialogUnits::ForDialogFont() {
    return DialogUnits(QApplication::font());
}

int DialogUnits::ToPixelsX(int units) const {
    return MulDiv(units, m_nBaseX, 4);
}

int DialogUnits::ToPixelsY(int units) const {
    return MulDiv(units, m_nBaseY, 8);
}

QRect DialogUnits::ToPixels(const DialogRect& rect) const {
    // Position and size convert separately, as dialog controls are created.
    return QRect(ToPixelsX(rect.x), ToPixelsY(rect.y), ToPixelsX(rect.cx), ToPixelsY(rect.cy));
}

} // namespace hl
