#pragma once

#include <QPixmap>
#include <QString>

namespace hl {

// What the header knows of one of its items, read from the model's header data: the
// heading text, its width, its format bits and its display position.

// Which fields of a HeaderItem were read.
inline constexpr unsigned HDI_WIDTH = 0x0001;
inline constexpr unsigned HDI_TEXT = 0x0002;
inline constexpr unsigned HDI_FORMAT = 0x0004;
inline constexpr unsigned HDI_BITMAP = 0x0010;
inline constexpr unsigned HDI_IMAGE = 0x0020;
inline constexpr unsigned HDI_ORDER = 0x0080;

// Format bits: the justification and the parts an item has.
inline constexpr int HDF_LEFT = 0x0000;
inline constexpr int HDF_RIGHT = 0x0001;
inline constexpr int HDF_CENTER = 0x0002;
inline constexpr int HDF_JUSTIFYMASK = 0x0003;
inline constexpr int HDF_IMAGE = 0x0800;
inline constexpr int HDF_BITMAP_ON_RIGHT = 0x1000;
inline constexpr int HDF_BITMAP = 0x2000;
inline constexpr int HDF_STRING = 0x4000;

// Header data roles beyond Qt's own: a QPixmap drawn as the item's bitmap, and format bits
// (e.g. HDF_BITMAP_ON_RIGHT) added to those the header derives from the other roles.
inline constexpr int kHeaderBitmapRole = Qt::UserRole + 0x4801;
inline constexpr int kHeaderFormatRole = Qt::UserRole + 0x4802;

// Texts longer than this are cut when an item is read.
inline constexpr int kHeaderTextMax = 79;

struct HeaderItem {
    unsigned mask = 0;
    int format = 0;
    QString text;
    int width = 0;
    int order = -1;
    QPixmap image;  // the item's image (the model's decoration), null for none
    QPixmap bitmap; // the item's bitmap, null for none
};

} // namespace hl
