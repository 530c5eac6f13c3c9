#include "app/QtShell.h"

#include "app/OpenRoute.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <cstdio>
#include <cstring>
#include <pwd.h>

namespace hl {
namespace {

// QSystemTrayIcon reports presses, not releases: a left press, a double-click, the context
// request that comes with a right press, and a middle press.
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
