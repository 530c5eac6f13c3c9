#pragma once

#include "app/Shell.h"

#include <QSystemTrayIcon>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace hl {

// The mouse messages that one activation of a QSystemTrayIcon stands for. Qt reports
// presses, not releases: a left press, a double-click, the context request that comes with
// a right press, and a middle press. A tray host that reports no double-click (the
// StatusNotifierItem hosts, which only report an activation) has the single activation
// stand for a press and a double-click, so that the hidden window can be brought back
// without the menu.
std::vector<TrayMouseMessage> TrayMessagesFor(QSystemTrayIcon::ActivationReason reason,
                                              bool hostReportsDoubleClick);

// The desktop shell through Qt: QSystemTrayIcon for the notification area,
// QDesktopServices for documents and web addresses. UI thread only.
class QtShell : public IShell {
public:
    QtShell() = default;
    ~QtShell() override;

    bool HasNotificationArea() const override;
    bool NotifyIcon(NotifyIconMessage message, const NotifyIconData& data) override;
    bool OpenUrl(const QUrl& url) override;

    // False when Qt shows the icons through a StatusNotifierItem host on the session bus
    // (KDE, GNOME's AppIndicator extension and others), which reports single activations
    // only; true for the older XEmbed tray, which reports double-clicks.
    static bool HostReportsDoubleClick();

private:
    using Key = std::pair<ITrayCallback*, uint32_t>;
    std::map<Key, std::unique_ptr<QSystemTrayIcon>> m_icons;
};

} // namespace hl
