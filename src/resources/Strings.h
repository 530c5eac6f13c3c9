#pragma once

namespace hl {

// The maker of the program and its web address, shown by the About box (and the address by
// the status line).
inline constexpr const char* kMakerName = "The Harborlight Project";
inline constexpr const char* kMakerWebAddress = "https://harborlight.example.org/";
// The program's id on the desktop: the name of its desktop entry, AppStream data and icons.
inline constexpr const char* kDesktopId = "org.example.Harborlight";
// The About box's line with the year of publication.
inline constexpr const char* kPublicationLine = "Published in 2026";

// The string resource with this id (a command's "prompt\nlabel" text), or nullptr.
const char* FindString(int id);

} // namespace hl
