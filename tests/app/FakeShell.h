#pragma once

#include "app/Shell.h"

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace hl::test {

// A notification area that answers at once and records what it was asked; Click() plays
// the part of the user's mouse on an icon.
class FakeShell : public IShell {
public:
    struct Call {
        NotifyIconMessage message;
        NotifyIconData data;
    };

    bool notificationArea = true;
    bool refuse = false;    // every NotifyIcon fails
    bool openFails = false; // every OpenUrl fails, as with no program for the address

    bool HasNotificationArea() const override { return notificationArea; }

    bool NotifyIcon(NotifyIconMessage message, const NotifyIconData& data) override {
        calls.push_back({message, data});
        if (refuse) {
            return false;
        }
        const auto key = std::pair(data.hWnd, data.uID);
        if (message == NotifyIconMessage::Delete) {
            return icons.erase(key) > 0;
        }
        return icons.emplace(key, data).second;
    }

    bool OpenUrl(const QUrl& url) override {
        opened.push_back(url);
        return !openFails;
    }

    // The one icon shown, or nullptr.
    const NotifyIconData* Icon() const {
        return icons.size() == 1 ? &icons.begin()->second : nullptr;
    }
    static std::string Tip(const NotifyIconData& data) {
        return std::string(data.szTip.data(), strnlen(data.szTip.data(), data.szTip.size()));
    }
    // Sends a mouse message to the shown icon's target, with the given icon id.
    void Click(TrayMouseMessage message, unsigned iconId = 1) {
        if (const NotifyIconData* icon = Icon(); icon != nullptr && icon->hWnd != nullptr) {
            icon->hWnd->OnTrayNotification(iconId, message);
        }
    }

    std::vector<Call> calls;
    std::map<std::pair<ITrayCallback*, uint32_t>, NotifyIconData> icons;
    std::vector<QUrl> opened;
};

} // namespace hl::test
