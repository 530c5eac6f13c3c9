#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace hl {

// The inode of a socket from the text of a descriptor link, "socket:[12345]"; nullopt for
// any other text (files, pipes, anonymous inodes, malformed numbers).
std::optional<uint64_t> ParseSocketLink(std::string_view link);

// Which process holds which socket, from the descriptor links of the processes (a walk of
// the proc root gives them, see ProcessScan). When several processes hold one socket, the
// lowest pid owns it.
class InodePidMap {
public:
    using Entries = std::vector<std::pair<uint64_t, uint32_t>>; // (inode, pid)

    // The map of these (inode, pid) pairs, in any order, a socket held twice or more going
    // to its lowest pid.
    void Assign(Entries entries);

    // The owner of the socket with this inode; 0 for inode 0 or an unknown socket.
    uint32_t Find(uint64_t inode) const;

    size_t Size() const { return m_entries.size(); }

private:
    // Sorted by inode with one entry per inode.
    Entries m_entries;
};

} // namespace hl
