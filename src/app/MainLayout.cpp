#include "app/MainLayout.h"

#include <algorithm>

namespace hl {
namespace {

constexpr int kToolbarStrip = 50; // the separator's y
constexpr int kSeparatorHeight = 2;
constexpr int kListMargin = 5;
constexpr int kListTop = 57;
constexpr int kBelowList = 28; // the list's height is the client height - 85

} // namespace

MainLayout ComputeMainLayout(QSize client, int toolBarHeight, int statusBarHeight) {
    const int width = std::max(0, client.width());
    const int height = std::max(0, client.height());
    const int toolBar = std::max(0, toolBarHeight);
    const int statusBar = std::max(0, statusBarHeight);
    const int shift = std::max(0, toolBar - kToolbarStrip);
    const int statusExcess = std::max(0, statusBar - kBelowList);

    MainLayout layout;
    layout.toolBar = QRect(0, 0, width, toolBar);
    layout.separator = QRect(0, kToolbarStrip + shift, width, kSeparatorHeight);
    layout.list = QRect(kListMargin, kListTop + shift, std::max(0, width - 2 * kListMargin),
                        std::max(0, height - kListTop - kBelowList - shift - statusExcess));
    layout.statusBar = QRect(0, height - statusBar, width, statusBar);
    return layout;
}

} // namespace hl
