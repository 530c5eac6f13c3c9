#pragma once

#include <QFont>

namespace hl {

// The list's column widths are given in the pixels of an 8-point dialog font whose average
// character width is 6 px; on another font they grow or shrink with its average width.
inline constexpr int kDesignCharWidth = 6;

// The widest process id the kernel can hand out: pid_max is at most 4,194,304 (2^22), so no
// PID has more than 7 digits.
inline constexpr const char* kWidestPidText = "4194304";

// The average character width of `font` (the mean advance of the 52 Latin letters, rounded),
// at least 1.
int AverageCharWidth(const QFont& font);

// `designWidth` pixels of the 6 px design font on a font with this average character width,
// rounded to the nearest pixel; a negative width stays as it is.
int ScaleColumnWidth(int designWidth, int averageCharWidth);
int ScaleColumnWidth(int designWidth, const QFont& font);

} // namespace hl
