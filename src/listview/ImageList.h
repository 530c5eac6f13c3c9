#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <vector>

namespace hl {

// A list of equally sized images that a list view draws by index.
class ImageList {
public:
    // Drops earlier images; every image added from now on is cx x cy pixels.
    bool Create(int cx, int cy);
    // Appends the icon's image at the list's size; its index, or -1 (null icon, no size).
    int Add(const QIcon& icon);
    // Appends one image for each cx-wide piece of `bitmap`, left to right, with the pixels of
    // `maskColour` transparent. `bitmap2x`, when given, holds the same pictures at twice the
    // size for screens of scale 2. The index of the first image, or -1 (nothing added: no
    // size, or a bitmap whose height is not cy).
    int AddMasked(const QImage& bitmap, QRgb maskColour, const QImage& bitmap2x = QImage());
    int GetImageCount() const { return static_cast<int>(m_images.size()); }
    QSize ImageSize() const { return m_size; }
    // A null pixmap for an index outside the list.
    QPixmap Image(int index) const;
    // The image with every size it was added at (a null icon outside the list).
    QIcon Icon(int index) const;
    const std::vector<QPixmap>& Images() const { return m_images; }

private:
    QSize m_size;
    std::vector<QPixmap> m_images;
    std::vector<QIcon> m_icons;
};

} // namespace hl
