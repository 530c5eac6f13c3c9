#include "app/CommandLine.h"
#include "app/PortsApp.h"
#include "platform/Heap.h"
#include "resources/Icons.h"
#include "resources/ResourceIds.h"
#include "resources/Strings.h"

#include <QApplication>
#include <QThreadPool>
#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    // Writing to a standard output whose reader has gone fails with EPIPE instead of ending
    // the program.
    std::signal(SIGPIPE, SIG_IGN);
    // Two heap arenas: the UI thread's and one that the workers share, so that the rows one
    // refresh frees serve the next one.
    hl::LimitHeapArenas(2);

    // --help before the toolkit starts, so that it works without a display.
    if (hl::ParseCommandLine(argc, argv).help) {
        std::fputs(hl::Usage(), stdout);
        return 0;
    }
    QApplication application(argc, argv);
    // The toolkit splits large fills of a paint over the threads of the global pool. One
    // helper, let go a second after the paint, keeps the window at few threads while
    // monitoring repaints it every second.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    QThreadPool::globalInstance()->setExpiryTimeout(1000);
    // The desktop entry's id: the window, the tray and the menu entry share its icon.
    QGuiApplication::setDesktopFileName(QString::fromUtf8(hl::kDesktopId));
    QGuiApplication::setWindowIcon(hl::LoadIconResource(hl::IDR_MAINFRAME));
    // What the toolkit has not taken is ours.
    const hl::CommandLine options = hl::ParseCommandLine(argc, argv);
    if (!options.error.empty()) {
        std::fprintf(stderr, "harborlight: unknown option %s\n", options.error.c_str());
        std::fputs(hl::Usage(), stderr);
        return 2;
    }
    hl::CPortsApp app(options);
    return app.InitInstance() ? application.exec() : 0;
}
