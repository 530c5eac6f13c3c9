#pragma once

#include <QRect>
#include <QSize>

namespace hl {

// Where the main window's children go in its client area.
struct MainLayout {
    QRect toolBar;
    QRect separator;
    QRect list;
    QRect statusBar;
};

// The layout of a client area: the toolbar along the top at its own height, the etched
// separator at y 50, the list from (5, 57) to 5 px from the sides and 28 px from the bottom,
// the status bar along the bottom at its own height. A toolbar taller than the 50 px strip
// moves the separator and the list down by the difference, and a status bar taller than the
// 28 px below the list shortens the list, so that nothing overlaps. Sizes below zero are 0.
// A height of 0 means that the window has no such bar.
MainLayout ComputeMainLayout(QSize client, int toolBarHeight, int statusBarHeight);

} // namespace hl
