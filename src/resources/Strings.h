#pragma once

namespace hl {

// The maker of the program and its web address, shown by the About box and the status line.
inline constexpr const char* kMakerName = "Harborlight project";
inline constexpr const char* kMakerWebAddress = "https://harborlight.example.org/";

// The string resource with this id (a command's "prompt\nlabel" text), or nullptr.
const char* FindString(int id);

} // namespace hl
