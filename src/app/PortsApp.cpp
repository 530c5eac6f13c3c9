#include "app/PortsApp.h"

#include "app/AppProfile.h"
#include "app/ExitSignals.h"
#include "app/PortsDlg.h"
#include "app/QtShell.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/PosixFiles.h"
#include "resources/ResourceIds.h"
#include "settings/store/RegFileStore.h"
#include "workers/WorkerThread.h"

#include <QApplication>
#include <cstdio>

namespace hl {
namespace {

constexpr std::chrono::seconds kWorkerEndBound{10};

// Trace lines are debug output: on standard output, a line at a time, only when asked for.
std::shared_ptr<ITraceSink> MakeTraceSink(bool trace) {
    if (!trace) {
        return std::make_shared<NullTraceSink>();
    }
    return std::make_shared<StreamTraceSink>(stdout, true);
}

} // namespace

bool CPortsApp::InitInstance() {
    // Hiding the window in the tray must not end the program; the dialog's end does.
    QApplication::setQuitOnLastWindowClosed(false);

    QtShell shell;
    PortsDlgServices services;
    services.shell = &shell;
    services.system = std::make_shared<LinuxSystem>();
    services.trace = MakeTraceSink(m_options.trace);
    services.registry = std::make_shared<RegFileStore>();
    services.files = std::make_shared<PosixFiles>();
    services.exportLocation = ExportLocation::ForThisProcess();
    services.programDir = services.exportLocation.ExecutableFolder();
    services.profile = std::make_shared<CAppProfile>(CAppProfile::DefaultPath());

    CPortsDlg dialog(std::move(services));
    // A termination signal ends the program as File > Exit does.
    const ExitSignals exitSignals([&dialog](int) { dialog.OnCommand(ID_FILE_EXIT); });
    dialog.DoModal();
    // The window has cut the workers off, so a running one only finishes its table read;
    // letting it end keeps its trace lines whole and nothing runs while the program unwinds.
    CWorkerThread::WaitUntilNoneLive(kWorkerEndBound);
    std::fflush(stdout);
    return false;
}

} // namespace hl
