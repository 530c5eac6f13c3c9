#pragma once

#include <QIcon>
#include <QPixmap>

namespace hl {

// The program's icon resources (IDR_MAINFRAME, IDI_JUNCTION ...), compiled in.
// An unknown id gives a null icon or pixmap.
QIcon LoadIconResource(int id);
// The icon's image at size x size pixels: the stored image of that size when there is one,
// otherwise the nearest larger (or the largest) one scaled.
QPixmap LoadIconPixmap(int id, int size);

} // namespace hl
