#include "store/mdlRegistry.h"

#include <vector>

namespace quorvel::store {

using namespace platform;

Variant mdlRegistry::ReadSetting(RegKey root, const std::string& path,
                                 const std::string& name) const {
    ScopedKey key(registry_);
    registry_.OpenKey(root, path, key.out());
    Variant value;
    ReadKeyValue(key.get(), name, value);
    return value;
}

void mdlRegistry::WriteSetting(RegKey root, const std::string& path, const std::string& name,
                               const Variant& value, std::int32_t type) const {
    TryWriteSetting(root, path, name, value, type);
}

std::int32_t mdlRegistry::TryWriteSetting(RegKey root, const std::string& path,
                                          const std::string& name, const Variant& value,
                                          std::int32_t type) const {
    ScopedKey key(registry_);
    const std::int32_t opened = registry_.OpenKey(root, path, key.out());
    const std::int32_t written = WriteKeyValue(key.get(), name, type, value);
    return opened != kErrorSuccess ? opened : written;
}

void mdlRegistry::DeleteSetting(RegKey root, const std::string& path,
                                const std::string& name) const {
    TryDeleteSetting(root, path, name);
}

std::int32_t mdlRegistry::TryDeleteSetting(RegKey root, const std::string& path,
                                           const std::string& name) const {
    ScopedKey key(registry_);
    const std::int32_t opened = registry_.OpenKey(root, path, key.out());
    const std::int32_t deleted = registry_.DeleteValue(key.get(), name);
    return opened != kErrorSuccess ? opened : deleted;
}

void mdlRegistry::CreateSettingsKey(RegKey root, const std::string& path) const {
    TryCreateSettingsKey(root, path);
}

std::int32_t mdlRegistry::TryCreateSettingsKey(RegKey root, const std::string& path) const {
    ScopedKey key(registry_);
    return registry_.CreateKey(root, path, key.out());
}

std::int32_t mdlRegistry::WriteKeyValue(RegKey key, const std::string& name, std::int32_t type,
                                        const Variant& value) const {
    if (type == static_cast<std::int32_t>(kRegSz)) {
        const std::string text = value.ToText();
        return registry_.SetValue(key, name, kRegSz,
                                  reinterpret_cast<const std::uint8_t*>(text.data()),
                                  static_cast<std::uint32_t>(text.size()));
    }
    if (type == static_cast<std::int32_t>(kRegDword)) {
        // A number that does not fit in 32 bits is not stored at all: writing a
        // substitute such as 0 would put a value nobody asked for into the setting.
        std::int32_t number = 0;
        if (!RoundToInt32(value.ToNumber(), number)) return kErrorInvalidParameter;
        std::uint8_t bytes[4];
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(number) >> (8 * i));
        return registry_.SetValue(key, name, kRegDword, bytes, 4);
    }
    return kErrorSuccess;
}

std::int32_t mdlRegistry::ReadKeyValue(RegKey key, const std::string& name, Variant& out) const {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    const std::int32_t status = registry_.QueryValue(key, name, &type, nullptr, &size);
    if (status != kErrorSuccess) return status;
    if (type == kRegSz) {
        std::vector<std::uint8_t> buffer(size, 0);
        const std::int32_t second = registry_.QueryValue(key, name, &type, buffer.data(), &size);
        if (second == kErrorSuccess)
            out = Variant(std::string(reinterpret_cast<const char*>(buffer.data()),
                                      std::min<std::size_t>(size, buffer.size())));
        else
            out = Variant();
        return second;
    }
    if (type == kRegDword) {
        std::uint8_t bytes[4] = {};
        std::uint32_t four = 4;
        const std::int32_t second = registry_.QueryValue(key, name, &type, bytes, &four);
        if (second == kErrorSuccess) {
            std::uint32_t raw = 0;
            for (int i = 0; i < 4; ++i) raw |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
            out = Variant(static_cast<std::int32_t>(raw));
        }
        return second;
    }
    return -1;
}

}  // namespace quorvel::store
