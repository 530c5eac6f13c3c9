#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace hl {

// The program's icon resources (IDR_MAINFRAME, IDI_JUNCTION ...), compiled in.
// An unknown id gives a null icon or pixmap.
QIcon LoadIconResource(int id);
// The icon's image at size x size pixels: the stored image of that size when there is one,
// otherwise the nearest larger (or the largest) one scaled.
QPixmap LoadIconPixmap(int id, int size);

// A bitmap resource (IDB_TOOLBAR_NORMAL ...) drawn for a screen of this scale (1 or 2), as
// stored: 24 bits per pixel, magenta (0xFF00FF) where it is transparent. A null image for an
// unknown id or scale.
QImage LoadBitmapResource(int id, int scale = 1);

} // namespace hl
