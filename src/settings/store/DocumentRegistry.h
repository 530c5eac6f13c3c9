#pragma once

#include "settings/store/RegDocument.h"
#include "settings/store/Registry.h"

#include <functional>
#include <memory>

namespace hl {

// The registry operations on a RegDocument, for backends that can hand out the current
// document and apply a change to it as one step. It checks roots, paths, names, handles and
// access rights, so every backend answers the same way.
class DocumentRegistry : public IRegistry {
public:
    // Changes the document; sets `changed` when there is something to store. A result other
    // than kErrorSuccess discards the change.
    using Change = std::function<uint32_t(RegDocument& document, bool& changed)>;

    uint32_t CreateKey(RegRoot root, const std::string& path, uint32_t access,
                       RegKeyHandle& key) override;
    uint32_t OpenKey(RegRoot root, const std::string& path, uint32_t access,
                     RegKeyHandle& key) override;
    uint32_t QueryValue(const RegKeyHandle& key, const std::string& name, uint32_t& type,
                        std::span<uint8_t> buffer, uint32_t& size) override;
    uint32_t GetValues(RegRoot root, const std::string& path,
                       std::span<RegValueQuery> values) override;
    uint32_t SetValue(const RegKeyHandle& key, const std::string& name, uint32_t type,
                      std::span<const uint8_t> data) override;
    uint32_t CloseKey(RegKeyHandle& key) override;

    // Removes the key and everything below it; kErrorFileNotFound when there is none. Roots
    // cannot be removed.
    uint32_t DeleteKeyTree(RegRoot root, const std::string& path);

protected:
    // The document as it is now, shared with other readers: it never changes once handed out.
    virtual uint32_t Read(std::shared_ptr<const RegDocument>& document) = 0;
    // Applies `change` to the current document and keeps the result, as one step that no
    // other change can interleave with.
    virtual uint32_t Update(const Change& change) = 0;
};

} // namespace hl
