#pragma once

#include "settings/store/RegDocument.h"

#include <string>
#include <string_view>

namespace hl {

// The registry export text format:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Example]
//   "Binary"=hex:01,00,00,00
//   "Number"=dword:0000000a
//   "Text"="a \"quoted\" word"
//   @="the key's default value"
//   "Other"=hex(7):61,00,00
//
// One section per key; a key whose section is missing but that has sub-key sections exists
// too. Long hex lists continue on the next line after a trailing '\'. Sections that repeat a
// key (in any case) add to it, and a value named again replaces the earlier one.
//
// A line this format does not understand is kept as it was: inside a key's section as an
// entry of that key, before the first section in the preamble, and a section whose key line
// is not understood is kept whole. A text without the REGEDIT4 header, or holding a NUL byte,
// is not a registry file at all. An empty text is an empty registry.

// Fills `document` from `text`. On failure `document` is left empty and false is returned.
bool ParseRegFile(std::string_view text, RegDocument& document);

// The text of `document`. Parsing it gives back an equal document.
std::string WriteRegFile(const RegDocument& document);

} // namespace hl
