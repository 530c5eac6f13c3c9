#include "listview/ColumnFit.h"

#include "listview/TextWidths.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace hl {
namespace {

struct FitCase {
    const char* name;
    int widest3; // what a cell of column 3 needs; 0: no cell noted
    int widest5;
    int freeRoom;
    int expected3;
    int expected5;
};

// Columns 3 and 5 follow their text from least widths of 110 and 120.
TEST(ColumnFit, WidthsGrowTowardsTheWidestTextWithinTheRoom) {
    const FitCase cases[] = {
        {"no cells: the program's widths", 0, 0, 500, 110, 120},
        {"texts that fit: unchanged", 90, 119, 500, 110, 120},
        {"room for both", 300, 250, 500, 300, 250},
        {"room exactly for both", 300, 250, 320, 300, 250},
        {"no room: the program's widths", 300, 250, 0, 110, 120},
        {"negative room counts as none", 300, 250, -40, 110, 120},
        // 190 and 130 lacking, 160 of room: shared 95 and 65.
        {"short of room: shared by what each lacks", 300, 250, 160, 205, 185},
        {"only one lacks: it takes the room", 300, 100, 50, 160, 120},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(c.name);
        CColumnFit fit({3, 5});
        fit.SetProgramWidth(3, 110);
        fit.SetProgramWidth(5, 120);
        if (c.widest3 > 0) {
            EXPECT_TRUE(fit.NoteCellWidth(3, c.widest3));
        }
        if (c.widest5 > 0) {
            EXPECT_TRUE(fit.NoteCellWidth(5, c.widest5));
        }
        const std::vector<CColumnFit::Width> widths = fit.Widths(c.freeRoom);
        ASSERT_EQ(widths.size(), 2u);
        EXPECT_EQ(widths[0].column, 3);
        EXPECT_EQ(widths[0].width, c.expected3);
        EXPECT_EQ(widths[1].column, 5);
        EXPECT_EQ(widths[1].width, c.expected5);
        EXPECT_LE(widths[0].width + widths[1].width - 230, std::max(0, c.freeRoom));
    }
}

TEST(ColumnFit, TheWidestCellIsKeptAndOtherColumnsAreIgnored) {
    CColumnFit fit({3});
    fit.SetProgramWidth(3, 100);
    EXPECT_TRUE(fit.NoteCellWidth(3, 200));
    EXPECT_FALSE(fit.NoteCellWidth(3, 150)); // narrower rows later do not shrink the column
    EXPECT_FALSE(fit.NoteCellWidth(3, 200));
    EXPECT_FALSE(fit.NoteCellWidth(4, 900));
    fit.SetProgramWidth(4, 70);
    EXPECT_EQ(fit.ProgramWidthSum(), 100);
    const auto widths = fit.Widths(1000);
    ASSERT_EQ(widths.size(), 1u);
    EXPECT_EQ(widths[0].width, 200);
}

TEST(ColumnFit, AColumnTheUserResizedIsLeftAloneUntilTheProgramSetsItAgain) {
    CColumnFit fit({3, 5});
    fit.SetProgramWidth(3, 110);
    fit.SetProgramWidth(5, 110);
    fit.NoteCellWidth(3, 300);
    fit.NoteCellWidth(5, 300);
    fit.SetUserWidth(3);
    EXPECT_EQ(fit.ProgramWidthSum(), 110);
    auto widths = fit.Widths(100); // all the room goes to the column that still follows
    ASSERT_EQ(widths.size(), 1u);
    EXPECT_EQ(widths[0].column, 5);
    EXPECT_EQ(widths[0].width, 210);

    fit.SetProgramWidth(3, 120);
    widths = fit.Widths(1000);
    ASSERT_EQ(widths.size(), 2u);
    EXPECT_EQ(widths[0].width, 300);
}

// The quick width of a cell text is never less than the font's own layout of it (or the
// cell would cut it) and at most a few pixels more (kerning, which the sum leaves out).
TEST(TextWidths, NeverLessThanTheFontLaysOut) {
    for (const int pointSize : {8, 9, 13}) {
        QFont font = QGuiApplication::font();
        font.setPointSize(pointSize);
        const QFontMetricsF metrics(font);
        CTextWidths widths(font);
        for (const std::string text :
             {"::", "::1", "127.0.0.1", "255.255.255.255", "::ffff:192.168.100.200",
              "2001:db8:85a3:1234:5678:8a2e:370:7334", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff",
              "fe80::1%wlp0s20f3", "fe80::1%eth0", "fe80::1%\xc3\xa4th0", "WWW.mmm"}) {
            SCOPED_TRACE(text + " at " + std::to_string(pointSize) + " pt");
            const double laidOut = metrics.horizontalAdvance(QString::fromStdString(text));
            const int quick = widths.Width(text);
            EXPECT_GE(quick, std::ceil(laidOut));
            EXPECT_LE(quick, std::ceil(laidOut) + 2 + laidOut / 20);
        }
    }
}

} // namespace
} // namespace hl
