#include "app/PortsApp.h"
#include "resources/Icons.h"
#include "resources/ResourceIds.h"
#include "resources/Strings.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The desktop entry's id: the window, the tray and the menu entry share its icon.
    QGuiApplication::setDesktopFileName(QString::fromUtf8(hl::kDesktopId));
    QGuiApplication::setWindowIcon(hl::LoadIconResource(hl::IDR_MAINFRAME));
    hl::CPortsApp app;
    return app.InitInstance() ? application.exec() : 0;
}
