#include "settings/store/fake/FakeRegistry.h"

namespace hl {

namespace {

std::string KeyName(RegRoot root, const std::string& path) {
    std::string name = RegRootName(root);
    if (name.empty()) {
        name = "root " + std::to_string(root);
    }
    return path.empty() ? name : name + "\\" + path;
}

} // namespace

uint32_t FakeRegistry::CreateKey(RegRoot root, const std::string& path, uint32_t access,
                                 RegKeyHandle& key) {
    calls.push_back("CreateKey " + KeyName(root, path));
    return DocumentRegistry::CreateKey(root, path, access, key);
}

uint32_t FakeRegistry::OpenKey(RegRoot root, const std::string& path, uint32_t access,
                               RegKeyHandle& key) {
    calls.push_back("OpenKey " + KeyName(root, path));
    return DocumentRegistry::OpenKey(root, path, access, key);
}

uint32_t FakeRegistry::QueryValue(const RegKeyHandle& key, const std::string& name, uint32_t& type,
                                  std::span<uint8_t> buffer, uint32_t& size) {
    calls.push_back("QueryValue " + name);
    return DocumentRegistry::QueryValue(key, name, type, buffer, size);
}

uint32_t FakeRegistry::GetValues(RegRoot root, const std::string& path,
                                 std::span<RegValueQuery> values) {
    for (const RegValueQuery& value : values) {
        calls.push_back("QueryValue " + value.name);
    }
    return DocumentRegistry::GetValues(root, path, values);
}

uint32_t FakeRegistry::SetValue(const RegKeyHandle& key, const std::string& name, uint32_t type,
                                std::span<const uint8_t> data) {
    calls.push_back("SetValue " + name);
    return DocumentRegistry::SetValue(key, name, type, data);
}

uint32_t FakeRegistry::CloseKey(RegKeyHandle& key) {
    calls.push_back("CloseKey");
    return DocumentRegistry::CloseKey(key);
}

uint32_t FakeRegistry::Read(std::shared_ptr<const RegDocument>& current) {
    ++reads;
    if (failWith != kErrorSuccess) {
        return failWith;
    }
    current = std::make_shared<const RegDocument>(document);
    return kErrorSuccess;
}

uint32_t FakeRegistry::Update(const Change& change) {
    if (failWith != kErrorSuccess) {
        return failWith;
    }
    RegDocument changedDocument = document;
    bool changed = false;
    uint32_t result = change(changedDocument, changed);
    if (result == kErrorSuccess && changed) {
        document = std::move(changedDocument);
    }
    return result;
}

} // namespace hl
