#pragma once

#include <string>

namespace hl {

enum class MessageIcon { Information, Exclamation };

// Message boxes without an owner window, callable from any thread. From a worker thread the
// call blocks that thread until the user dismisses the box; the UI thread stays free.
// Returns false when the box could not be shown (for example while the program is closing);
// such a call returns at once.
class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    virtual bool Show(const std::string& text, const std::string& title, MessageIcon icon) = 0;
};

// The title of every box the program shows.
inline constexpr const char* kAppTitle = "Harborlight Scanner";

} // namespace hl
