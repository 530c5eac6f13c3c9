#include "app/QtShell.h"

#include <QDesktopServices>
#include <QString>
#include <cstring>

namespace hl {
namespace {

// QSystemTrayIcon reports presses, not releases: a left press, a double-click, the context
// request that comes with a right press, and a middle press.
bool ToMouseMessage(QSystemTrayIcon::ActivationReason reason, TrayMouseMessage& message) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        message = TrayMouseMessage::LButtonDown;
        return true;
    case QSystemTrayIcon::DoubleClick:
        message = TrayMouseMessage::LButtonDblClk;
        return true;
    case QSystemTrayIcon::Context:
        message = TrayMouseMessage::RButtonDown;
        return true;
    case QSystemTrayIcon::MiddleClick:
        message = TrayMouseMessage::MButtonDown;
        return true;
    default:
        return false;
    }
}

} // namespace

QtShell::~QtShell() = default;

bool QtShell::HasNotificationArea() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtShell::NotifyIcon(NotifyIconMessage message, const NotifyIconData& data) {
    const Key key{data.hWnd, data.uID};
    if (message == NotifyIconMessage::Delete) {
        return m_icons.erase(key) > 0;
    }
    if (data.hWnd == nullptr || m_icons.count(key) > 0 || !HasNotificationArea()) {
        return false;
    }
    auto icon = std::make_unique<QSystemTrayIcon>();
    if ((data.uFlags & NIF_ICON) != 0) {
        icon->setIcon(data.hIcon);
    }
    if ((data.uFlags & NIF_TIP) != 0) {
        const size_t length = strnlen(data.szTip.data(), data.szTip.size());
        icon->setToolTip(QString::fromUtf8(data.szTip.data(), static_cast<qsizetype>(length)));
    }
    if ((data.uFlags & NIF_MESSAGE) != 0) {
        ITrayCallback* target = data.hWnd;
        const uint32_t id = data.uID;
        QObject::connect(icon.get(), &QSystemTrayIcon::activated,
                         [target, id](QSystemTrayIcon::ActivationReason reason) {
                             TrayMouseMessage mouse{};
                             if (ToMouseMessage(reason, mouse)) {
                                 target->OnTrayNotification(id, mouse);
                             }
                         });
    }
    icon->show();
    m_icons.emplace(key, std::move(icon));
    return true;
}

bool QtShell::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

} // namespace hl
