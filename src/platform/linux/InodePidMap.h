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

// Which process holds which socket: built from the descriptor links of every process below
// a proc root. When several processes hold one socket, the lowest pid owns it.
class InodePidMap {
public:
    // Walks <procRoot>/<pid>/fd for every numeric entry. Processes that vanish or cannot be
    // read are left out. False (and an empty map) when the root cannot be opened.
    bool Build(const char* procRoot);

    // The owner of the socket with this inode; 0 for inode 0 or an unknown socket.
    uint32_t Find(uint64_t inode) const;

    size_t Size() const { return m_entries.size(); }

private:
    // (inode, pid), sorted by inode with one entry per inode.
    std::vector<std::pair<uint64_t, uint32_t>> m_entries;
};

} // namespace hl
