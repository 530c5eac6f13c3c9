#include "app/QtShell.h"

#include "app/OpenRoute.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <cstdio>
#include <cstring>
#include <pwd.h>

namespace hl {
namespace {

// What xdg-open is given: a local file as its path, anything else as the address.
QString OpenArgument(const QUrl& url) {
    return url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded);
}

void ReportNotOpened(const QUrl& url, const char* why) {
    std::fprintf(stderr, "harborlight: %s not opened: %s\n",
                 OpenArgument(url).toLocal8Bit().constData(), why);
}

// Opens `url` in `user`'s desktop session: xdg-open as that user, with the session's
// runtime folder and bus where the machine has them.
bool OpenAsUser(const std::string& user, const QUrl& url) {
    const passwd* entry = ::getpwnam(user.c_str());
    if (entry == nullptr) {
        return false;
    }
    QStringList arguments{QStringLiteral("-u"), QString::fromStdString(user), QStringLiteral("--"),
                          QStringLiteral("env")};
    const QString runtime = QStringLiteral("/run/user/%1").arg(entry->pw_uid);
    if (QFileInfo(runtime).isDir()) {
        arguments << QStringLiteral("XDG_RUNTIME_DIR=") + runtime;
        if (QFileInfo::exists(runtime + QStringLiteral("/bus"))) {
            arguments << QStringLiteral("DBUS_SESSION_BUS_ADDRESS=unix:path=") + runtime +
                             QStringLiteral("/bus");
        }
    }
    arguments << QStringLiteral("xdg-open") << OpenArgument(url);
    QProcess process;
    process.setProgram(QStringLiteral("runuser"));
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace

std::vector<TrayMouseMessage> TrayMessagesFor(QSystemTrayIcon::ActivationReason reason,
                                              bool hostReportsDoubleClick) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        if (!hostReportsDoubleClick) {
            return {TrayMouseMessage::LButtonDown, TrayMouseMessage::LButtonDblClk};
        }
        return {TrayMouseMessage::LButtonDown};
    case QSystemTrayIcon::DoubleClick:
        return {TrayMouseMessage::LButtonDblClk};
    case QSystemTrayIcon::Context:
        return {TrayMouseMessage::RButtonDown};
    case QSystemTrayIcon::MiddleClick:
        return {TrayMouseMessage::MButtonDown};
    default:
        return {};
    }
}

// Qt itself takes the StatusNotifierItem route when a watcher with a registered host is on
// the session bus; the same test tells which kind of host shows our icon.
bool QtShell::HostReportsDoubleClick() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.isConnected() || bus.interface() == nullptr ||
        !bus.interface()->isServiceRegistered(watcher).value()) {
        return true;
    }
    QDBusInterface props(watcher, QStringLiteral("/StatusNotifierWatcher"), watcher, bus);
    return !props.property("IsStatusNotifierHostRegistered").toBool();
}

QtShell::~QtShell() = default;

bool QtShell::HasNotificationArea() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtShell::NotifyIcon(NotifyIconMessage message, const NotifyIconData& data) {
    const Key key{data.hWnd, data.uID};
    if (message == NotifyIconMessage::Delete) {
        const auto it = m_icons.find(key);
        if (it == m_icons.end()) {
            return false;
        }
        // The delete may come from the icon's own activation (a double-click restores the
        // window): the icon goes from the screen now and from memory once that call is over.
        QSystemTrayIcon* icon = it->second.release();
        m_icons.erase(it);
        icon->hide();
        icon->deleteLater();
        return true;
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
        const bool doubleClicks = HostReportsDoubleClick();
        QObject::connect(icon.get(), &QSystemTrayIcon::activated,
                         [target, id, doubleClicks](QSystemTrayIcon::ActivationReason reason) {
                             for (const TrayMouseMessage mouse :
                                  TrayMessagesFor(reason, doubleClicks)) {
                                 target->OnTrayNotification(id, mouse);
                             }
                         });
    }
    icon->show();
    m_icons.emplace(key, std::move(icon));
    return true;
}

bool QtShell::OpenUrl(const QUrl& url) {
    const OpenRoute route = OpenRoute::ForThisProcess();
    switch (route.kind) {
    case OpenRoute::Kind::Direct:
        return QDesktopServices::openUrl(url);
    case OpenRoute::Kind::AsUser:
        if (OpenAsUser(route.user, url)) {
            return true;
        }
        ReportNotOpened(url, "could not start xdg-open as the user who ran sudo");
        return false;
    case OpenRoute::Kind::Skip:
        break;
    }
    ReportNotOpened(url, "the program runs as root and does not start other programs as root; "
                         "open it as your own user");
    return false;
}

} // namespace hl
