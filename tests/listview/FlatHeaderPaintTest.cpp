#include "listview/FlatHeaderCtrl.h"

#include <QApplication>
#include <QImage>
#include <QStandardItemModel>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace hl {
namespace {

const QColor kLight(255, 255, 255);
const QColor kDark(128, 128, 128);
const QColor kFace(192, 192, 192);
const QColor kLabel(0, 0, 0);
constexpr int kHeight = 24;

QPalette ClassicColors() {
    QPalette colors;
    colors.setColor(QPalette::Light, kLight);
    colors.setColor(QPalette::Dark, kDark);
    colors.setColor(QPalette::Button, kFace);
    colors.setColor(QPalette::ButtonText, kLabel);
    return colors;
}

// A header with sections of the given widths and headings, shown at 400 x 24 in the classic
// button colours so that pixels can be told apart.
class FlatHeaderPaint : public testing::Test {
protected:
    void Build(const std::vector<int>& widths, const QStringList& headings = {}) {
        model.setColumnCount(static_cast<int>(widths.size()));
        for (int i = 0; i < static_cast<int>(widths.size()); ++i) {
            model.setHeaderData(i, Qt::Horizontal,
                                i < headings.size() ? headings[i] : QString(QChar('A' + i)));
        }
        header.setModel(&model);
        header.setMinimumSectionSize(1);
        for (int i = 0; i < static_cast<int>(widths.size()); ++i) {
            header.resizeSection(i, widths[static_cast<size_t>(i)]);
        }
        header.setPalette(ClassicColors());
        header.resize(400, kHeight);
        header.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&header));
    }
    QImage Shot() { return header.grab().toImage(); }
    static QColor At(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

    // The columns x in [from, to) that hold a pixel of the label colour.
    static std::pair<int, int> InkSpan(const QImage& image, int from, int to) {
        int first = -1;
        int last = -1;
        for (int x = from; x < to; ++x) {
            for (int y = 0; y < image.height(); ++y) {
                if (image.pixelColor(x, y).lightness() < 100) {
                    first = first < 0 ? x : first;
                    last = x;
                    break;
                }
            }
        }
        return {first, last};
    }

    // A divider at the right edge `right` of a section: dark at right - 1, light at right,
    // from 2 to the height - 2 (exclusive).
    void ExpectDivider(const QImage& image, int right) {
        SCOPED_TRACE(testing::Message() << "divider at " << right);
        for (int y = 2; y < kHeight - 2; ++y) {
            EXPECT_EQ(At(image, right - 1, y), kDark) << "y " << y;
            EXPECT_EQ(At(image, right, y), kLight) << "y " << y;
        }
        EXPECT_NE(At(image, right - 1, 1), kDark);
        EXPECT_NE(At(image, right - 1, kHeight - 2), kDark);
    }
    void ExpectNoDivider(const QImage& image, int right) {
        SCOPED_TRACE(testing::Message() << "no divider at " << right);
        EXPECT_EQ(At(image, right - 1, kHeight / 2), kFace);
    }

    QStandardItemModel model;
    CFlatHeaderCtrl header;
};

TEST_F(FlatHeaderPaint, WithoutSectionsOnlyTheFace) {
    Build({});
    const QImage image = Shot();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            ASSERT_EQ(At(image, x, y), kFace) << x << "," << y;
        }
    }
}

TEST_F(FlatHeaderPaint, DividersBetweenSectionsAndOneFrameAroundThem) {
    Build({50, 60, 70});
    const QImage image = Shot();
    ExpectDivider(image, 50);
    ExpectDivider(image, 110);
    ExpectNoDivider(image, 180);
    // The frame: light top and left, dark right and bottom; its right edge at 0 + 180.
    EXPECT_EQ(At(image, 0, 5), kLight);
    EXPECT_EQ(At(image, 100, 0), kLight);
    EXPECT_EQ(At(image, 180, 5), kDark);
    EXPECT_EQ(At(image, 100, kHeight - 1), kDark);
    EXPECT_EQ(At(image, 180, 0), kDark); // the right column runs the full height
    // Beyond the frame only the face.
    for (int x = 181; x < 400; x += 7) {
        EXPECT_EQ(At(image, x, 0), kFace);
        EXPECT_EQ(At(image, x, kHeight - 1), kFace);
    }
}

TEST_F(FlatHeaderPaint, DividersAndPressedLookFollowTheDisplayOrder) {
    Build({50, 60, 70});
    header.moveSection(2, 0); // C A B: widths 70, 50, 60
    QImage image = Shot();
    ExpectDivider(image, 70);
    ExpectDivider(image, 120);
    ExpectNoDivider(image, 180);

    // Holding the left button on A (now second) inverts exactly its rectangle.
    QTest::mousePress(header.viewport(), Qt::LeftButton, {}, QPoint(95, kHeight / 2));
    image = Shot();
    const QColor inverted(255 - kFace.red(), 255 - kFace.green(), 255 - kFace.blue());
    EXPECT_EQ(At(image, 72, kHeight / 2), inverted);
    EXPECT_EQ(At(image, 117, kHeight / 2), inverted);
    EXPECT_EQ(At(image, 67, kHeight / 2), kFace);
    EXPECT_EQ(At(image, 123, kHeight / 2), kFace);
    QTest::mouseRelease(header.viewport(), Qt::LeftButton, {}, QPoint(95, kHeight / 2));
    image = Shot();
    EXPECT_EQ(At(image, 72, kHeight / 2), kFace);
}

TEST_F(FlatHeaderPaint, DropMarkerAtTheSlot) {
    Build({50, 60, 70});
    const QColor red(255, 0, 0);
    struct Case {
        int slot;
        int x; // the marker's centre line
    } cases[] = {{0, -1}, {1, 49}, {2, 109}, {3, 180}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "slot " << c.slot);
        EXPECT_EQ(header.SetHotDivider(false, c.slot), c.slot);
        const QImage image = Shot();
        const int x = std::max(c.x, 0);
        EXPECT_EQ(At(image, x, 1), red);           // the triangle from the top
        EXPECT_EQ(At(image, x, kHeight - 2), red); // the one from the bottom
        EXPECT_NE(At(image, x, kHeight / 2), red); // and nothing between them
        EXPECT_NE(At(image, c.x + 8, 1), red);
    }
    EXPECT_EQ(header.SetHotDivider(false, -1), -1);
    const QImage image = Shot();
    for (int x = 0; x < 400; ++x) {
        ASSERT_NE(At(image, x, 1), red) << x;
    }
}

TEST_F(FlatHeaderPaint, TextByJustificationAndCutToItsSection) {
    Build({120, 120, 120, 40}, {"Left", "Centre", "Right", "Connection State"});
    model.setHeaderData(0, Qt::Horizontal, int(Qt::AlignLeft), Qt::TextAlignmentRole);
    model.setHeaderData(1, Qt::Horizontal, int(Qt::AlignHCenter), Qt::TextAlignmentRole);
    model.setHeaderData(2, Qt::Horizontal, int(Qt::AlignRight), Qt::TextAlignmentRole);
    const QImage image = Shot();
    const int gap = header.Gap();

    const auto left = InkSpan(image, 1, 119);
    EXPECT_GE(left.first, gap);
    EXPECT_LE(left.first, gap + 2);

    const auto centre = InkSpan(image, 121, 239);
    const int middle = (centre.first + centre.second) / 2;
    EXPECT_NEAR(middle, 180, 3);

    const auto right = InkSpan(image, 241, 359);
    EXPECT_LE(right.second, 360 - gap - 1);
    EXPECT_GE(right.second, 360 - gap - 4);

    // "Connection State" is far wider than 40 - 2 x 6 px: cut with an ellipsis inside the
    // extent, the divider and frame untouched.
    const auto cut = InkSpan(image, 361, 399);
    ASSERT_GE(cut.first, 0) << "some of the text is drawn";
    EXPECT_LT(cut.second, 400 - gap);
    const QString elided =
        header.fontMetrics().elidedText("Connection State", Qt::ElideRight, 40 - 2 * gap);
    EXPECT_TRUE(elided.endsWith(QChar(0x2026))) << elided.toStdString();
}

TEST_F(FlatHeaderPaint, ColoursComeFromThePaletteAndFollowItsChanges) {
    Build({50});
    EXPECT_EQ(header.FaceColor(), kFace);
    EXPECT_EQ(header.LightColor(), kLight);
    EXPECT_EQ(header.DarkColor(), kDark);
    EXPECT_EQ(header.LabelColor(), kLabel);
    EXPECT_EQ(header.DropMarkColor(), QColor(255, 0, 0));
    QPalette other = ClassicColors();
    other.setColor(QPalette::Button, QColor(10, 20, 30));
    header.setPalette(other);
    EXPECT_EQ(header.FaceColor(), QColor(10, 20, 30));
    EXPECT_EQ(At(Shot(), 300, 10), QColor(10, 20, 30));
}

} // namespace
} // namespace hl
