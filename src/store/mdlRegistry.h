#pragma once
// The program's settings store: six operations over the per-user registry. None
// of them reports a failure: a missing key or value reads as empty, and a write
// under a missing key is dropped (the program's keys are made by provisioning).
#include <cstdint>
#include <string>

#include "platform/Registry.h"
#include "store/Variant.h"

namespace quorvel::store {

using platform::RegKey;

class mdlRegistry {
  public:
    explicit mdlRegistry(platform::Registry& registry) : registry_(registry) {}

    Variant ReadSetting(RegKey root, const std::string& path, const std::string& name) const;
    void WriteSetting(RegKey root, const std::string& path, const std::string& name,
                      const Variant& value, std::int32_t type) const;
    // WriteSetting for a caller that must tell the owner when a value was not stored:
    // the status of the open (a missing key) or of the write.
    std::int32_t TryWriteSetting(RegKey root, const std::string& path, const std::string& name,
                                 const Variant& value, std::int32_t type) const;
    void DeleteSetting(RegKey root, const std::string& path, const std::string& name) const;
    // DeleteSetting with the status of the open or of the delete (kErrorFileNotFound
    // for a value or key that is not there).
    std::int32_t TryDeleteSetting(RegKey root, const std::string& path,
                                  const std::string& name) const;
    void CreateSettingsKey(RegKey root, const std::string& path) const;
    // CreateSettingsKey with the status of the create.
    std::int32_t TryCreateSettingsKey(RegKey root, const std::string& path) const;

    std::int32_t WriteKeyValue(RegKey key, const std::string& name, std::int32_t type,
                               const Variant& value) const;
    std::int32_t ReadKeyValue(RegKey key, const std::string& name, Variant& out) const;

    platform::Registry& registry() const { return registry_; }

  private:
    platform::Registry& registry_;
};

// The program's own keys.
inline constexpr const char* kSettingsKey = "Software\\Quorvel\\Settings";
inline constexpr const char* kTimersKey = "Software\\Quorvel\\Timers";
inline constexpr const char* kProgramsKey = "Software\\Quorvel\\Programs";
inline constexpr const char* kUrlsKey = "Software\\Quorvel\\URLs";

}  // namespace quorvel::store
