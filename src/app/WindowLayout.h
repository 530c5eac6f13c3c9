#pragma once

#include "app/LayoutRecord.h"

#include <QList>
#include <QRect>

class QWidget;

namespace hl {

// The window's layout record now: the primary screen's size, and the placement with the
// window's normal rectangle (the one it has, or returns to, when neither maximised nor
// minimised). The rectangle is the window's own, inside the window manager's frame, which
// X11 window managers draw and which the program cannot size before the window is mapped.
LayoutRecord CaptureLayout(const QWidget& window);

// Applies the placement's normal rectangle to a window that is not shown yet: position and
// size where the desktop lets a program place its windows, the size only where it does not
// (Wayland). A rectangle wholly off every screen is moved onto the primary one. False, with
// nothing applied, for a placement of another length or an empty rectangle.
bool ApplyPlacement(QWidget& window, const WindowPlacement& placement);

// `rect` itself when it meets one of the screens; otherwise moved to the middle of the
// primary screen's available area, and made no larger than it.
QRect KeepOnScreens(const QRect& rect, const QList<QRect>& screens, const QRect& primary);

// Whether the desktop lets a program position its windows (not on Wayland).
bool CanPlaceWindows();

} // namespace hl
