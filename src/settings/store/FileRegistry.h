#pragma once

#include "settings/store/DocumentRegistry.h"
#include "settings/store/RegFileStore.h"

#include <string>

namespace hl {

// The registry kept in one text file, "settings.reg", in the registry export format (see
// RegFileFormat.h and RegFileStore.h for the file and how changes to it are made safe).
// Every operation reads the file afresh, so values written by another running program are
// seen at once.
class FileRegistry : public DocumentRegistry {
public:
    // In DefaultFolder().
    FileRegistry();
    explicit FileRegistry(std::string folder);

    // $XDG_CONFIG_HOME/harborlight, or ~/.config/harborlight when XDG_CONFIG_HOME is unset or
    // not an absolute path; empty when there is no home folder either.
    static std::string DefaultFolder();

    std::string FilePath() const { return m_store.FilePath(); }

protected:
    uint32_t Read(RegDocument& document) override;
    uint32_t Update(const Change& change) override;

private:
    RegFileStore m_store;
};

} // namespace hl
