#pragma once

#include "settings/store/Registry.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace hl {

struct RegValue {
    std::string name; // "" is the key's default value
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;
    bool operator==(const RegValue&) const = default;
};

// Lines of a key's section that the file format does not understand, kept as they were found.
struct RegKeptLines {
    std::vector<std::string> lines;
    bool operator==(const RegKeptLines&) const = default;
};

// One entry of a key's section, in file order.
using RegEntry = std::variant<RegValue, RegKeptLines>;

// One key: its values and kept lines in order, and its sub-keys in creation order.
class RegKeyNode {
public:
    RegKeyNode() = default;
    explicit RegKeyNode(std::string name) : m_strName(std::move(name)) {}

    const std::string& Name() const { return m_strName; }
    const std::vector<RegEntry>& Entries() const { return m_entries; }
    const std::vector<RegKeyNode>& Children() const { return m_children; }

    RegKeyNode* FindChild(std::string_view name);
    const RegKeyNode* FindChild(std::string_view name) const;
    // The sub-key of that name, added when missing; `created` tells which.
    RegKeyNode& FindOrAddChild(std::string_view name, bool& created);
    bool RemoveChild(std::string_view name);

    const RegValue* FindValue(std::string_view name) const;
    // Replaces the type and data of a value of the same name (keeping its name and place) or
    // appends a new one. Returns whether anything changed.
    bool SetValue(std::string_view name, uint32_t type, std::vector<uint8_t> data);
    void AddKeptLines(std::vector<std::string> lines);

    bool operator==(const RegKeyNode&) const = default;

private:
    std::string m_strName;
    std::vector<RegEntry> m_entries;
    std::vector<RegKeyNode> m_children;
    std::map<std::string, size_t> m_childIndex; // folded name -> index in m_children
    std::map<std::string, size_t> m_valueIndex; // folded name -> index in m_entries
};

// The whole registry as the file holds it: the four root keys, the lines between the header
// and the first section, and whole sections whose key line is not understood.
class RegDocument {
public:
    RegDocument();

    RegKeyNode* FindKey(RegRoot root, const std::vector<std::string>& path);
    const RegKeyNode* FindKey(RegRoot root, const std::vector<std::string>& path) const;
    // Creates the key and every missing key above it; `created` tells whether any was missing.
    // Null for a root that is not one of the four.
    RegKeyNode* CreateKey(RegRoot root, const std::vector<std::string>& path, bool& created);
    // Removes the key with everything below it. Roots cannot be removed.
    bool DeleteKey(RegRoot root, const std::vector<std::string>& path);

    // The roots in the order of RegRootIndex.
    const std::array<RegKeyNode, 4>& Roots() const { return m_roots; }
    std::vector<std::string>& Preamble() { return m_preamble; }
    const std::vector<std::string>& Preamble() const { return m_preamble; }
    std::vector<RegKeptLines>& KeptSections() { return m_keptSections; }
    const std::vector<RegKeptLines>& KeptSections() const { return m_keptSections; }

    bool operator==(const RegDocument&) const = default;

private:
    std::array<RegKeyNode, 4> m_roots;
    std::vector<std::string> m_preamble;
    std::vector<RegKeptLines> m_keptSections;
};

// Index 0..3 of one of the four roots.
std::optional<size_t> RegRootIndex(RegRoot root);
// "HKEY_CURRENT_USER" and the others.
const char* RegRootName(RegRoot root);
// Full root names and their short forms (HKCU ...), without regard to case.
std::optional<RegRoot> RegRootFromName(std::string_view name);

// ASCII lower case: the form in which names are compared.
std::string RegFoldCase(std::string_view name);

// Splits "A\B\C" into its names. The empty path has no names. Fails on an empty name (a
// leading, trailing or doubled '\'), a name longer than kRegMaxKeyNameLength or holding a
// control character, and more than kRegMaxKeyDepth names.
bool RegSplitKeyPath(std::string_view path, std::vector<std::string>& names);
// A value name may be empty; it holds no control character and fits kRegMaxValueNameLength.
bool RegValidValueName(std::string_view name);

} // namespace hl
