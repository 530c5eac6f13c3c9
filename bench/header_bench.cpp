// The flat header's costs on the offscreen platform: one paint of a header with eight
// sections against Qt's own header with the same sections (ratio), and the time of one
// mouse move during a column drag, with the number of header repaints the moves caused.
//
//   header_bench [moves]     (default 20000)

#include "listview/FlatHeaderCtrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kSections = 8;
const int kWidths[kSections] = {60, 40, 140, 110, 90, 110, 90, 140};

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

void Prepare(QHeaderView& header, QStandardItemModel& model) {
    header.setModel(&model);
    for (int i = 0; i < kSections; ++i) {
        header.resizeSection(i, kWidths[i]);
    }
    header.resize(800, 24);
    header.show();
    if (!QTest::qWaitForWindowExposed(&header)) {
        std::fprintf(stderr, "the header was not shown\n");
    }
}

// Mean microseconds of one full repaint of the header's strip.
double PaintMicros(QHeaderView& header, int rounds) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < rounds; ++i) {
        header.viewport()->repaint();
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1000.0 / rounds;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    QApplication app(argc, argv);
    const int moves = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;

    QStandardItemModel model(0, kSections);
    const char* headings[kSections] = {
        "Protocol",       "PID",         "Process Name",    "Local Address", "Local Port",
        "Remote Address", "Remote Port", "Connection State"};
    for (int i = 0; i < kSections; ++i) {
        model.setHeaderData(i, Qt::Horizontal, QString::fromLatin1(headings[i]));
    }

    hl::CFlatHeaderCtrl flat;
    Prepare(flat, model);
    QHeaderView plain(Qt::Horizontal);
    Prepare(plain, model);
    const int rounds = 2000;
    PaintMicros(flat, 100); // warm up both
    PaintMicros(plain, 100);
    const double flatPaint = PaintMicros(flat, rounds);
    const double plainPaint = PaintMicros(plain, rounds);

    // A drag of "Protocol" back and forth over the whole strip.
    flat.SetDragDrop(true);
    QWidget* surface = flat.viewport();
    PaintCounter counter;
    surface->installEventFilter(&counter);
    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(30, 10));
    QTest::mouseMove(surface, QPoint(60, 10));
    QApplication::processEvents();
    counter.paints = 0;
    int slotChanges = 0;
    int lastSlot = flat.DropSlot();
    double worst = 0;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < moves; ++i) {
        const int x = 5 + (i * 7) % 770;
        QElapsedTimer one;
        one.start();
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 10), surface->mapToGlobal(QPointF(x, 10)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(surface, &move);
        QApplication::processEvents(); // the repaints the move asked for
        worst = std::max(worst, static_cast<double>(one.nsecsElapsed()) / 1000.0);
        if (flat.DropSlot() != lastSlot) {
            ++slotChanges;
            lastSlot = flat.DropSlot();
        }
    }
    const double perMove = static_cast<double>(total.nsecsElapsed()) / 1000.0 / moves;
    QTest::mouseRelease(surface, Qt::LeftButton, {}, QPoint(400, 10));

    std::printf("header sections=%d paint_us=%.1f qt_paint_us=%.1f ratio=%.2f moves=%d "
                "move_us=%.1f move_max_us=%.1f slot_changes=%d header_repaints=%d\n",
                kSections, flatPaint, plainPaint, flatPaint / plainPaint, moves, perMove, worst,
                slotChanges, counter.paints);
    return 0;
}
