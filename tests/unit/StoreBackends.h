#pragma once
// The stores the settings-store rules are checked over: the in-memory double on
// every platform, and on Linux the file store itself (kept in memory).
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "platform/Registry.h"
#include "platform/fake/MemoryRegistry.h"
#ifndef _WIN32
#include "platform/posix/HiveRegistry.h"
#endif

namespace quorvel::test {

struct MemoryStore {
    platform::MemoryRegistry registry;
    // Keys left open after an operation: every operation must close what it opened.
    std::optional<std::size_t> openHandles() const { return registry.openHandles(); }
};

#ifndef _WIN32
struct HiveStore {
    platform::HiveRegistry registry{":memory:"};
    std::optional<std::size_t> openHandles() const { return std::nullopt; }
};
using StoreBackends = ::testing::Types<MemoryStore, HiveStore>;
#else
using StoreBackends = ::testing::Types<MemoryStore>;
#endif

// Forwards to another store, failing the calls a test picks: a store that answers the
// size query but not the read of the data, or one that fails every enumeration.
class FailingRegistry final : public platform::Registry {
  public:
    explicit FailingRegistry(platform::Registry& inner) : inner_(inner) {}

    bool failDataReads = false;
    std::optional<std::int32_t> enumStatus;
    int enumCalls = 0;

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
        return inner_.SetValue(key, name, type, data, size);
    }
    std::int32_t DeleteValue(platform::RegKey key, std::string_view name) override {
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
