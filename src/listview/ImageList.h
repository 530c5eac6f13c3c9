#pragma once

#include <QIcon>
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
    int GetImageCount() const { return static_cast<int>(m_images.size()); }
    QSize ImageSize() const { return m_size; }
    // A null pixmap for an index outside the list.
    QPixmap Image(int index) const;
    const std::vector<QPixmap>& Images() const { return m_images; }

private:
    QSize m_size;
    std::vector<QPixmap> m_images;
};

} // namespace hl
