#pragma once

#include <QFontMetricsF>
#include <array>
#include <string_view>

namespace hl {

// The width in pixels of a cell text in one font, fast enough to take for every cell of a
// large list: a text of printable ASCII is the sum of its characters' advances (kept per
// character on first use) rounded up, plus a pixel for what kerning or rounding in the font's
// own layout may add; any other text is laid out by the font.
class CTextWidths {
public:
    explicit CTextWidths(const QFont& font);

    int Width(std::string_view utf8);

private:
    QFontMetricsF m_metrics;
    std::array<qreal, 128> m_advances{}; // negative: not taken yet
};

} // namespace hl
