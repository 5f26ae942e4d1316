#pragma once
// A settings store held in memory, with the same rules as the real backends (the
// registry conformance suite runs over it). Tests of store logic use it on every
// platform, including the Windows build, where the file store is not built.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace quorvel::platform {

class MemoryRegistry final : public Registry {
  public:
    MemoryRegistry();
    ~MemoryRegistry() override;

    std::int32_t OpenKey(RegKey root, std::string_view path, RegKey& out) override;
    std::int32_t CreateKey(RegKey root, std::string_view path, RegKey& out) override;
    std::int32_t QueryValue(RegKey key, std::string_view name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) override;
    std::int32_t SetValue(RegKey key, std::string_view name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) override;
    std::int32_t DeleteValue(RegKey key, std::string_view name) override;
    std::int32_t EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLen,
                           std::uint32_t* type, std::uint8_t* data,
                           std::uint32_t* dataSize) override;
    std::int32_t CloseKey(RegKey key) override;

    // Handles not yet closed: lets a test see that every open was paired with a close.
    std::size_t openHandles() const { return open_.size(); }

  private:
    struct Node;
    Node* Find(RegKey handle);
    std::int32_t Walk(RegKey root, std::string_view path, bool create, RegKey& out);

    std::map<RegKey, std::unique_ptr<Node>> roots_;
    std::map<RegKey, Node*> open_;
    RegKey nextHandle_ = 1;
};

}  // namespace quorvel::platform
