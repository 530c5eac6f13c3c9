#include "listview/TextWidths.h"

#include <QString>
#include <cmath>

namespace hl {

CTextWidths::CTextWidths(const QFont& font) : m_metrics(font) {
    m_advances.fill(-1);
}

int CTextWidths::Width(std::string_view utf8) {
    qreal width = 0;
    for (const char c : utf8) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code >= 0x7F) {
            const QString text =
                QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
            return static_cast<int>(std::ceil(m_metrics.horizontalAdvance(text))) + 1;
        }
        qreal& advance = m_advances[code];
        if (advance < 0) {
            advance = m_metrics.horizontalAdvance(QChar(code));
        }
        width += advance;
    }
    return static_cast<int>(std::ceil(width)) + 1;
}

} // namespace hl
