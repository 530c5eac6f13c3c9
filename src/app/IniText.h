#pragma once

#include <optional>
#include <string>

namespace hl {

// The text of an INI file: `[section]` headings, `entry=value` lines, comment lines starting
// with ';' or '#'. Names compare exactly. A value is read as the Qt settings classes write one:
// spaces around it dropped, "quoted" parts and backslash escapes decoded, an unquoted ';' ending
// it; a value with an unquoted ',' is a list, and "@Name(...)" a typed value, neither of them one
// text. "@@" stands for a leading '@'.
class IniText {
public:
    // The entry's text (the last line of that name in the last section of that name counts);
    // nothing when it is missing or not one text.
    static std::optional<std::string> Get(const std::string& text, const std::string& section,
                                          const std::string& entry);

    // `text` with the entry set to `value`: its line replaced, else a line added at the end of
    // the section, else the section added at the end. Every other line stays byte for byte.
    static std::string Set(const std::string& text, const std::string& section,
                           const std::string& entry, const std::string& value);

    // `value` written so that Get reads it back unchanged.
    static std::string Encode(const std::string& value);
};

} // namespace hl
