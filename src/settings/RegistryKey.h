#pragma once

#include "settings/store/Registry.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace hl {

// A named 32-bit value to read with CRegistryKey::ReadDwords: `value` holds the default going
// in and the value read coming out.
struct NamedDword {
    const char* name;
    uint32_t value;
};

// One registry location, a root key and a sub-key path, where named 32-bit values are read
// and written. It keeps no key open between calls: every operation opens the key, does its
// one piece of work and closes it again. Copies share the registry backend and nothing else.
class CRegistryKey {
public:
    explicit CRegistryKey(std::shared_ptr<IRegistry> registry);

    // Accepts HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_USERS; any
    // other root is refused and the stored one kept.
    bool SetRootKey(RegRoot root);
    // Remembers `path` when the key exists, or was created with every missing key above it
    // when `create` is set. The empty path stands for the root itself and touches nothing.
    // On failure the remembered path stays as it was.
    bool Open(const std::string& path, bool create);
    // The value as a little-endian number whatever its type; a value shorter than 4 bytes is
    // filled with zero bytes. `defaultValue` when the key or the value is missing or the value
    // is longer than 4 bytes.
    uint32_t ReadDword(const std::string& name, uint32_t defaultValue) const;
    // Each of `values` as ReadDword reads it, all from one look at the store, so a large
    // store is read once for them and they all come from the same state of it.
    void ReadDwords(std::span<NamedDword> values) const;
    // Stores `value` as a 4-byte REG_BINARY, least significant byte first. The key must exist;
    // it is never created here.
    bool WriteDword(const std::string& name, uint32_t value) const;

    RegRoot RootKey() const { return m_hRootKey; }
    const std::string& SubKey() const { return m_strSubKey; }

private:
    RegRoot m_hRootKey = kHkeyCurrentUser;
    std::string m_strSubKey;
    std::shared_ptr<IRegistry> m_pRegistry;
};

} // namespace hl
