#include "settings/RegistryKey.h"

#include "settings/store/RegDocument.h"

#include <array>

namespace hl {

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
    if (m_pRegistry->QueryValue(key.Handle(), name, type, bytes, size) != kErrorSuccess) {
        return defaultValue;
    }
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
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
