// gui_bench: how long a refresh takes to fill the main window's list, and the longest time
// the UI thread is kept from its events meanwhile, on the machine's real socket tables.
//
//   gui_bench [--runs R]
//
// Opens the main window (on whatever Qt platform is set; offscreen works), lets the first
// refresh finish, then times R refreshes: from the request until the worker has ended and
// the view shows every row. A 1 ms timer on the UI thread measures the longest gap between
// its ticks while a refresh runs. For comparison it also times the same table reads into an
// in-memory list on this thread (the work of the headless report without its start-up and
// output). Prints one line on stdout:
//
//   rows=... fill_ms=... max_stall_ms=... memory_fill_ms=...
//
// (medians over the runs, max_stall_ms the maximum). The settings of the window go to a
// temporary folder.

#include "app/PortsDlg.h"
#include "inventory/MemoryList.h"
#include "inventory/TableFill.h"
#include "platform/linux/LinuxSystem.h"
#include "workers/WorkerThread.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// No notification area, no documents: the benchmark needs neither.
class NoShell : public hl::IShell {
public:
    bool HasNotificationArea() const override { return false; }
    bool NotifyIcon(hl::NotifyIconMessage, const hl::NotifyIconData&) override { return false; }
    bool OpenUrl(const QUrl&) override { return false; }
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Refresh {
    double fillMs = 0;
    double maxStallMs = 0;
    int rows = 0;
    bool finished = false;
};

// Runs `start`, then handles events until the list is full and no worker is left.
Refresh TimeRefresh(hl::CPortsDlg& dlg, const std::function<void()>& start) {
    Refresh result;
    QEventLoop loop;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    Clock::time_point lastTick;
    const Clock::time_point begin = Clock::now();
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        const Clock::time_point now = Clock::now();
        result.maxStallMs = std::max(result.maxStallMs, Ms(now - lastTick));
        lastTick = now;
        hl::CPortListCtrl& list = dlg.List();
        if (hl::CWorkerThread::LiveCount() == 0 &&
            list.GetVisibleRowCount() == list.GetItemCount()) {
            result.fillMs = Ms(now - begin);
            result.rows = list.GetItemCount();
            result.finished = true;
            loop.quit();
        }
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    lastTick = Clock::now();
    ticker.start();
    start();
    loop.exec();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: gui_bench [--runs R]\n");
            return 2;
        }
    }
    if (runs <= 0) {
        std::fprintf(stderr, "gui_bench: --runs must be positive\n");
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QTemporaryDir config;
    if (!config.isValid()) {
        std::fprintf(stderr, "gui_bench: no temporary folder\n");
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());

    auto system = std::make_shared<hl::LinuxSystem>();
    NoShell shell;
    hl::PortsDlgServices services;
    services.shell = &shell;
    services.system = system;
    services.trace = std::make_shared<hl::NullTraceSink>();
    hl::CPortsDlg dlg(std::move(services));

    // The first refresh comes with the window; it warms the caches and is not counted.
    const Refresh first = TimeRefresh(dlg, [&] { dlg.Create(); });
    if (!first.finished) {
        std::fprintf(stderr, "gui_bench: the first refresh did not finish\n");
        return 1;
    }

    std::vector<double> fills;
    std::vector<double> memoryFills;
    double maxStall = 0;
    int rows = 0;
    for (int run = 0; run < runs; ++run) {
        const Refresh refresh = TimeRefresh(dlg, [&] { dlg.StartRefresh(); });
        if (!refresh.finished) {
            std::fprintf(stderr, "gui_bench: refresh %d did not finish\n", run + 1);
            return 1;
        }
        fills.push_back(refresh.fillMs);
        maxStall = std::max(maxStall, refresh.maxStallMs);
        rows = refresh.rows;

        hl::NullTraceSink trace;
        hl::MemoryList memory;
        const Clock::time_point begin = Clock::now();
        const hl::SystemView view = system->OpenView();
        hl::FillTables(memory, *view.ipHelper, *view.processes, trace, 1, 1);
        memoryFills.push_back(Ms(Clock::now() - begin));
        std::fprintf(stderr,
                     "gui_bench: run %d: %d rows in %.1f ms (stall %.1f ms), memory %.1f ms\n",
                     run + 1, refresh.rows, refresh.fillMs, refresh.maxStallMs, memoryFills.back());
    }
    dlg.EndDialog(0);
    std::printf("rows=%d fill_ms=%.1f max_stall_ms=%.1f memory_fill_ms=%.1f\n", rows, Median(fills),
                maxStall, Median(memoryFills));
    return 0;
}
