#include "listview/ImageList.h"

namespace hl {

bool ImageList::Create(int cx, int cy) {
    m_images.clear();
    if (cx <= 0 || cy <= 0) {
        m_size = QSize();
        return false;
    }
    m_size = QSize(cx, cy);
    return true;
}

int ImageList::Add(const QIcon& icon) {
    if (icon.isNull() || !m_size.isValid()) {
        return -1;
    }
    QPixmap image = icon.pixmap(m_size);
    if (image.isNull()) {
        return -1;
    }
    if (image.size() != m_size) {
        image = image.scaled(m_size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    m_images.push_back(image);
    return static_cast<int>(m_images.size()) - 1;
}

QPixmap ImageList::Image(int index) const {
    if (index < 0 || index >= GetImageCount()) {
        return {};
    }
    return m_images[static_cast<size_t>(index)];
}

} // namespace hl
