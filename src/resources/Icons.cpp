#include "resources/Icons.h"

#include "resources/ResourceIds.h"

#include <QFile>
#include <QString>
#include <array>
#include <mutex>

// The compiled-in resource file of a static library registers itself only when something
// refers to its initialiser; this does, once.
static void InitHarborlightResources() {
    Q_INIT_RESOURCE(harborlight);
}

namespace hl {
namespace {

constexpr std::array kSizes{16, 32, 48, 128, 256};

void EnsureResources() {
    static std::once_flag once;
    std::call_once(once, [] { InitHarborlightResources(); });
}

QString IconPath(int id, int size) {
    return QStringLiteral(":/harborlight/icons/icon%1_%2.png").arg(id).arg(size);
}

} // namespace

QIcon LoadIconResource(int id) {
    EnsureResources();
    QIcon icon;
    for (const int size : kSizes) {
        const QString path = IconPath(id, size);
        if (QFile::exists(path)) {
            icon.addFile(path, QSize(size, size));
        }
    }
    return icon;
}

QPixmap LoadIconPixmap(int id, int size) {
    EnsureResources();
    if (size <= 0) {
        return {};
    }
    QPixmap best;
    for (const int stored : kSizes) {
        QPixmap candidate(IconPath(id, stored));
        if (candidate.isNull()) {
            continue;
        }
        best = candidate;
        if (stored >= size) {
            break;
        }
    }
    if (best.isNull() || best.width() == size) {
        return best;
    }
    return best.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage LoadBitmapResource(int id, int scale) {
    EnsureResources();
    if (scale != 1 && scale != 2) {
        return {};
    }
    const QString path = QStringLiteral(":/harborlight/bitmaps/bitmap%1%2.png")
                             .arg(id)
                             .arg(scale == 2 ? QStringLiteral("@2x") : QString());
    QImage image(path);
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB888);
}

} // namespace hl
