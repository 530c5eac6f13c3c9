#include "settings/RegistryKey.h"

#include "settings/store/RegDocument.h"

#include <array>
#include <vector>

namespace hl {

namespace {

// A value's bytes as a little-endian number, shorter values filled with zero bytes; the
// default for a missing value or one longer than 4 bytes.
uint32_t DwordOf(uint32_t result, const std::array<uint8_t, 4>& bytes, uint32_t defaultValue) {
    if (result != kErrorSuccess) {
        return defaultValue;
    }
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

} // namespace

CRegistryKey::CRegistryKey(std::shared_ptr<IRegistry> registry)
    : m_pRegistry(std::move(registry)) {}

bool CRegistryKey::SetRootKey(RegRoot root) {
    if (!RegRootIndex(root)) {
        return false;
    }
    m_hRootKey = root;
    return true;
}

bool CRegistryKey::Open(const std::string& path, bool create) {
    if (path.empty()) {
        m_strSubKey.clear();
        return true;
    }
    if (!m_pRegistry) {
        return false;
    }
    ScopedRegKey key(*m_pRegistry);
    uint32_t result = create ? m_pRegistry->CreateKey(m_hRootKey, path, kKeyAllAccess, key.Handle())
                             : m_pRegistry->OpenKey(m_hRootKey, path, kKeyAllAccess, key.Handle());
    if (result != kErrorSuccess) {
        return false;
    }
    m_strSubKey = path;
    return true;
}

uint32_t CRegistryKey::ReadDword(const std::string& name, uint32_t defaultValue) const {
    if (!m_pRegistry) {
        return defaultValue;
    }
    ScopedRegKey key(*m_pRegistry);
    if (m_pRegistry->OpenKey(m_hRootKey, m_strSubKey, kKeyRead, key.Handle()) != kErrorSuccess) {
        return defaultValue;
    }
    std::array<uint8_t, 4> bytes{};
    uint32_t type = kRegNone;
    uint32_t size = static_cast<uint32_t>(bytes.size());
    return DwordOf(m_pRegistry->QueryValue(key.Handle(), name, type, bytes, size), bytes,
                   defaultValue);
}

void CRegistryKey::ReadDwords(std::span<NamedDword> values) const {
    if (!m_pRegistry || values.empty()) {
        return;
    }
    std::vector<std::array<uint8_t, 4>> bytes(values.size());
    std::vector<RegValueQuery> queries(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        queries[i].name = values[i].name;
        queries[i].buffer = bytes[i];
    }
    if (m_pRegistry->GetValues(m_hRootKey, m_strSubKey, queries) != kErrorSuccess) {
        return;
    }
    for (size_t i = 0; i < values.size(); ++i) {
        values[i].value = DwordOf(queries[i].result, bytes[i], values[i].value);
    }
}

bool CRegistryKey::WriteDword(const std::string& name, uint32_t value) const {
    if (!m_pRegistry) {
        return false;
    }
    ScopedRegKey key(*m_pRegistry);
    if (m_pRegistry->OpenKey(m_hRootKey, m_strSubKey, kKeyWrite, key.Handle()) != kErrorSuccess) {
        return false;
    }
    const std::array<uint8_t, 4> bytes = {
        static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
        static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return m_pRegistry->SetValue(key.Handle(), name, kRegBinary, bytes) == kErrorSuccess;
}

} // namespace hl
