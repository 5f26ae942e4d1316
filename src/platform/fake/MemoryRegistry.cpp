#include "platform/fake/MemoryRegistry.h"

#include <algorithm>
#include <cstring>

namespace quorvel::platform {

namespace {

constexpr std::size_t kMaxValueNameLength = 16383;

// Key and value names ignore the case of ASCII letters, as the registry does.
std::string Fold(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

}  // namespace

struct MemoryRegistry::Node {
    struct Value {
        std::string name;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    std::map<std::string, std::unique_ptr<Node>> children;  // by folded name
    std::vector<Value> values;                              // in order of first write

    Value* FindValue(std::string_view name) {
        const std::string folded = Fold(name);
        for (auto& value : values)
            if (Fold(value.name) == folded) return &value;
        return nullptr;
    }
};

MemoryRegistry::MemoryRegistry() {
    for (RegKey root = 0x80000000u; root <= 0x80000005u; ++root)
        roots_[root] = std::make_unique<Node>();
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::Find(RegKey handle) {
    if (const auto root = roots_.find(handle); root != roots_.end()) return root->second.get();
    const auto it = open_.find(handle);
    return it == open_.end() ? nullptr : it->second;
}

std::int32_t MemoryRegistry::Walk(RegKey root, std::string_view path, bool create, RegKey& out) {
    out = 0;
    Node* node = Find(root);
    if (!node) return kErrorInvalidHandle;
    std::vector<std::string_view> parts;
    if (const auto rc = SplitKeyPath(path, parts); rc != kErrorSuccess) return rc;
    for (const auto part : parts) {
        auto& child = node->children[Fold(part)];
        if (!child) {
            if (!create) {
                node->children.erase(Fold(part));
                return kErrorFileNotFound;
            }
            child = std::make_unique<Node>();
        }
        node = child.get();
    }
    out = nextHandle_++;
    open_[out] = node;
    return kErrorSuccess;
}

std::int32_t MemoryRegistry::OpenKey(RegKey root, std::string_view path, RegKey& out) {
    return Walk(root, path, false, out);
}

std::int32_t MemoryRegistry::CreateKey(RegKey root, std::string_view path, RegKey& out) {
    return Walk(root, path, true, out);
}

std::int32_t MemoryRegistry::QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                                        std::uint8_t* data, std::uint32_t* size) {
    Node* node = Find(key);
    if (!node) return kErrorInvalidHandle;
    if (data && !size) return kErrorInvalidParameter;
    const auto* value = node->FindValue(name);
    if (!value) return kErrorFileNotFound;
    if (type) *type = value->type;
    if (!size) return kErrorSuccess;
    const auto needed = static_cast<std::uint32_t>(value->data.size());
    if (data && *size < needed) {
        *size = needed;
        return kErrorMoreData;
    }
    if (data) std::copy(value->data.begin(), value->data.end(), data);
    *size = needed;
    return kErrorSuccess;
}

std::int32_t MemoryRegistry::SetValue(RegKey key, std::string_view name, std::uint32_t type,
                                      const std::uint8_t* data, std::uint32_t size) {
    Node* node = Find(key);
    if (!node) return kErrorInvalidHandle;
    if (name.size() > kMaxValueNameLength || (size > 0 && !data)) return kErrorInvalidParameter;
    std::vector<std::uint8_t> bytes(data, data + size);
    if ((type == kRegSz || type == kRegExpandSz) && (bytes.empty() || bytes.back() != 0))
        bytes.push_back(0);
    if (auto* value = node->FindValue(name)) {
        value->type = type;
        value->data = std::move(bytes);
    } else {
        node->values.push_back({std::string(name), type, std::move(bytes)});
    }
    return kErrorSuccess;
}

std::int32_t MemoryRegistry::DeleteValue(RegKey key, std::string_view name) {
    Node* node = Find(key);
    if (!node) return kErrorInvalidHandle;
    const std::string folded = Fold(name);
    const auto it = std::find_if(node->values.begin(), node->values.end(),
                                 [&](const auto& value) { return Fold(value.name) == folded; });
    if (it == node->values.end()) return kErrorFileNotFound;
    node->values.erase(it);
    return kErrorSuccess;
}

std::int32_t MemoryRegistry::EnumValue(RegKey key, std::uint32_t index, char* name,
                                       std::uint32_t* nameLen, std::uint32_t* type,
                                       std::uint8_t* data, std::uint32_t* dataSize) {
    Node* node = Find(key);
    if (!node) return kErrorInvalidHandle;
    if (!name || !nameLen || (data && !dataSize)) return kErrorInvalidParameter;
    if (index >= node->values.size()) return kErrorNoMoreItems;
    const auto& value = node->values[index];
    if (value.name.size() + 1 > *nameLen) {
        *nameLen = static_cast<std::uint32_t>(value.name.size());
        return kErrorMoreData;
    }
    std::memcpy(name, value.name.data(), value.name.size());
    name[value.name.size()] = '\0';
    *nameLen = static_cast<std::uint32_t>(value.name.size());
    if (type) *type = value.type;
    if (!dataSize) return kErrorSuccess;
    const auto needed = static_cast<std::uint32_t>(value.data.size());
    if (data && *dataSize < needed) {
        *dataSize = needed;
        return kErrorMoreData;
    }
    if (data) std::copy(value.data.begin(), value.data.end(), data);
    *dataSize = needed;
    return kErrorSuccess;
}

std::int32_t MemoryRegistry::CloseKey(RegKey key) {
    if (roots_.count(key)) return kErrorSuccess;
    return open_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace quorvel::platform
