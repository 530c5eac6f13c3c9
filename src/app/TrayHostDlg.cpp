#include "app/TrayHostDlg.h"

#include "resources/Icons.h"
#include "resources/MenuBuilder.h"
#include "resources/ResourceIds.h"

#include <QAction>
#include <QCursor>
#include <QEvent>
#include <QMetaObject>
#include <QWindowStateChangeEvent>
#include <algorithm>
#include <cstring>

namespace hl {
namespace {

// The length of the longest prefix of `text` that fits `limit` bytes without cutting a
// UTF-8 sequence.
size_t Utf8PrefixLength(const std::string& text, size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    size_t length = limit;
    // Step back over continuation bytes to the start of the cut sequence, and drop it.
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;
    }
    return length;
}

} // namespace

CTrayHostDlg::CTrayHostDlg(int templateId, QWidget* parent, IShell& shell)
    : TemplateDialog(templateId, parent), m_shell(shell) {
    m_nid.uFlags = NIF_MESSAGE;
    m_nid.uCallbackMessage = kTrayCallbackMessage;
    // The window exists from here on.
    m_nid.hWnd = this;
    m_nid.uID = kTrayIconId;
}

CTrayHostDlg::~CTrayHostDlg() {
    DestroyOnce();
}

QIcon CTrayHostDlg::SetTrayIcon(unsigned iconId) {
    QIcon icon = LoadIconResource(static_cast<int>(iconId));
    if (!icon.isNull()) {
        m_nid.hIcon = icon;
        m_nid.uFlags |= NIF_ICON;
    }
    return icon;
}

void CTrayHostDlg::SetTrayTip(const std::string& tip) {
    const size_t length = Utf8PrefixLength(tip, m_nid.szTip.size() - 1);
    m_nid.szTip.fill('\0');
    std::memcpy(m_nid.szTip.data(), tip.data(), length);
    m_nid.uFlags |= NIF_TIP;
}

bool CTrayHostDlg::SetTrayMenu(unsigned menuId) {
    const MenuResource* menu = FindMenu(static_cast<int>(menuId));
    if (menu == nullptr) {
        return false;
    }
    m_trayMenu = menu;
    return true;
}

bool CTrayHostDlg::AddTrayIcon() {
    if (m_bIconInTray) {
        return false;
    }
    const bool added = m_shell.NotifyIcon(NotifyIconMessage::Add, m_nid);
    if (added) {
        m_bIconInTray = true;
    }
    return added;
}

bool CTrayHostDlg::RemoveTrayIcon() {
    if (!m_bIconInTray) {
        return false;
    }
    const bool removed = m_shell.NotifyIcon(NotifyIconMessage::Delete, m_nid);
    if (removed) {
        m_bIconInTray = false;
    }
    return removed;
}

void CTrayHostDlg::OnDestroy() {
    TemplateDialog::OnDestroy();
    m_pTrayPopup.reset();
    if (m_nid.hWnd != nullptr && m_nid.uID > 0 && m_bIconInTray) {
        m_shell.NotifyIcon(NotifyIconMessage::Delete, m_nid);
    }
    // The window is gone: nothing can be shown or removed for it any more.
    m_nid.hWnd = nullptr;
}

void CTrayHostDlg::OnTrayNotification(unsigned iconId, TrayMouseMessage message) {
    if (iconId != kTrayIconId) {
        return;
    }
    const QPoint cursor = QCursor::pos();
    const int x = cursor.x();
    const int y = cursor.y();
    switch (message) {
    case TrayMouseMessage::LButtonDown:
        OnTrayLButtonDown(x, y);
        break;
    case TrayMouseMessage::LButtonDblClk:
        OnTrayLButtonDblClk(x, y);
        break;
    case TrayMouseMessage::RButtonDown:
    case TrayMouseMessage::ContextMenu:
        OnTrayContextMenu(x, y);
        break;
    case TrayMouseMessage::RButtonDblClk:
        OnTrayRButtonDblClk(x, y);
        break;
    case TrayMouseMessage::MouseMove:
        OnTrayMouseMove(x, y);
        break;
    default:
        break; // the button-up and middle-button messages
    }
}

void CTrayHostDlg::OnTrayLButtonDown(int, int) {}

void CTrayHostDlg::OnTrayLButtonDblClk(int, int) {
    if (m_bMinimizeToTray && RemoveTrayIcon()) {
        ShowFromTray();
    }
}

void CTrayHostDlg::OnTrayContextMenu(int x, int y) {
    if (m_trayMenu == nullptr || m_trayMenu->popups.empty()) {
        return;
    }
    m_pTrayPopup = BuildPopupMenu(m_trayMenu->popups.front());
    const QList<QAction*> actions = m_pTrayPopup->actions();
    if (m_nDefaultMenuItem < static_cast<unsigned>(actions.size())) {
        // Qt's styles draw the default item in bold.
        m_pTrayPopup->setDefaultAction(actions[static_cast<qsizetype>(m_nDefaultMenuItem)]);
    }
    connect(m_pTrayPopup.get(), &QMenu::triggered, this, [this](QAction* action) {
        if (const int id = CommandIdOf(action); id != 0) {
            PostCommand(id);
        }
    });
    if (isVisible()) {
        activateWindow();
    }
    // The menu's bottom edge at the cursor, its left edge at x.
    const QSize size = m_pTrayPopup->sizeHint();
    m_pTrayPopup->popup(QPoint(x, y - size.height()));
}

// An X11 window manager places a window that is mapped again like a new one; putting it
// back at its rectangle keeps it where the user left it.
void CTrayHostDlg::ShowFromTray() {
    show();
    if (m_rcBeforeTray.isValid() && !isMaximized()) {
        setGeometry(m_rcBeforeTray);
    }
    raise();
    activateWindow();
}

void CTrayHostDlg::OnTrayRButtonDblClk(int, int) {}

void CTrayHostDlg::OnTrayMouseMove(int, int) {}

bool CTrayHostDlg::OnSysCommand(unsigned command) {
    if (!m_bMinimizeToTray || (command & 0xFFF0) != SC_MINIMIZE) {
        return false;
    }
    if (!m_shell.HasNotificationArea()) {
        return false; // minimises as in any window
    }
    // Hidden, not minimised: shown again, the window has the state it had before.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    if (AddTrayIcon()) {
        m_rcBeforeTray = geometry();
        // Hidden once the minimise has been handled to its end: Qt may still show the
        // window as part of it.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_bIconInTray) {
                    hide();
                }
            },
            Qt::QueuedConnection);
    }
    return true;
}

void CTrayHostDlg::changeEvent(QEvent* event) {
    TemplateDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) {
        return;
    }
    // Qt reports a minimise once the window state has changed; undoing it and hiding the
    // window stands for handling the minimise command.
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool minimised = (windowState() & Qt::WindowMinimized) != 0;
    const bool wasMinimised = (change->oldState() & Qt::WindowMinimized) != 0;
    if (minimised && !wasMinimised) {
        OnSysCommand(SC_MINIMIZE);
    }
}

} // namespace hl
