// Draws the toolbar's pictures with QPainter and writes bitmaps 132 and 133 as PNG files
// into the folder given on the command line: five 24 x 24 pictures side by side on magenta
// (the transparent colour), 24 bits per pixel, and the same at 48 x 48 for 2x screens
// ("@2x"). Run once; the PNGs are committed beside the resource file.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kGrid = 24;
constexpr QRgb kMagenta = 0xFF00FF;
// Half-covered edge pixels are blended onto the toolbar's usual light grey instead of onto
// magenta, so that no pink fringe shows.
constexpr QRgb kEdgeBackground = 0xEFEFEF;

using Drawing = std::function<void(QPainter&)>;

QPen Outline(QColor colour, double width = 0.9) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A sheet of paper with its top right corner folded.
void DrawPage(QPainter& p) {
    const QPolygonF sheet({{4.5, 1.5}, {14.5, 1.5}, {19.5, 6.5}, {19.5, 22.5}, {4.5, 22.5}});
    p.setPen(Outline(QColor(90, 96, 110)));
    p.setBrush(QColor(255, 255, 255));
    p.drawPolygon(sheet);
    p.setBrush(QColor(214, 220, 230));
    p.drawPolygon(QPolygonF({{14.5, 1.5}, {14.5, 6.5}, {19.5, 6.5}}));
}

// An arrow head at `tip`, pointing along `angle` (degrees, counter-clockwise from +x).
void ArrowHead(QPainter& p, QPointF tip, double angle, double length, double halfWidth) {
    const double a = angle * M_PI / 180.0;
    const QPointF along(std::cos(a), -std::sin(a));
    const QPointF across(-along.y(), along.x());
    const QPointF base = tip - along * length;
    p.drawPolygon(QPolygonF({tip, base + across * halfWidth, base - across * halfWidth}));
}

// Refresh: a page with two green circular arrows chasing each other.
void DrawRefresh(QPainter& p) {
    DrawPage(p);
    const QRectF circle(6.5, 7.0, 11.0, 11.0);
    const QColor green(28, 150, 52);
    const QColor dark(14, 96, 30);
    for (const double start : {20.0, 200.0}) {
        QPainterPath arc;
        arc.arcMoveTo(circle, start);
        arc.arcTo(circle, start, 125.0);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(dark, 3.2, Qt::SolidLine, Qt::FlatCap));
        p.drawPath(arc);
        p.setPen(QPen(green, 2.0, Qt::SolidLine, Qt::FlatCap));
        p.drawPath(arc);
        // The head at the arc's end, pointing on around the circle.
        const double end = (start + 125.0) * M_PI / 180.0;
        const QPointF tip(circle.center().x() + 5.5 * std::cos(end),
                          circle.center().y() - 5.5 * std::sin(end));
        p.setPen(Outline(dark, 0.7));
        p.setBrush(green);
        ArrowHead(p, tip + QPointF(-std::sin(end), -std::cos(end)) * 2.2, start + 125.0 + 90.0, 4.2,
                  2.6);
    }
}

// Export: a spreadsheet page (a green header row over a grid of cells) and a black arrow
// leaving it.
void DrawExport(QPainter& p) {
    DrawPage(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 160, 80));
    p.drawRect(QRectF(6.0, 8.0, 12.0, 2.5));
    p.setPen(QPen(QColor(120, 170, 130), 0.6));
    for (double y = 10.5; y <= 20.6; y += 2.5) {
        p.drawLine(QPointF(6.0, y), QPointF(18.0, y));
    }
    for (const double x : {6.0, 10.0, 14.0, 18.0}) {
        p.drawLine(QPointF(x, 8.0), QPointF(x, 20.5));
    }
    // The arrow: a shaft out of the sheet to the right, its head past the edge.
    p.setPen(Outline(QColor(255, 255, 255), 0.8));
    p.setBrush(QColor(20, 20, 20));
    p.drawPolygon(QPolygonF({{10.5, 14.0},
                             {17.0, 14.0},
                             {17.0, 10.5},
                             {23.0, 16.0},
                             {17.0, 21.5},
                             {17.0, 18.0},
                             {10.5, 18.0}}));
}

// Terminate: a red cross.
void DrawTerminate(QPainter& p) {
    QPainterPath cross;
    cross.moveTo(5.0, 5.0);
    cross.lineTo(19.0, 19.0);
    cross.moveTo(19.0, 5.0);
    cross.lineTo(5.0, 19.0);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(120, 10, 10), 6.0, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cross);
    p.setPen(QPen(QColor(226, 36, 36), 4.2, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(cross);
    p.setPen(QPen(QColor(250, 120, 110), 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6.2, 5.4), QPointF(9.0, 8.2));
    p.drawLine(QPointF(17.8, 5.4), QPointF(15.0, 8.2));
}

// Settings: a golden cog with a pin through its middle.
void DrawSettings(QPainter& p) {
    const QPointF centre(12.0, 12.0);
    QPainterPath cog;
    constexpr int kTeeth = 8;
    for (int i = 0; i < kTeeth * 4; ++i) {
        const double angle = (i * 360.0 / (kTeeth * 4) + 5.6) * M_PI / 180.0;
        const double radius = (i % 4 == 0 || i % 4 == 1) ? 10.5 : 7.6;
        const QPointF point = centre + QPointF(std::cos(angle), std::sin(angle)) * radius;
        if (i == 0) {
            cog.moveTo(point);
        } else {
            cog.lineTo(point);
        }
    }
    cog.closeSubpath();
    cog.addEllipse(centre, 3.2, 3.2); // the hole
    cog.setFillRule(Qt::OddEvenFill);
    QLinearGradient gold(QPointF(4, 3), QPointF(20, 21));
    gold.setColorAt(0.0, QColor(255, 226, 110));
    gold.setColorAt(0.5, QColor(230, 170, 30));
    gold.setColorAt(1.0, QColor(170, 110, 10));
    p.setPen(Outline(QColor(110, 70, 0)));
    p.setBrush(gold);
    p.drawPath(cog);
    // The pin: a grey shaft through the hole with a round head.
    p.setPen(Outline(QColor(50, 50, 60), 0.7));
    p.setBrush(QColor(170, 176, 186));
    p.drawEllipse(centre, 2.0, 2.0);
    p.setBrush(QColor(230, 232, 238));
    p.drawEllipse(centre + QPointF(-0.5, -0.5), 0.8, 0.8);
}

// About: a page with a blue question mark.
void DrawAbout(QPainter& p) {
    DrawPage(p);
    QPainterPath mark;
    mark.moveTo(8.8, 10.2);
    mark.cubicTo(8.8, 5.6, 15.6, 5.6, 15.6, 9.8);
    mark.cubicTo(15.6, 12.4, 12.2, 12.6, 12.2, 15.6);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(20, 60, 160), 3.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(mark);
    p.setPen(QPen(QColor(50, 110, 230), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(mark);
    p.setPen(Outline(QColor(20, 60, 160), 0.7));
    p.setBrush(QColor(50, 110, 230));
    p.drawEllipse(QPointF(12.2, 19.0), 1.6, 1.6);
}

// One picture at size x size: drawn antialiased on transparency, then every pixel either
// opaque (blended onto the edge background where partly covered) or magenta.
QImage Render(const Drawing& draw, int size) {
    QImage canvas(size, size, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.scale(static_cast<double>(size) / kGrid, static_cast<double>(size) / kGrid);
        draw(painter);
    }
    QImage out(size, size, QImage::Format_RGB888);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb pixel = canvas.pixel(x, y);
            const int alpha = qAlpha(pixel);
            if (alpha < 96) {
                out.setPixel(x, y, kMagenta);
                continue;
            }
            auto blend = [alpha](int colour, int background) {
                return (colour * alpha + background * (255 - alpha) + 127) / 255;
            };
            const QRgb opaque = qRgb(blend(qRed(pixel), qRed(kEdgeBackground)),
                                     blend(qGreen(pixel), qGreen(kEdgeBackground)),
                                     blend(qBlue(pixel), qBlue(kEdgeBackground)));
            // A drawn pixel never reads as the transparent colour.
            out.setPixel(x, y, (opaque & 0xFFFFFF) == kMagenta ? qRgb(254, 0, 254) : opaque);
        }
    }
    return out;
}

QImage Strip(int size) {
    const std::array<Drawing, 5> pictures{DrawRefresh, DrawExport, DrawTerminate, DrawSettings,
                                          DrawAbout};
    QImage strip(size * static_cast<int>(pictures.size()), size, QImage::Format_RGB888);
    QPainter painter(&strip);
    for (size_t i = 0; i < pictures.size(); ++i) {
        painter.drawImage(static_cast<int>(i) * size, 0, Render(pictures[i], size));
    }
    return strip;
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
    for (const auto& [size, suffix] : {std::pair(kGrid, ""), std::pair(2 * kGrid, "@2x")}) {
        const QImage strip = Strip(size);
        // The normal and the hot bitmap hold the same pictures.
        for (const int id : {132, 133}) {
            const QString path = QStringLiteral("%1/bitmap%2%3.png").arg(dir).arg(id).arg(suffix);
            if (!strip.save(path, "PNG")) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                ok = false;
            }
        }
    }
    return ok ? 0 : 1;
}
