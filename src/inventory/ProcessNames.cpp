#include "inventory/ProcessNames.h"

#include "platform/Text.h"

#include <algorithm>
#include <string_view>

namespace hl {
namespace {

// The length of the well-formed UTF-8 sequence at the start of `text` and its code point, or
// 0 when the first byte starts none (a stray continuation byte, an overlong form, a surrogate,
// a value past U+10FFFF, a sequence cut short).
size_t DecodeUtf8(std::string_view text, char32_t& cp) {
    const auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = at(0);
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    // Lead bytes 0xC0, 0xC1 and 0xF5-0xFF can only start overlong or out-of-range forms.
    size_t len = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
    } else {
        return 0;
    }
    constexpr char32_t kMinOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
    const char32_t min = kMinOfLength[len];
    cp = lead & (0x7F >> len);
    if (text.size() < len) {
        return 0;
    }
    for (size_t i = 1; i < len; ++i) {
        if ((at(i) & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (at(i) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return len;
}

// Characters that steer a terminal or the direction of the text around them.
bool IsHostile(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

} // namespace

std::string CProcessNames::MakeSafe(std::string name) {
    std::string safe;
    safe.reserve(name.size());
    std::string_view rest(name);
    while (!rest.empty()) {
        char32_t cp = 0;
        const size_t len = DecodeUtf8(rest, cp);
        if (len == 0 || IsHostile(cp)) {
            safe.push_back('?');
            rest.remove_prefix(len == 0 ? 1 : len);
        } else {
            safe.append(rest.substr(0, len));
            rest.remove_prefix(len);
        }
    }
    return safe;
}

std::string CProcessNames::GetWindowsDir() {
    std::optional<std::string> dir = m_processes.SystemDir();
    if (!dir) {
        return kErrorText;
    }
    while (!dir->empty() && IsAsciiSpace(dir->back())) {
        dir->pop_back();
    }
    return *dir;
}

std::string CProcessNames::GetProcessName(uint32_t pid) {
    if (!m_useStatusPath) {
        // An unreadable version takes the snapshot path, the one every current system uses.
        const std::optional<int> major = m_processes.OsMajorVersion();
        m_useStatusPath = major && *major == 4;
    }
    return *m_useStatusPath ? FromStatus(pid) : FromSnapshot(pid);
}

std::string CProcessNames::FromSnapshot(uint32_t pid) {
    if (!m_snapshotTaken) {
        m_snapshotTaken = true;
        m_snapshotOk = GetWindowsDir() != kErrorText && m_processes.Snapshot(m_snapshot) &&
                       !m_snapshot.empty();
        if (m_snapshotOk) {
            std::stable_sort(
                m_snapshot.begin(), m_snapshot.end(),
                [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
        }
    }
    if (!m_snapshotOk) {
        return kErrorText;
    }
    auto it = std::lower_bound(
        m_snapshot.begin(), m_snapshot.end(), pid,
        [](const ProcessEntry& entry, uint32_t wanted) { return entry.pid < wanted; });
    if (it == m_snapshot.end() || it->pid != pid) {
        return kNotFoundText;
    }
    return MakeSafe(it->exeName);
}

std::string CProcessNames::FromStatus(uint32_t pid) {
    std::optional<std::string> name = m_processes.ExeBaseName(pid);
    if (!name || name->empty()) {
        return kUnknownText;
    }
    const auto first = std::find_if_not(name->begin(), name->end(), IsAsciiSpace);
    return MakeSafe(std::string(first, name->end()));
}

} // namespace hl
