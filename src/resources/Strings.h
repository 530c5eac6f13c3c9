#pragma once

namespace hl {

// The string resource with this id (a command's "prompt\nlabel" text), or nullptr.
const char* FindString(int id);

} // namespace hl
