#include "platform/fake/MemoryRegistry.h"

#include <algorithm>

#include "platform/RegistryRules.h"

namespace quorvel::platform {

struct MemoryRegistry::Node {
    struct Value {
        std::string name;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    std::map<std::string, std::unique_ptr<Node>> children;  // by folded name
    std::vector<Value> values;                              // in order of first write

    std::vector<Value>::iterator FindValue(std::string_view name) {
        return std::find_if(values.begin(), values.end(),
                            [&](const Value& value) { return SameName(value.name, name); });
    }
};

MemoryRegistry::MemoryRegistry() {
    for (RegKey root = kFirstPredefinedRoot; root <= kLastPredefinedRoot; ++root)
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
        auto& child = node->children[FoldName(part)];
        if (!child) {
            if (!create) {
                node->children.erase(FoldName(part));
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
    const auto value = node->FindValue(name);
    if (value == node->values.end()) return kErrorFileNotFound;
    if (type) *type = value->type;
    return CopyOutData(value->data, data, size);
}

std::int32_t MemoryRegistry::SetValue(RegKey key, std::string_view name, std::uint32_t type,
                                      const std::uint8_t* data, std::uint32_t size) {
    Node* node = Find(key);
    if (!node) return kErrorInvalidHandle;
    if (name.size() > kMaxValueNameLength || (size > 0 && !data)) return kErrorInvalidParameter;
    std::vector<std::uint8_t> bytes(data, data + size);
    TerminateText(type, bytes);
    if (const auto value = node->FindValue(name); value != node->values.end()) {
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
    const auto it = node->FindValue(name);
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
    if (const auto status = CopyOutName(value.name, name, nameLen); status != kErrorSuccess)
        return status;
    if (type) *type = value.type;
    return CopyOutData(value.data, data, dataSize);
}

std::int32_t MemoryRegistry::CloseKey(RegKey key) {
    if (roots_.count(key)) return kErrorSuccess;
    return open_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace quorvel::platform
