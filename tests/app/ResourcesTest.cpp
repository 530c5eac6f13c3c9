#include "resources/DialogTemplate.h"
#include "resources/DialogUnits.h"
#include "resources/Icons.h"
#include "resources/MenuBuilder.h"
#include "resources/Menus.h"
#include "resources/ResourceIds.h"
#include "resources/Toolbars.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace hl {
namespace {

// A menu as text: popups in brackets, items as "id text", separators as "-".
std::vector<std::string> Flatten(const MenuResource& menu) {
    std::vector<std::string> lines;
    for (const MenuPopup& popup : menu.popups) {
        lines.push_back(std::string("[") + popup.text + "]");
        for (const MenuItem& item : popup.items) {
            lines.push_back(item.IsSeparator() ? "-" : std::to_string(item.id) + " " + item.text);
        }
    }
    return lines;
}

struct MenuCase {
    const char* name;
    int id;
    std::vector<std::string> lines;
};

const std::vector<MenuCase> kMenus = {
    {"Main",
     131,
     {"[File]", "32792 Export to File", "-", "32774 Exit", "[Action]", "32780 Refresh Now", "-",
      "32793 Close Connection", "-", "32788 Start Monitoring", "32789 Stop Monitoring", "[&Tools]",
      "32785 &Settings...", "[Help]", "32779 Contents", "32777 About..."}},
    {"Tray", 137, {"[my tray]", "32782 Refresh", "32783 Show", "-", "32781 Exit"}},
    {"ListPopup", 141, {"[Popup]", "32784 Refresh List", "-", "32791 Close Connection"}},
};

class MenuResources : public testing::TestWithParam<MenuCase> {};

TEST_P(MenuResources, HoldExactlyTheQuotedItems) {
    const MenuResource* menu = FindMenu(GetParam().id);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Flatten(*menu), GetParam().lines);
}

// The Qt menus built from them carry the same texts, ids and separators.
TEST_P(MenuResources, BuildQtMenusWithTheirIds) {
    const MenuResource* menu = FindMenu(GetParam().id);
    ASSERT_NE(menu, nullptr);
    QMenuBar bar;
    ASSERT_TRUE(FillMenuBar(bar, GetParam().id));
    std::vector<std::string> lines;
    for (QAction* popup : bar.actions()) {
        lines.push_back("[" + popup->text().toStdString() + "]");
        for (QAction* item : popup->menu()->actions()) {
            lines.push_back(item->isSeparator() ? "-"
                                                : std::to_string(CommandIdOf(item)) + " " +
                                                      item->text().toStdString());
        }
    }
    EXPECT_EQ(lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(All, MenuResources, testing::ValuesIn(kMenus),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Resources, UnknownIdsFindNothing) {
    EXPECT_EQ(FindMenu(999), nullptr);
    EXPECT_EQ(FindDialogTemplate(999), nullptr);
    QMenuBar bar;
    EXPECT_FALSE(FillMenuBar(bar, 999));
    EXPECT_TRUE(LoadIconResource(999).isNull());
    EXPECT_TRUE(LoadIconPixmap(999, 16).isNull());
    EXPECT_EQ(CommandIdOf(nullptr), 0);
}

TEST(Resources, MainDialogTemplate) {
    const DialogTemplate* dialog = FindDialogTemplate(IDD_PORTS_DIALOG);
    ASSERT_NE(dialog, nullptr);
    EXPECT_STREQ(dialog->caption, "Harborlight Scanner");
    EXPECT_EQ(dialog->menuId, IDR_MAIN_MENU);
    EXPECT_EQ(dialog->rect.cx, 328);
    EXPECT_EQ(dialog->rect.cy, 238);
    const DialogControl* list = FindControl(*dialog, IDC_PORT_LIST);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->kind, ControlKind::ListView);
    EXPECT_EQ((std::vector{list->rect.x, list->rect.y, list->rect.cx, list->rect.cy}),
              (std::vector{5, 37, 317, 183}));
    const DialogControl* line = FindControl(*dialog, IDC_SEPARATOR);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->kind, ControlKind::EtchedLine);
    EXPECT_EQ((std::vector{line->rect.x, line->rect.y, line->rect.cx, line->rect.cy}),
              (std::vector{0, 31, 328, 1}));
}

TEST(Resources, DialogUnitsScaleByAQuarterOfTheCharacterWidthAndAnEighthOfItsHeight) {
    // A font 7 pixels wide on average and 13 high, as a common desktop font is.
    const DialogUnits units(7, 13);
    EXPECT_EQ(units.ToPixels({5, 37, 317, 183}), QRect(9, 60, 555, 297));
    EXPECT_EQ(units.ToPixelsX(328), 574);
    EXPECT_EQ(units.ToPixelsY(238), 387);
    // Halves round away from zero.
    EXPECT_EQ(DialogUnits(6, 12).ToPixelsX(1), 2);
    EXPECT_EQ(DialogUnits(6, 12).ToPixelsX(-1), -2);

    // Measured from a font, the units follow its size.
    QFont small = QApplication::font();
    small.setPixelSize(10);
    QFont large = small;
    large.setPixelSize(20);
    const DialogUnits fromSmall(small);
    const DialogUnits fromLarge(large);
    EXPECT_GT(fromSmall.BaseX(), 0);
    EXPECT_GT(fromLarge.BaseX(), fromSmall.BaseX());
    EXPECT_GT(fromLarge.BaseY(), fromSmall.BaseY());
}

TEST(Resources, IconsAreCompiledInAtTheirSizes) {
    for (const int size : {16, 32, 48}) {
        const QPixmap image = LoadIconPixmap(IDR_MAINFRAME, size);
        ASSERT_FALSE(image.isNull()) << size;
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_TRUE(image.hasAlphaChannel());
    }
    for (const int id : {IDI_JUNCTION, IDI_COMPUTERS, IDI_JUNCTION2}) {
        EXPECT_EQ(LoadIconPixmap(id, 16).size(), QSize(16, 16)) << id;
    }
    // 138 and 139 carry the same picture, 140 another.
    EXPECT_EQ(LoadIconPixmap(IDI_JUNCTION, 16).toImage(),
              LoadIconPixmap(IDI_JUNCTION2, 16).toImage());
    EXPECT_NE(LoadIconPixmap(IDI_JUNCTION, 16).toImage(),
              LoadIconPixmap(IDI_COMPUTERS, 16).toImage());
    // A size that is not stored is scaled from the nearest larger one.
    EXPECT_EQ(LoadIconPixmap(IDR_MAINFRAME, 24).size(), QSize(24, 24));
}

TEST(Resources, ToolbarAndItsBitmaps) {
    const ToolbarResource* toolbar = FindToolbar(IDR_TOOLBAR);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(QSize(toolbar->imageWidth, toolbar->imageHeight), QSize(24, 24));
    EXPECT_EQ(std::vector<int>(toolbar->items.begin(), toolbar->items.end()),
              (std::vector{32780, 0, 32792, 0, 32793, 0, 32785, 0, 32777}));
    EXPECT_EQ(FindToolbar(IDB_TOOLBAR_NORMAL), nullptr);

    // Five 24 x 24 pictures side by side, 24 bits per pixel, on magenta; the same at 2x; the
    // hot bitmap like the normal one.
    for (const int scale : {1, 2}) {
        const QImage normal = LoadBitmapResource(IDB_TOOLBAR_NORMAL, scale);
        ASSERT_EQ(normal.size(), QSize(120, 24) * scale) << scale;
        EXPECT_EQ(normal.depth(), 24);
        EXPECT_EQ(normal, LoadBitmapResource(IDB_TOOLBAR_HOT, scale));
        for (int picture = 0; picture < 5; ++picture) {
            // Each picture's corner is background.
            EXPECT_EQ(normal.pixel(picture * 24 * scale, 0) & 0xFFFFFF, 0xFF00FFu) << picture;
        }
    }
    EXPECT_TRUE(LoadBitmapResource(IDR_TOOLBAR).isNull());
    EXPECT_TRUE(LoadBitmapResource(IDB_TOOLBAR_NORMAL, 3).isNull());
}

} // namespace
} // namespace hl
