#pragma once

#include "platform/ErrorCodes.h"

#include <cstdint>
#include <span>
#include <string>

namespace hl {

// The predefined root keys, by their handle values.
using RegRoot = uint32_t;
inline constexpr RegRoot kHkeyClassesRoot = 0x80000000u;
inline constexpr RegRoot kHkeyCurrentUser = 0x80000001u;
inline constexpr RegRoot kHkeyLocalMachine = 0x80000002u;
inline constexpr RegRoot kHkeyUsers = 0x80000003u;

// Value types.
inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;
inline constexpr uint32_t kRegQword = 11;

// Access rights a key is opened with.
inline constexpr uint32_t kKeyQueryValue = 0x0001;
inline constexpr uint32_t kKeySetValue = 0x0002;
inline constexpr uint32_t kKeyRead = 0x20019;
inline constexpr uint32_t kKeyWrite = 0x20006;
inline constexpr uint32_t kKeyAllAccess = 0xF003F;

// Results of the registry beyond those in ErrorCodes.h.
enum : uint32_t {
    kErrorInvalidHandle = 6,
    kErrorMoreData = 234,
    kErrorKeyDeleted = 1018,
};

// Limits of names and nesting; longer or deeper names are refused as invalid parameters.
inline constexpr size_t kRegMaxKeyNameLength = 255;
inline constexpr size_t kRegMaxKeyDepth = 512;
inline constexpr size_t kRegMaxValueNameLength = 16383;

// An open key. It names the key and the rights it was opened with and holds no system
// resource: every operation on it looks the key up afresh, so a key deleted after it was
// opened answers kErrorKeyDeleted.
struct RegKeyHandle {
    RegRoot root = 0;
    std::string path;
    uint32_t access = 0;
    bool open = false;
};

// One value asked for through IRegistry::GetValues, with the answer QueryValue would give
// for it: `result`, and on success or kErrorMoreData its `type` and `size`.
struct RegValueQuery {
    std::string name;
    std::span<uint8_t> buffer;
    uint32_t type = kRegNone;
    uint32_t size = 0;
    uint32_t result = kErrorFileNotFound;
};

// A hierarchical store of named values under the four roots. Key and value names compare
// without regard to ASCII case and keep the case they were created with. Sub-key paths are
// names joined by '\'; the empty path is the root itself. Every call returns kErrorSuccess
// or a system error code.
class IRegistry {
public:
    virtual ~IRegistry() = default;

    // Opens the key, creating it and every missing key above it.
    virtual uint32_t CreateKey(RegRoot root, const std::string& path, uint32_t access,
                               RegKeyHandle& key) = 0;
    // Opens an existing key; kErrorFileNotFound when there is none.
    virtual uint32_t OpenKey(RegRoot root, const std::string& path, uint32_t access,
                             RegKeyHandle& key) = 0;
    // Copies the value's bytes into `buffer` and sets `type` and `size` (the bytes copied).
    // A value longer than the buffer gives kErrorMoreData with `size` set to its length and
    // the buffer untouched; a missing value gives kErrorFileNotFound.
    virtual uint32_t QueryValue(const RegKeyHandle& key, const std::string& name, uint32_t& type,
                                std::span<uint8_t> buffer, uint32_t& size) = 0;
    // Answers a QueryValue for each of `values` of the key at `path`, all from one look at the
    // store, without opening the key first; kErrorFileNotFound when there is no such key
    // (the values are then left as they were).
    virtual uint32_t GetValues(RegRoot root, const std::string& path,
                               std::span<RegValueQuery> values) = 0;
    // Stores the value, replacing one of the same name. Never creates the key.
    virtual uint32_t SetValue(const RegKeyHandle& key, const std::string& name, uint32_t type,
                              std::span<const uint8_t> data) = 0;
    virtual uint32_t CloseKey(RegKeyHandle& key) = 0;
};

// Closes the key it holds when it goes out of scope.
class ScopedRegKey {
public:
    explicit ScopedRegKey(IRegistry& registry) : m_registry(registry) {}
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;
    ~ScopedRegKey() {
        if (m_key.open) {
            m_registry.CloseKey(m_key);
        }
    }

    RegKeyHandle& Handle() { return m_key; }

private:
    IRegistry& m_registry;
    RegKeyHandle m_key;
};

} // namespace hl
