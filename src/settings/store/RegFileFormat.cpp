#include "settings/store/RegFileFormat.h"

#include "platform/Text.h"

#include <cstdio>

namespace hl {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// Hex lists are wrapped so that no line grows much beyond this many characters.
constexpr size_t kWrapColumn = 76;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view Trim(std::string_view s) {
    return TrimLeft(TrimRight(s));
}

bool StartsSection(std::string_view line) {
    std::string_view t = TrimLeft(line);
    return !t.empty() && t.front() == '[';
}

bool EndsWithContinuation(std::string_view line) {
    std::string_view t = TrimRight(line);
    return !t.empty() && t.back() == '\\';
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && RegFoldCase(s.substr(0, prefix.size())) == prefix;
}

// 1 to maxDigits hex digits and nothing else.
bool ParseHexNumber(std::string_view s, size_t maxDigits, uint32_t& value) {
    if (s.empty() || s.size() > maxDigits) {
        return false;
    }
    value = 0;
    for (char c : s) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            return false;
        }
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return true;
}

// Physical lines of the text without their line ends; a final line end starts no new line.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        while (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

// A "quoted" text with \\ and \" escapes starting at s[pos]; pos ends after the closing quote.
bool ParseQuoted(std::string_view s, size_t& pos, std::string& out) {
    if (pos >= s.size() || s[pos] != '"') {
        return false;
    }
    out.clear();
    for (++pos; pos < s.size(); ++pos) {
        char c = s[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (pos + 1 >= s.size() || (s[pos + 1] != '\\' && s[pos + 1] != '"')) {
                return false;
            }
            c = s[++pos];
        }
        out.push_back(c);
    }
    return false;
}

bool ParseHexList(std::string_view s, std::vector<uint8_t>& data) {
    data.clear();
    if (Trim(s).empty()) {
        return true;
    }
    while (true) {
        size_t comma = s.find(',');
        std::string_view item = Trim(s.substr(0, comma));
        uint32_t byte = 0;
        if (!ParseHexNumber(item, 2, byte)) {
            return false;
        }
        data.push_back(static_cast<uint8_t>(byte));
        if (comma == std::string_view::npos) {
            return true;
        }
        s.remove_prefix(comma + 1);
    }
}

bool ParseData(std::string_view s, uint32_t& type, std::vector<uint8_t>& data) {
    if (!s.empty() && s.front() == '"') {
        size_t pos = 0;
        std::string text;
        if (!ParseQuoted(s, pos, text) || !Trim(s.substr(pos)).empty()) {
            return false;
        }
        type = kRegSz;
        data.assign(text.begin(), text.end());
        data.push_back(0);
        return true;
    }
    if (StartsWithNoCase(s, "dword:")) {
        uint32_t value = 0;
        if (!ParseHexNumber(Trim(s.substr(6)), 8, value)) {
            return false;
        }
        type = kRegDword;
        data = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
        return true;
    }
    if (StartsWithNoCase(s, "hex:")) {
        type = kRegBinary;
        return ParseHexList(s.substr(4), data);
    }
    if (StartsWithNoCase(s, "hex(")) {
        size_t close = s.find("):", 4);
        if (close == std::string_view::npos || !ParseHexNumber(s.substr(4, close - 4), 8, type)) {
            return false;
        }
        return ParseHexList(s.substr(close + 2), data);
    }
    return false;
}

// `"Name"=data` or `@=data`, already joined across continuation lines.
bool ParseValueLine(std::string_view line, RegValue& value) {
    std::string_view s = Trim(line);
    size_t pos = 0;
    if (!s.empty() && s.front() == '@') {
        value.name.clear();
        pos = 1;
    } else if (!ParseQuoted(s, pos, value.name) || !RegValidValueName(value.name)) {
        return false;
    }
    s = TrimLeft(s.substr(pos));
    if (s.empty() || s.front() != '=') {
        return false;
    }
    return ParseData(TrimLeft(s.substr(1)), value.type, value.data);
}

// `[ROOT\Path\To\Key]`.
bool ParseSectionLine(std::string_view line, RegRoot& root, std::vector<std::string>& path) {
    std::string_view s = Trim(line);
    if (s.size() < 2 || s.front() != '[' || s.back() != ']') {
        return false;
    }
    s = s.substr(1, s.size() - 2);
    size_t slash = s.find('\\');
    auto parsedRoot = RegRootFromName(s.substr(0, slash));
    if (!parsedRoot) {
        return false;
    }
    root = *parsedRoot;
    if (slash == std::string_view::npos) {
        path.clear();
        return true;
    }
    return RegSplitKeyPath(s.substr(slash + 1), path);
}

class Parser {
public:
    Parser(std::vector<std::string_view> lines, RegDocument& document)
        : m_lines(std::move(lines)), m_document(document) {}

    // Everything after the header line.
    void Run(size_t first) {
        for (m_next = first; m_next < m_lines.size();) {
            std::string_view line = m_lines[m_next++];
            if (Trim(line).empty()) {
                continue;
            }
            if (StartsSection(line)) {
                StartSection(line);
            } else if (m_pKeptSection != nullptr) {
                m_pKeptSection->lines.emplace_back(line);
            } else if (m_pKey == nullptr) {
                m_document.Preamble().emplace_back(line);
            } else {
                ReadEntry(line);
            }
        }
    }

private:
    void StartSection(std::string_view line) {
        RegRoot root = 0;
        std::vector<std::string> path;
        m_pKey = nullptr;
        m_pKeptSection = nullptr;
        if (ParseSectionLine(line, root, path)) {
            bool created = false;
            m_pKey = m_document.CreateKey(root, path, created);
        } else {
            m_document.KeptSections().push_back(RegKeptLines{{std::string(line)}});
            m_pKeptSection = &m_document.KeptSections().back();
        }
    }

    // One value, joined with the lines that continue it, or the lines kept as they were.
    void ReadEntry(std::string_view line) {
        std::vector<std::string> raw{std::string(line)};
        std::string logical(TrimRight(line));
        while (EndsWithContinuation(logical) && m_next < m_lines.size() &&
               !Trim(m_lines[m_next]).empty() && !StartsSection(m_lines[m_next])) {
            std::string_view continued = m_lines[m_next++];
            raw.emplace_back(continued);
            logical.pop_back();
            logical += Trim(continued);
        }
        RegValue value;
        if (ParseValueLine(logical, value)) {
            m_pKey->SetValue(value.name, value.type, std::move(value.data));
        } else {
            m_pKey->AddKeptLines(std::move(raw));
        }
    }

    std::vector<std::string_view> m_lines;
    RegDocument& m_document;
    size_t m_next = 0;
    RegKeyNode* m_pKey = nullptr;
    RegKeptLines* m_pKeptSection = nullptr;
};

void AppendQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    out.push_back('"');
}

// A text value that the quoted form carries unchanged: one terminating NUL, no other control
// character.
bool IsPlainText(const RegValue& value) {
    if (value.type != kRegSz || value.data.empty() || value.data.back() != 0) {
        return false;
    }
    for (size_t i = 0; i + 1 < value.data.size(); ++i) {
        if (value.data[i] < 0x20) {
            return false;
        }
    }
    return true;
}

void AppendHexList(std::string& out, size_t lineStart, const std::vector<uint8_t>& data) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < data.size(); ++i) {
        if (i > 0 && out.size() - lineStart + 3 > kWrapColumn) {
            out += "\\\n  ";
            lineStart = out.size() - 2;
        }
        out.push_back(kDigits[data[i] >> 4]);
        out.push_back(kDigits[data[i] & 0x0f]);
        if (i + 1 < data.size()) {
            out.push_back(',');
        }
    }
}

void AppendValue(std::string& out, const RegValue& value) {
    size_t lineStart = out.size();
    if (value.name.empty()) {
        out.push_back('@');
    } else {
        AppendQuoted(out, value.name);
    }
    out.push_back('=');
    if (IsPlainText(value)) {
        AppendQuoted(out, std::string_view(reinterpret_cast<const char*>(value.data.data()),
                                           value.data.size() - 1));
    } else if (value.type == kRegDword && value.data.size() == 4) {
        char digits[16];
        uint32_t number =
            static_cast<uint32_t>(value.data[0]) | static_cast<uint32_t>(value.data[1]) << 8 |
            static_cast<uint32_t>(value.data[2]) << 16 | static_cast<uint32_t>(value.data[3]) << 24;
        std::snprintf(digits, sizeof digits, "dword:%08x", number);
        out += digits;
    } else {
        if (value.type == kRegBinary) {
            out += "hex:";
        } else {
            char prefix[24];
            std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
            out += prefix;
        }
        AppendHexList(out, lineStart, value.data);
    }
    out.push_back('\n');
}

void AppendLines(std::string& out, const std::vector<std::string>& lines) {
    for (const auto& line : lines) {
        out += line;
        out.push_back('\n');
    }
}

// `path` is the key's full name; it is extended for the sub-keys and restored afterwards.
void AppendKey(std::string& out, const RegKeyNode& key, std::string& path, bool isRoot) {
    if (!isRoot || !key.Entries().empty()) {
        out += "\n[";
        out += path;
        out += "]\n";
        for (const auto& entry : key.Entries()) {
            if (const auto* value = std::get_if<RegValue>(&entry)) {
                AppendValue(out, *value);
                continue;
            }
            const auto& kept = std::get<RegKeptLines>(entry).lines;
            AppendLines(out, kept);
            // A kept line that ends in '\' would swallow the next line as its continuation;
            // a blank line ends it.
            if (!kept.empty() && EndsWithContinuation(kept.back())) {
                out.push_back('\n');
            }
        }
    }
    size_t length = path.size();
    for (const auto& child : key.Children()) {
        path.push_back('\\');
        path += child.Name();
        AppendKey(out, child, path, false);
        path.resize(length);
    }
}

} // namespace

bool ParseRegFile(std::string_view text, RegDocument& document) {
    document = RegDocument();
    if (text.find('\0') != std::string_view::npos) {
        return false;
    }
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        text.remove_prefix(kUtf8Bom.size());
    }
    std::vector<std::string_view> lines = SplitLines(text);
    size_t header = 0;
    while (header < lines.size() && Trim(lines[header]).empty()) {
        ++header;
    }
    if (header == lines.size()) {
        return true;
    }
    if (Trim(lines[header]) != kHeader) {
        return false;
    }
    Parser(std::move(lines), document).Run(header + 1);
    return true;
}

std::string WriteRegFile(const RegDocument& document) {
    std::string out(kHeader);
    out.push_back('\n');
    AppendLines(out, document.Preamble());
    for (const auto& root : document.Roots()) {
        std::string path = root.Name();
        AppendKey(out, root, path, true);
    }
    for (const auto& section : document.KeptSections()) {
        out.push_back('\n');
        AppendLines(out, section.lines);
    }
    out.push_back('\n');
    return out;
}

} // namespace hl
