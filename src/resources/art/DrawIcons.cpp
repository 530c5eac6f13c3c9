// Draws the program's icons with QPainter and writes them as PNG files into the folder given
// on the command line. Run once; the PNGs are committed beside the resource file.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cstdio>
#include <functional>

namespace {

// Every picture is drawn on a 16 x 16 grid and scaled to the image size.
using Drawing = std::function<void(QPainter&)>;

QImage Render(const Drawing& draw, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, size > 16);
    painter.scale(size / 16.0, size / 16.0);
    draw(painter);
    return image;
}

// A lighthouse on a rock between waves, its lantern sending two beams.
void DrawLighthouse(QPainter& p) {
    // Beams.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 221, 64, 150));
    p.drawPolygon(QPolygonF({{8.0, 3.5}, {0.0, 0.5}, {0.0, 6.0}}));
    p.drawPolygon(QPolygonF({{8.0, 3.5}, {16.0, 0.5}, {16.0, 6.0}}));
    // Water.
    p.setBrush(QColor(38, 104, 196));
    p.drawRect(QRectF(0, 13, 16, 3));
    p.setBrush(QColor(90, 160, 230));
    p.drawRect(QRectF(0, 13, 16, 1));
    // Rock.
    p.setBrush(QColor(96, 84, 72));
    p.drawPolygon(QPolygonF({{3.0, 14.0}, {5.0, 12.0}, {11.0, 12.0}, {13.0, 14.0}}));
    // Tower: tapered, white with two red bands.
    const QPolygonF tower({{6.0, 5.0}, {10.0, 5.0}, {11.0, 12.0}, {5.0, 12.0}});
    p.setBrush(QColor(250, 250, 250));
    p.setPen(QPen(QColor(60, 60, 70), 0));
    p.drawPolygon(tower);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(210, 40, 40));
    p.drawPolygon(QPolygonF({{5.57, 9.0}, {10.43, 9.0}, {10.71, 11.0}, {5.29, 11.0}}));
    p.drawPolygon(QPolygonF({{6.14, 6.0}, {9.86, 6.0}, {10.0, 7.0}, {6.0, 7.0}}));
    // Lantern room and roof.
    p.setBrush(QColor(255, 214, 0));
    p.drawRect(QRectF(6.5, 3, 3, 2));
    p.setBrush(QColor(40, 40, 50));
    p.drawPolygon(QPolygonF({{6.0, 3.0}, {8.0, 1.0}, {10.0, 3.0}}));
    p.drawRect(QRectF(6, 4.7, 4, 0.6));
}

// A network junction box with a row of ports and three cables leaving it.
void DrawJunction(QPainter& p) {
    // Cables first, so the box covers their ends.
    p.setBrush(Qt::NoBrush);
    auto cable = [&p](QColor colour, QPointF from, QPointF control, QPointF to) {
        QPainterPath path(from);
        path.quadTo(control, to);
        p.setPen(QPen(colour, 1.4, Qt::SolidLine, Qt::FlatCap));
        p.drawPath(path);
    };
    cable(QColor(30, 90, 200), {4.0, 8.0}, {3.0, 13.0}, {0.5, 15.5});
    cable(QColor(230, 170, 0), {8.0, 8.0}, {8.5, 12.0}, {8.0, 15.5});
    cable(QColor(200, 40, 40), {12.0, 8.0}, {13.0, 13.0}, {15.5, 15.5});
    cable(QColor(40, 150, 60), {8.0, 5.0}, {9.0, 2.0}, {14.5, 0.5});
    // The box.
    p.setPen(QPen(QColor(50, 55, 65), 0));
    p.setBrush(QColor(196, 202, 210));
    p.drawRect(QRectF(1.5, 4.5, 13, 5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(235, 238, 242));
    p.drawRect(QRectF(2, 5, 12, 1));
    // Ports with their lights.
    for (int i = 0; i < 4; ++i) {
        const double x = 3 + i * 2.75;
        p.setBrush(QColor(40, 42, 48));
        p.drawRect(QRectF(x, 7, 2, 2));
        p.setBrush(i == 2 ? QColor(255, 170, 0) : QColor(40, 220, 60));
        p.drawRect(QRectF(x, 6, 1, 1));
    }
}

// Three computers, each cabled to a hub in the middle.
void DrawComputers(QPainter& p) {
    const QPointF hub(8.0, 8.5);
    p.setPen(QPen(QColor(60, 60, 60), 1.0));
    p.drawLine(hub, QPointF(3.0, 5.0));
    p.drawLine(hub, QPointF(13.0, 5.0));
    p.drawLine(hub, QPointF(8.0, 12.0));
    auto computer = [&p](double x, double y) {
        // Screen 5 x 4 with a stand.
        p.setPen(QPen(QColor(40, 40, 50), 0));
        p.setBrush(QColor(220, 220, 225));
        p.drawRect(QRectF(x, y, 5, 4));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 140, 230));
        p.drawRect(QRectF(x + 1, y + 1, 3.01, 2.01));
        p.setBrush(QColor(90, 90, 100));
        p.drawRect(QRectF(x + 2, y + 4, 1.01, 1.01));
        p.drawRect(QRectF(x + 1, y + 5, 3.01, 0.8));
    };
    computer(0.0, 0.0);
    computer(10.0, 0.0);
    computer(5.0, 10.0);
    // The hub.
    p.setPen(QPen(QColor(40, 40, 50), 0));
    p.setBrush(QColor(250, 200, 40));
    p.drawRect(QRectF(6.5, 7, 3, 3));
}

bool Save(const QImage& image, const QString& path) {
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    // 16 to 48 for windows, lists and the tray; 128 and 256 for the desktop's menus.
    for (const int size : {16, 32, 48, 128, 256}) {
        ok &= Save(Render(DrawLighthouse, size),
                   QStringLiteral("%1/icon128_%2.png").arg(dir).arg(size));
    }
    const QImage junction = Render(DrawJunction, 16);
    ok &= Save(junction, dir + QStringLiteral("/icon139_16.png"));
    ok &= Save(junction, dir + QStringLiteral("/icon138_16.png"));
    ok &= Save(Render(DrawComputers, 16), dir + QStringLiteral("/icon140_16.png"));
    return ok ? 0 : 1;
}
