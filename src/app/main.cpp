#include "app/PortsApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    hl::CPortsApp app;
    return app.InitInstance() ? application.exec() : 0;
}
