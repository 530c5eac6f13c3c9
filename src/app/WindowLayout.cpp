#include "app/WindowLayout.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cstdint>

namespace hl {
namespace {

PlacementRect ToPlacement(const QRect& rect) {
    // Right and bottom lie just outside the rectangle.
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

QRect FromPlacement(const PlacementRect& rect) {
    const int64_t width = static_cast<int64_t>(rect.right) - rect.left;
    const int64_t height = static_cast<int64_t>(rect.bottom) - rect.top;
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) {
        return {};
    }
    return QRect(rect.left, rect.top, static_cast<int>(width), static_cast<int>(height));
}

} // namespace

LayoutRecord CaptureLayout(const QWidget& window) {
    LayoutRecord record;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        record.screenWidth = primary->geometry().width();
        record.screenHeight = primary->geometry().height();
    }
    WindowPlacement& placement = record.placement;
    const Qt::WindowStates state = window.windowState();
    const bool maximised = (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) != 0;
    const bool minimised = (state & Qt::WindowMinimized) != 0;
    placement.flags = maximised ? WPF_RESTORETOMAXIMIZED : 0;
    placement.showCmd = minimised ? SW_SHOWMINIMIZED : maximised ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    QRect normal = (maximised || minimised) ? window.normalGeometry() : window.geometry();
    if (normal.isEmpty()) {
        normal = window.geometry();
    }
    placement.normalPosition = ToPlacement(normal);
    // A window that was never shown has no placement to report.
    if (window.windowHandle() == nullptr) {
        placement.length = 0;
    }
    return record;
}

QRect KeepOnScreens(const QRect& rect, const QList<QRect>& screens, const QRect& primary) {
    for (const QRect& screen : screens) {
        if (screen.intersects(rect)) {
            return rect;
        }
    }
    if (primary.isEmpty()) {
        return rect;
    }
    QRect placed(QPoint(0, 0), rect.size().boundedTo(primary.size()));
    placed.moveCenter(primary.center());
    return placed;
}

bool CanPlaceWindows() {
    return !QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}

bool ApplyPlacement(QWidget& window, const WindowPlacement& placement) {
    if (placement.length != kPlacementLength) {
        return false;
    }
    QRect rect = FromPlacement(placement.normalPosition);
    if (rect.isEmpty()) {
        return false;
    }
    if (!CanPlaceWindows()) {
        window.resize(rect.size());
        return true;
    }
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens.push_back(screen->geometry());
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    rect =
        KeepOnScreens(rect, screens, primary != nullptr ? primary->availableGeometry() : QRect());
    window.setGeometry(rect);
    return true;
}

} // namespace hl
