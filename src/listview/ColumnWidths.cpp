#include "listview/ColumnWidths.h"

#include "resources/DialogUnits.h"

#include <cstdint>

namespace hl {

int AverageCharWidth(const QFont& font) {
    // The horizontal dialog base unit is exactly this average.
    return DialogUnits(font).BaseX();
}

int ScaleColumnWidth(int designWidth, int averageCharWidth) {
    if (designWidth < 0 || averageCharWidth <= 0) {
        return designWidth;
    }
    const int64_t scaled =
        (static_cast<int64_t>(designWidth) * averageCharWidth + kDesignCharWidth / 2) /
        kDesignCharWidth;
    return scaled > INT32_MAX ? INT32_MAX : static_cast<int>(scaled);
}

int ScaleColumnWidth(int designWidth, const QFont& font) {
    return ScaleColumnWidth(designWidth, AverageCharWidth(font));
}

} // namespace hl
