#include "platform/linux/InodePidMap.h"

#include <algorithm>
#include <charconv>

namespace hl {
namespace {

constexpr std::string_view kSocketPrefix = "socket:[";

} // namespace

std::optional<uint64_t> ParseSocketLink(std::string_view link) {
    if (link.size() <= kSocketPrefix.size() + 1 || !link.starts_with(kSocketPrefix) ||
        link.back() != ']') {
        return std::nullopt;
    }
    const std::string_view digits =
        link.substr(kSocketPrefix.size(), link.size() - kSocketPrefix.size() - 1);
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt; // not a number, trailing text, or more than fits in 64 bits
    }
    return value;
}

void InodePidMap::Assign(Entries entries) {
    m_entries = std::move(entries);
    // Sorting by (inode, pid) puts each socket's lowest pid first; keep that one.
    std::sort(m_entries.begin(), m_entries.end());
    const auto last = std::unique(m_entries.begin(), m_entries.end(),
                                  [](const auto& a, const auto& b) { return a.first == b.first; });
    m_entries.erase(last, m_entries.end());
}

uint32_t InodePidMap::Find(uint64_t inode) const {
    if (inode == 0) {
        return 0;
    }
    const auto it = std::lower_bound(m_entries.begin(), m_entries.end(), inode,
                                     [](const auto& e, uint64_t key) { return e.first < key; });
    return it != m_entries.end() && it->first == inode ? it->second : 0;
}

} // namespace hl
