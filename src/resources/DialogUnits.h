#pragma once

#include "resources/DialogTemplate.h"

#include <QFont>
#include <QRect>

namespace hl {

// Converts dialog units to pixels the way dialog templates are laid out: one horizontal
// unit is a quarter of the dialog font's average character width, one vertical unit an
// eighth of its height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseX, int baseY) : m_nBaseX(baseX), m_nBaseY(baseY) {}
    // The dialog font is the desktop's default UI font.
    static DialogUnits ForDialogFont();

    int BaseX() const { return m_nBaseX; }
    int BaseY() const { return m_nBaseY; }
    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    QRect ToPixels(const DialogRect& rect) const;

private:
    int m_nBaseX;
    int m_nBaseY;
};

} // namespace hl
