#include "listview/ImageList.h"

namespace hl {

bool ImageList::Create(int cx, int cy) {
    m_images.clear();
    m_icons.clear();
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
    m_icons.emplace_back(image);
    return static_cast<int>(m_images.size()) - 1;
}

namespace {

// `piece` with the pixels of `maskColour` made transparent.
QPixmap Masked(const QImage& piece, QRgb maskColour) {
    QImage image = piece.convertToFormat(QImage::Format_ARGB32);
    const QRgb mask = maskColour & 0xFFFFFF;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == mask) {
                line[x] = 0;
            }
        }
    }
    return QPixmap::fromImage(image);
}

} // namespace

int ImageList::AddMasked(const QImage& bitmap, QRgb maskColour, const QImage& bitmap2x) {
    if (!m_size.isValid() || bitmap.isNull() || bitmap.height() != m_size.height()) {
        return -1;
    }
    const int count = bitmap.width() / m_size.width();
    if (count == 0) {
        return -1;
    }
    const bool hiDpi =
        bitmap2x.height() == 2 * m_size.height() && bitmap2x.width() >= 2 * m_size.width() * count;
    const int first = GetImageCount();
    for (int i = 0; i < count; ++i) {
        const QPixmap image =
            Masked(bitmap.copy(QRect(QPoint(i * m_size.width(), 0), m_size)), maskColour);
        QIcon icon(image);
        if (hiDpi) {
            icon.addPixmap(Masked(
                bitmap2x.copy(QRect(QPoint(2 * i * m_size.width(), 0), 2 * m_size)), maskColour));
        }
        m_images.push_back(image);
        m_icons.push_back(icon);
    }
    return first;
}

QPixmap ImageList::Image(int index) const {
    if (index < 0 || index >= GetImageCount()) {
        return {};
    }
    return m_images[static_cast<size_t>(index)];
}

QIcon ImageList::Icon(int index) const {
    if (index < 0 || index >= GetImageCount()) {
        return {};
    }
    return m_icons[static_cast<size_t>(index)];
}

} // namespace hl
