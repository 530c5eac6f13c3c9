#pragma once

#include <span>

namespace hl {

// The command id of a separator among a toolbar's items.
inline constexpr int ID_SEPARATOR = 0;

// A toolbar resource: the size of its button images and its items from left to right, each
// a command id or ID_SEPARATOR. The buttons' images are taken in button order (separators
// do not count).
struct ToolbarResource {
    int id;
    int imageWidth;
    int imageHeight;
    std::span<const int> items;
};

// The toolbar resource with this id, or nullptr.
const ToolbarResource* FindToolbar(int id);

} // namespace hl
