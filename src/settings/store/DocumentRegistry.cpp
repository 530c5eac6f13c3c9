#include "settings/store/DocumentRegistry.h"

#include <algorithm>

namespace hl {

namespace {

uint32_t CheckKeyPath(RegRoot root, const std::string& path, std::vector<std::string>& names) {
    if (!RegRootIndex(root)) {
        return kErrorInvalidHandle;
    }
    return RegSplitKeyPath(path, names) ? kErrorSuccess : kErrorInvalidParameter;
}

uint32_t CheckHandle(const RegKeyHandle& key, uint32_t neededAccess,
                     std::vector<std::string>& names) {
    if (!key.open || CheckKeyPath(key.root, key.path, names) != kErrorSuccess) {
        return kErrorInvalidHandle;
    }
    return (key.access & neededAccess) == neededAccess ? kErrorSuccess : kErrorAccessDenied;
}

void FillHandle(RegKeyHandle& key, RegRoot root, const std::string& path, uint32_t access) {
    key.root = root;
    key.path = path;
    key.access = access;
    key.open = true;
}

// The value's type and length, and its bytes when they fit the buffer.
uint32_t CopyValue(const RegKeyNode& node, const std::string& name, uint32_t& type,
                   std::span<uint8_t> buffer, uint32_t& size) {
    const RegValue* value = node.FindValue(name);
    if (value == nullptr) {
        return kErrorFileNotFound;
    }
    type = value->type;
    size = static_cast<uint32_t>(value->data.size());
    if (value->data.size() > buffer.size()) {
        return kErrorMoreData;
    }
    std::copy(value->data.begin(), value->data.end(), buffer.begin());
    return kErrorSuccess;
}

} // namespace

uint32_t DocumentRegistry::CreateKey(RegRoot root, const std::string& path, uint32_t access,
                                     RegKeyHandle& key) {
    key = RegKeyHandle();
    std::vector<std::string> names;
    uint32_t result = CheckKeyPath(root, path, names);
    // A key that is there needs no change, so no lock and no write access: a read-only
    // folder or a lock file of another user still lets the key be opened.
    std::shared_ptr<const RegDocument> current;
    const bool exists = result == kErrorSuccess && !names.empty() &&
                        Read(current) == kErrorSuccess && current->FindKey(root, names) != nullptr;
    if (result == kErrorSuccess && !names.empty() && !exists) {
        result = Update([&](RegDocument& document, bool& changed) -> uint32_t {
            document.CreateKey(root, names, changed);
            return kErrorSuccess;
        });
    }
    if (result == kErrorSuccess) {
        FillHandle(key, root, path, access);
    }
    return result;
}

uint32_t DocumentRegistry::OpenKey(RegRoot root, const std::string& path, uint32_t access,
                                   RegKeyHandle& key) {
    key = RegKeyHandle();
    std::vector<std::string> names;
    uint32_t result = CheckKeyPath(root, path, names);
    if (result == kErrorSuccess && !names.empty()) {
        std::shared_ptr<const RegDocument> document;
        result = Read(document);
        if (result == kErrorSuccess && document->FindKey(root, names) == nullptr) {
            result = kErrorFileNotFound;
        }
    }
    if (result == kErrorSuccess) {
        FillHandle(key, root, path, access);
    }
    return result;
}

uint32_t DocumentRegistry::QueryValue(const RegKeyHandle& key, const std::string& name,
                                      uint32_t& type, std::span<uint8_t> buffer, uint32_t& size) {
    std::vector<std::string> names;
    uint32_t result = CheckHandle(key, kKeyQueryValue, names);
    if (result != kErrorSuccess) {
        return result;
    }
    std::shared_ptr<const RegDocument> document;
    result = Read(document);
    if (result != kErrorSuccess) {
        return result;
    }
    const RegKeyNode* node = document->FindKey(key.root, names);
    if (node == nullptr) {
        return kErrorKeyDeleted;
    }
    return CopyValue(*node, name, type, buffer, size);
}

uint32_t DocumentRegistry::GetValues(RegRoot root, const std::string& path,
                                     std::span<RegValueQuery> values) {
    std::vector<std::string> names;
    uint32_t result = CheckKeyPath(root, path, names);
    if (result != kErrorSuccess) {
        return result;
    }
    std::shared_ptr<const RegDocument> document;
    result = Read(document);
    if (result != kErrorSuccess) {
        return result;
    }
    const RegKeyNode* node = document->FindKey(root, names);
    if (node == nullptr) {
        return kErrorFileNotFound;
    }
    for (RegValueQuery& value : values) {
        value.result = CopyValue(*node, value.name, value.type, value.buffer, value.size);
    }
    return kErrorSuccess;
}

uint32_t DocumentRegistry::SetValue(const RegKeyHandle& key, const std::string& name, uint32_t type,
                                    std::span<const uint8_t> data) {
    std::vector<std::string> names;
    uint32_t result = CheckHandle(key, kKeySetValue, names);
    if (result != kErrorSuccess) {
        return result;
    }
    if (!RegValidValueName(name)) {
        return kErrorInvalidParameter;
    }
    return Update([&](RegDocument& document, bool& changed) -> uint32_t {
        RegKeyNode* node = document.FindKey(key.root, names);
        if (node == nullptr) {
            return kErrorKeyDeleted;
        }
        changed = node->SetValue(name, type, std::vector<uint8_t>(data.begin(), data.end()));
        return kErrorSuccess;
    });
}

uint32_t DocumentRegistry::CloseKey(RegKeyHandle& key) {
    if (!key.open) {
        return kErrorInvalidHandle;
    }
    key = RegKeyHandle();
    return kErrorSuccess;
}

uint32_t DocumentRegistry::DeleteKeyTree(RegRoot root, const std::string& path) {
    std::vector<std::string> names;
    uint32_t result = CheckKeyPath(root, path, names);
    if (result != kErrorSuccess) {
        return result;
    }
    if (names.empty()) {
        return kErrorAccessDenied;
    }
    return Update([&](RegDocument& document, bool& changed) -> uint32_t {
        changed = document.DeleteKey(root, names);
        return changed ? kErrorSuccess : kErrorFileNotFound;
    });
}

} // namespace hl
