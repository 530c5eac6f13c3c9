#pragma once

#include "settings/store/DocumentRegistry.h"
#include "settings/store/RegDocument.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace hl {

// The registry kept in one text file in one folder, in the registry export format (see
// RegFileFormat.h): "settings.reg", its lock file "settings.reg.lock" and the temporary
// "settings.reg.tmp" that a change is written to before it replaces the file. Every operation
// reads the file afresh, so values written by another running program are seen at once.
//
// Readers take no lock: the file is only ever replaced whole by a rename, so a reader sees
// either the old or the new text. Every change holds an exclusive flock on the lock file
// while it reads, applies and writes, so changes by several processes (or threads) follow
// one another and none is lost. A file that cannot be parsed reads as an empty registry; the
// first change moves it aside to "settings.reg.damaged" (then "settings.reg.2.damaged" and so
// on, numbered above the newest copy; the ten newest copies are kept) before the new file
// replaces it. A settings path that is no regular file (a FIFO, say) is never waited on nor
// moved: reads give an empty registry and changes fail. A new file gets the read and write
// bits of the one it replaces (0600 for the first), never an execute or set-id bit, and the
// folder is never reached through a link of another user.
class RegFileStore : public DocumentRegistry {
public:
    static constexpr const char* kFileName = "settings.reg";
    // A larger file is not read; it counts as damaged, and no change may grow the file past it.
    static constexpr size_t kMaxFileSize = 16u << 20;

    // In DefaultFolder().
    RegFileStore();
    // An empty folder makes every operation fail with kErrorFileNotFound.
    explicit RegFileStore(std::string folder);

    // $XDG_CONFIG_HOME/harborlight, or ~/.config/harborlight when XDG_CONFIG_HOME is unset or
    // not an absolute path; empty when there is no home folder either. Run as root, a folder
    // in another user's folder (a HOME that sudo left) gives way to root's own
    // ~/.config/harborlight, home taken from the password database.
    static std::string DefaultFolder();
    // The same from the given environment values and the effective user's own home.
    static std::string DefaultFolderFor(const char* xdgConfigHome, const std::string& home,
                                        const std::string& ownHome);

    const std::string& Folder() const { return m_folder; }
    std::string FilePath() const;

    // The current document: empty when the file is missing or damaged. `damaged`, when given,
    // tells whether the file was there but could not be parsed.
    uint32_t Load(RegDocument& document, bool* damaged = nullptr) const;

protected:
    uint32_t Read(std::shared_ptr<const RegDocument>& document) override;
    // Creates the folder when needed, then, under the lock, reads the current document,
    // applies `change` and, when it changed something, writes the result back.
    uint32_t Update(const Change& change) override;

private:
    std::string Path(const std::string& suffix) const;
    uint32_t Snapshot(std::shared_ptr<const RegDocument>& document, bool* damaged = nullptr) const;
    // The document `text` holds, from the last parse when the text is the same; `damaged` when
    // it cannot be parsed (the document is then empty). Takes the text.
    std::shared_ptr<const RegDocument> Parsed(std::string& text, bool& damaged) const;
    uint32_t MoveDamagedAside(int dir) const;
    uint32_t Replace(int dir, const std::string& text, unsigned mode) const;

    // The last text read and its parse: reads and changes of an unchanged file parse it
    // once, and readers share the parsed document without copying it. Shared by copies of
    // the store, guarded for use from several threads.
    struct ParsedText {
        std::mutex mutex;
        std::string text;
        std::shared_ptr<const RegDocument> document; // empty until the first parse
        bool damaged = false;
    };

    std::string m_folder;
    std::shared_ptr<ParsedText> m_parsed = std::make_shared<ParsedText>();
};

} // namespace hl
