#include "settings/store/RegDocument.h"

namespace hl {

namespace {

constexpr std::array<RegRoot, 4> kRoots = {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine,
                                           kHkeyUsers};
constexpr std::array<const char*, 4> kRootNames = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                                   "HKEY_LOCAL_MACHINE", "HKEY_USERS"};
constexpr std::array<const char*, 4> kRootShortNames = {"HKCR", "HKCU", "HKLM", "HKU"};

bool HasControlCharacter(std::string_view name) {
    for (unsigned char c : name) {
        if (c < 0x20) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string RegFoldCase(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

std::optional<size_t> RegRootIndex(RegRoot root) {
    for (size_t i = 0; i < kRoots.size(); ++i) {
        if (kRoots[i] == root) {
            return i;
        }
    }
    return std::nullopt;
}

const char* RegRootName(RegRoot root) {
    auto index = RegRootIndex(root);
    return index ? kRootNames[*index] : "";
}

std::optional<RegRoot> RegRootFromName(std::string_view name) {
    std::string folded = RegFoldCase(name);
    for (size_t i = 0; i < kRoots.size(); ++i) {
        if (folded == RegFoldCase(kRootNames[i]) || folded == RegFoldCase(kRootShortNames[i])) {
            return kRoots[i];
        }
    }
    return std::nullopt;
}

bool RegSplitKeyPath(std::string_view path, std::vector<std::string>& names) {
    names.clear();
    if (path.empty()) {
        return true;
    }
    size_t start = 0;
    while (true) {
        size_t end = path.find('\\', start);
        std::string_view name = path.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (name.empty() || name.size() > kRegMaxKeyNameLength || HasControlCharacter(name) ||
            names.size() == kRegMaxKeyDepth) {
            names.clear();
            return false;
        }
        names.emplace_back(name);
        if (end == std::string_view::npos) {
            return true;
        }
        start = end + 1;
    }
}

bool RegValidValueName(std::string_view name) {
    return name.size() <= kRegMaxValueNameLength && !HasControlCharacter(name);
}

RegKeyNode* RegKeyNode::FindChild(std::string_view name) {
    auto it = m_childIndex.find(RegFoldCase(name));
    return it == m_childIndex.end() ? nullptr : &m_children[it->second];
}

const RegKeyNode* RegKeyNode::FindChild(std::string_view name) const {
    auto it = m_childIndex.find(RegFoldCase(name));
    return it == m_childIndex.end() ? nullptr : &m_children[it->second];
}

RegKeyNode& RegKeyNode::FindOrAddChild(std::string_view name, bool& created) {
    auto [it, inserted] = m_childIndex.try_emplace(RegFoldCase(name), m_children.size());
    created = inserted;
    if (inserted) {
        m_children.emplace_back(std::string(name));
    }
    return m_children[it->second];
}

bool RegKeyNode::RemoveChild(std::string_view name) {
    auto it = m_childIndex.find(RegFoldCase(name));
    if (it == m_childIndex.end()) {
        return false;
    }
    m_children.erase(m_children.begin() + static_cast<std::ptrdiff_t>(it->second));
    m_childIndex.clear();
    for (size_t i = 0; i < m_children.size(); ++i) {
        m_childIndex.emplace(RegFoldCase(m_children[i].Name()), i);
    }
    return true;
}

const RegValue* RegKeyNode::FindValue(std::string_view name) const {
    auto it = m_valueIndex.find(RegFoldCase(name));
    return it == m_valueIndex.end() ? nullptr : &std::get<RegValue>(m_entries[it->second]);
}

bool RegKeyNode::SetValue(std::string_view name, uint32_t type, std::vector<uint8_t> data) {
    auto [it, inserted] = m_valueIndex.try_emplace(RegFoldCase(name), m_entries.size());
    if (inserted) {
        m_entries.emplace_back(RegValue{std::string(name), type, std::move(data)});
        return true;
    }
    auto& value = std::get<RegValue>(m_entries[it->second]);
    if (value.type == type && value.data == data) {
        return false;
    }
    value.type = type;
    value.data = std::move(data);
    return true;
}

void RegKeyNode::AddKeptLines(std::vector<std::string> lines) {
    m_entries.emplace_back(RegKeptLines{std::move(lines)});
}

RegDocument::RegDocument() {
    for (size_t i = 0; i < kRoots.size(); ++i) {
        m_roots[i] = RegKeyNode(kRootNames[i]);
    }
}

RegKeyNode* RegDocument::FindKey(RegRoot root, const std::vector<std::string>& path) {
    auto index = RegRootIndex(root);
    if (!index) {
        return nullptr;
    }
    RegKeyNode* node = &m_roots[*index];
    for (const auto& name : path) {
        node = node->FindChild(name);
        if (node == nullptr) {
            return nullptr;
        }
    }
    return node;
}

const RegKeyNode* RegDocument::FindKey(RegRoot root, const std::vector<std::string>& path) const {
    return const_cast<RegDocument*>(this)->FindKey(root, path);
}

RegKeyNode* RegDocument::CreateKey(RegRoot root, const std::vector<std::string>& path,
                                   bool& created) {
    created = false;
    auto index = RegRootIndex(root);
    if (!index) {
        return nullptr;
    }
    RegKeyNode* node = &m_roots[*index];
    for (const auto& name : path) {
        bool added = false;
        node = &node->FindOrAddChild(name, added);
        created = created || added;
    }
    return node;
}

bool RegDocument::DeleteKey(RegRoot root, const std::vector<std::string>& path) {
    if (path.empty()) {
        return false;
    }
    std::vector<std::string> parentPath(path.begin(), path.end() - 1);
    RegKeyNode* parent = FindKey(root, parentPath);
    return parent != nullptr && parent->RemoveChild(path.back());
}

} // namespace hl
