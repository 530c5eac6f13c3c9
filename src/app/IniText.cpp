#include "app/IniText.h"

#include <charconv>
#include <string_view>
#include <vector>

namespace hl {
namespace {

constexpr std::string_view kSpaces = " \t";

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(kSpaces);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
}

// One line of the file without its line end, and where it lies in the text.
struct Line {
    std::string_view content;
    size_t begin = 0;
    size_t end = 0; // after the line end
};

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t newline = text.find('\n', begin);
        const size_t end = newline == std::string_view::npos ? text.size() : newline + 1;
        size_t contentEnd = newline == std::string_view::npos ? text.size() : newline;
        if (contentEnd > begin && text[contentEnd - 1] == '\r') {
            --contentEnd;
        }
        lines.push_back({text.substr(begin, contentEnd - begin), begin, end});
        begin = end;
    }
    return lines;
}

// The section a heading line names; nothing for any other line.
std::optional<std::string_view> Heading(std::string_view line) {
    line = Trimmed(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') {
        return std::nullopt;
    }
    return line.substr(1, line.size() - 2);
}

bool IsComment(std::string_view line) {
    line = Trimmed(line);
    return line.empty() || line.front() == ';' || line.front() == '#';
}

// The entry name and raw value of an entry line; nothing for any other line.
std::optional<std::pair<std::string_view, std::string_view>> EntryOf(std::string_view line) {
    if (IsComment(line) || Heading(line)) {
        return std::nullopt;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return std::pair{Trimmed(line.substr(0, equals)), line.substr(equals + 1)};
}

// Decodes a raw value; nothing when it is a list.
std::optional<std::string> Decode(std::string_view raw) {
    raw = Trimmed(raw);
    std::string out;
    size_t kept = 0; // the length without unquoted spaces at its end
    bool quoted = false;
    size_t i = 0;
    while (i < raw.size()) {
        const char c = raw[i++];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && c == ';') {
            break;
        }
        if (!quoted && c == ',') {
            return std::nullopt;
        }
        if (c == '\\' && i < raw.size()) {
            const char e = raw[i++];
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'a':
                out += '\a';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'v':
                out += '\v';
                break;
            case '0':
                out += '\0';
                break;
            case 'x': {
                // Up to two hex digits; none gives a NUL, as after "\\0".
                unsigned value = 0;
                const std::string_view digits = raw.substr(i, 2);
                const auto parsed =
                    std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
                i += static_cast<size_t>(parsed.ptr - digits.data());
                out += static_cast<char>(value);
                break;
            }
            default:
                out += e;
                break; // \\, \", \; and \, stand for themselves
            }
            kept = out.size();
            continue;
        }
        out += c;
        if (quoted || (c != ' ' && c != '\t')) {
            kept = out.size();
        }
    }
    out.resize(kept);
    if (out.starts_with("@@")) {
        return out.substr(1);
    }
    if (out.starts_with('@') && out.ends_with(')')) {
        return std::nullopt; // a typed value such as @ByteArray(...)
    }
    return out;
}

} // namespace

std::optional<std::string> IniText::Get(const std::string& text, const std::string& section,
                                        const std::string& entry) {
    std::optional<std::string_view> found;
    bool inSection = false;
    for (const Line& line : SplitLines(text)) {
        if (const auto heading = Heading(line.content)) {
            inSection = *heading == section;
        } else if (const auto pair = EntryOf(line.content); inSection && pair) {
            if (pair->first == entry) {
                found = pair->second;
            }
        }
    }
    if (!found) {
        return std::nullopt;
    }
    return Decode(*found);
}

std::string IniText::Encode(const std::string& value) {
    std::string body;
    bool quote = !value.empty() && (value.front() == ' ' || value.front() == '\t' ||
                                    value.back() == ' ' || value.back() == '\t');
    if (value.starts_with('@')) {
        body += '@';
    }
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\':
            body += "\\\\";
            break;
        case '"':
            body += "\\\"";
            break;
        case '\n':
            body += "\\n";
            break;
        case '\r':
            body += "\\r";
            break;
        case '\t':
            body += "\\t";
            break;
        case ',':
        case ';':
        case '=':
            quote = true;
            body += c;
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                body += "\\x";
                body += kHex[byte >> 4];
                body += kHex[byte & 15];
            } else {
                body += c;
            }
        }
    }
    return quote ? '"' + body + '"' : body;
}

std::string IniText::Set(const std::string& text, const std::string& section,
                         const std::string& entry, const std::string& value) {
    const std::string line = entry + "=" + Encode(value);
    const std::vector<Line> lines = SplitLines(text);
    // The last line of the entry in the section, else the end of the section's last entry.
    std::optional<size_t> replace;
    std::optional<size_t> sectionEnd;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const auto heading = Heading(lines[i].content)) {
            inSection = *heading == section;
            if (inSection) {
                sectionEnd = i;
            }
        } else if (inSection) {
            if (const auto pair = EntryOf(lines[i].content)) {
                sectionEnd = i;
                if (pair->first == entry) {
                    replace = i;
                }
            }
        }
    }
    const std::string_view lineEnd =
        !lines.empty() && lines.front().end > lines.front().begin &&
                text.compare(lines.front().begin + lines.front().content.size(), 2, "\r\n") == 0
            ? "\r\n"
            : "\n";
    if (replace) {
        const Line& old = lines[*replace];
        const size_t contentEnd = old.begin + old.content.size();
        return text.substr(0, old.begin) + line + text.substr(contentEnd);
    }
    if (sectionEnd) {
        const Line& after = lines[*sectionEnd];
        std::string head = text.substr(0, after.end);
        if (after.end == text.size() && !text.ends_with('\n')) {
            head += lineEnd;
        }
        return head + line + std::string(lineEnd) + text.substr(after.end);
    }
    std::string out = text;
    if (!out.empty() && !out.ends_with('\n')) {
        out += lineEnd;
    }
    if (!out.empty()) {
        out += lineEnd;
    }
    return out + "[" + section + "]" + std::string(lineEnd) + line + std::string(lineEnd);
}

} // namespace hl
