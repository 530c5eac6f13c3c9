#pragma once

#include "app/Shell.h"
#include "app/StaticLink.h"
#include "app/TrayHostDlg.h"

#include <QLabel>
#include <QPushButton>
#include <memory>
#include <vector>

namespace hl {

// The About box: the program's icon, name and version, its maker and year, and the maker's
// web address as a link. A tray dialog without a tray icon, tip or menu and without a
// minimise box, so it never goes to the tray. Built for one showing.
class CAboutBox : public CTrayHostDlg {
    Q_OBJECT
public:
    explicit CAboutBox(IShell& shell);
    ~CAboutBox() override;

    CStaticLink& Link() { return m_wndLink; }
    QPushButton* OkButton() const { return m_pOkButton; }

protected:
    bool OnInitDialog() override;

private:
    void CreateControls();

    CStaticLink m_wndLink;
    QPushButton* m_pOkButton = nullptr; // owned by the client area
};

} // namespace hl
