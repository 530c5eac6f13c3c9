#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hl {

// The application profile: an INI file of sections and entries (harborlight.ini in the
// configuration folder). Every call reads the file afresh; a write replaces the file whole
// (temporary file and rename, under a lock file), keeping its other lines byte for byte. The
// new file has the old one's read and write bits only (0600 when new), and a folder linked in
// by another user is not written into. Anything but a regular file is neither read nor
// replaced.
class CAppProfile {
public:
    explicit CAppProfile(std::string path);

    // harborlight.ini beside the settings file: $XDG_CONFIG_HOME/harborlight (~/.config when
    // unset), or root's own folder when root is handed another user's; empty without a home.
    static std::string DefaultPath();
    const std::string& Path() const { return m_path; }

    // The entry's text; nothing when the file or the entry is missing, or the entry is not
    // one plain text.
    std::optional<std::string> GetString(const std::string& section,
                                         const std::string& entry) const;
    bool WriteString(const std::string& section, const std::string& entry,
                     const std::string& value);

    // A binary entry in the letter encoding; nothing when it is missing, empty or cannot
    // be read.
    std::optional<std::vector<uint8_t>> GetBinary(const std::string& section,
                                                  const std::string& entry) const;
    bool WriteBinary(const std::string& section, const std::string& entry,
                     const std::vector<uint8_t>& bytes);

private:
    std::string m_path;
};

} // namespace hl
