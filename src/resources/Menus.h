#pragma once

#include <span>

namespace hl {

// One item of a popup: a command id with its text, or a separator (id 0, text nullptr).
struct MenuItem {
    int id;
    const char* text;
    bool IsSeparator() const { return id == 0; }
};

inline constexpr MenuItem kMenuSeparator{0, nullptr};

struct MenuPopup {
    const char* text;
    std::span<const MenuItem> items;
};

// A menu resource: its popups in order. A window menu shows them as its bar; a popup
// menu resource is shown through its first popup.
struct MenuResource {
    int id;
    std::span<const MenuPopup> popups;
};

// The menu resource with this id, or nullptr.
const MenuResource* FindMenu(int id);

} // namespace hl
