#include "app/PortsApp.h"

#include "app/PortsDlg.h"
#include "app/QtShell.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/PosixFiles.h"

#include <QApplication>
#include <cstdio>

namespace hl {

bool CPortsApp::InitInstance() {
    // Hiding the window in the tray must not end the program; the dialog's end does.
    QApplication::setQuitOnLastWindowClosed(false);

    QtShell shell;
    PortsDlgServices services;
    services.shell = &shell;
    services.system = std::make_shared<LinuxSystem>();
    services.trace = std::make_shared<StreamTraceSink>(stdout);
    services.files = std::make_shared<PosixFiles>();
    services.exportLocation = ExportLocation::ForThisProcess();
    services.programDir = services.exportLocation.ExecutableFolder();

    CPortsDlg dialog(std::move(services));
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return false;
}

} // namespace hl
