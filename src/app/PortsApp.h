#pragma once

#include "app/CommandLine.h"

namespace hl {

// The application: runs the main dialog modally; that dialog's loop is the program's only
// event loop, and the program ends when the dialog ends. Needs a QApplication.
class CPortsApp {
public:
    explicit CPortsApp(CommandLine options = {}) : m_options(options) {}

    // Runs the main dialog to its end; false, so that the program ends then.
    bool InitInstance();

private:
    CommandLine m_options;
};

} // namespace hl
