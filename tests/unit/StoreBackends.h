#pragma once
// What the tests of the settings-store rules above the store (text, numbers, lists of
// names) share. They run over the in-memory double: that every real store answers as it
// does is proved by the conformance suite in tests/platform (RegistryConformance.h).
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/Registry.h"
#include "platform/fake/MemoryRegistry.h"

namespace quorvel::test {

// Stores a value of any type and bytes directly below HKEY_CURRENT_USER, as another
// tool could.
inline void PutRaw(platform::Registry& registry, const std::string& path, const std::string& name,
                   std::uint32_t type, const std::string& bytes) {
    platform::ScopedKey key(registry);
    ASSERT_EQ(registry.OpenKey(platform::kHkeyCurrentUser, path, key.out()), 0);
    ASSERT_EQ(registry.SetValue(key.get(), name, type,
                                reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                static_cast<std::uint32_t>(bytes.size())),
              0);
}

// Forwards to another store, failing the calls a test picks: a store that answers the
// size query but not the read of the data, one that fails every enumeration, or one
// that refuses to change some values.
class FailingRegistry final : public platform::Registry {
  public:
    explicit FailingRegistry(platform::Registry& inner) : inner_(inner) {}

    bool failDataReads = false;
    std::optional<std::int32_t> enumStatus;
    int enumCalls = 0;
    // Values whose writes and deletes are refused, as under a key the account may not
    // change.
    std::set<std::string, std::less<>> refusedNames;

    std::int32_t OpenKey(platform::RegKey root, std::string_view path,
                         platform::RegKey& out) override {
        return inner_.OpenKey(root, path, out);
    }
    std::int32_t CreateKey(platform::RegKey root, std::string_view path,
                           platform::RegKey& out) override {
        return inner_.CreateKey(root, path, out);
    }
    std::int32_t QueryValue(platform::RegKey key, std::string_view name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* size) override {
        if (data && failDataReads) return platform::kErrorRegistryIo;
        return inner_.QueryValue(key, name, type, data, size);
    }
    std::int32_t SetValue(platform::RegKey key, std::string_view name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) override {
        if (refusedNames.contains(name)) return platform::kErrorAccessDenied;
        return inner_.SetValue(key, name, type, data, size);
    }
    std::int32_t DeleteValue(platform::RegKey key, std::string_view name) override {
        if (refusedNames.contains(name)) return platform::kErrorAccessDenied;
        return inner_.DeleteValue(key, name);
    }
    std::int32_t EnumValue(platform::RegKey key, std::uint32_t index, char* name,
                           std::uint32_t* nameLen, std::uint32_t* type, std::uint8_t* data,
                           std::uint32_t* dataSize) override {
        // A loader that never stops reading would hang the test; cut it off so it
        // fails instead.
        if (++enumCalls > 1000) return platform::kErrorNoMoreItems;
        if (enumStatus) return *enumStatus;
        return inner_.EnumValue(key, index, name, nameLen, type, data, dataSize);
    }
    std::int32_t CloseKey(platform::RegKey key) override { return inner_.CloseKey(key); }

  private:
    platform::Registry& inner_;
};

}  // namespace quorvel::test
