#pragma once

#include "app/Shell.h"

#include <QSystemTrayIcon>
#include <map>
#include <memory>
#include <utility>

namespace hl {

// The desktop shell through Qt: QSystemTrayIcon for the notification area,
// QDesktopServices for documents and web addresses. UI thread only.
class QtShell : public IShell {
public:
    QtShell() = default;
    ~QtShell() override;

    bool HasNotificationArea() const override;
    bool NotifyIcon(NotifyIconMessage message, const NotifyIconData& data) override;
    bool OpenUrl(const QUrl& url) override;

private:
    using Key = std::pair<ITrayCallback*, uint32_t>;
    std::map<Key, std::unique_ptr<QSystemTrayIcon>> m_icons;
};

} // namespace hl
