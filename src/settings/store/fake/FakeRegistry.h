#pragma once

#include "settings/store/DocumentRegistry.h"

#include <string>
#include <vector>

namespace hl {

// The registry in memory, with the same answers as RegFileStore. It records every call
// ("CreateKey HKEY_CURRENT_USER\A\B", "QueryValue Name", ...) and can be made to fail every
// call with one error code, as an unusable registry would. GetValues records a
// "QueryValue Name" for each value asked for, and `reads` counts the looks at the document.
class FakeRegistry : public DocumentRegistry {
public:
    RegDocument document;
    std::vector<std::string> calls;
    uint32_t failWith = kErrorSuccess;
    size_t reads = 0;

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

protected:
    uint32_t Read(std::shared_ptr<const RegDocument>& current) override;
    uint32_t Update(const Change& change) override;
};

} // namespace hl
