#pragma once

#include <QIcon>
#include <QUrl>
#include <array>
#include <cstdint>

namespace hl {

// Mouse messages the notification area reports for an icon.
enum class TrayMouseMessage {
    MouseMove,
    LButtonDown,
    LButtonUp,
    LButtonDblClk,
    RButtonDown,
    RButtonUp,
    RButtonDblClk,
    MButtonDown,
    MButtonUp,
    MButtonDblClk,
    ContextMenu,
};

// Where the notification area sends the mouse messages of an icon: the icon's id and the
// message, on the UI thread.
class ITrayCallback {
public:
    virtual void OnTrayNotification(unsigned iconId, TrayMouseMessage message) = 0;

protected:
    ~ITrayCallback() = default;
};

// Which fields of NotifyIconData are valid.
inline constexpr uint32_t NIF_MESSAGE = 0x1;
inline constexpr uint32_t NIF_ICON = 0x2;
inline constexpr uint32_t NIF_TIP = 0x4;

inline constexpr size_t kTrayTipSize = 128; // bytes, terminating zero included

// The description of one notification icon.
struct NotifyIconData {
    ITrayCallback* hWnd = nullptr; // receives the mouse messages
    uint32_t uID = 0;
    uint32_t uFlags = 0;
    uint32_t uCallbackMessage = 0;
    QIcon hIcon;
    std::array<char, kTrayTipSize> szTip{}; // zero-terminated
};

enum class NotifyIconMessage { Add, Delete };

// The desktop shell: the notification area, and opening documents and web addresses.
class IShell {
public:
    virtual ~IShell() = default;

    // False where the desktop has no notification area.
    virtual bool HasNotificationArea() const = 0;
    // Adds the icon (a target and id already shown are refused) or deletes it (an unknown
    // one is refused); true when done.
    virtual bool NotifyIcon(NotifyIconMessage message, const NotifyIconData& data) = 0;
    // Opens a file or a web address with the desktop's program for it; the real shell never
    // starts that program as root (see OpenRoute).
    virtual bool OpenUrl(const QUrl& url) = 0;
};

} // namespace hl
