#include "cafe/Membership.h"

namespace quorvel::cafe {

namespace {

std::optional<std::string> Text(const store::mdlRegistry& settings, const char* name) {
    const store::Variant value =
        settings.ReadSetting(platform::kHkeyCurrentUser, store::kSettingsKey, name);
    if (!value.IsText()) return std::nullopt;
    std::string text = value.ToDisplayText();
    if (text.empty()) return std::nullopt;
    return text;
}

}  // namespace

std::optional<Membership> LoadMembership(const store::mdlRegistry& settings) {
    auto conninfo = Text(settings, kServerValue);
    auto pcName = Text(settings, kPcNameValue);
    if (!conninfo || !pcName) return std::nullopt;
    return Membership{std::move(*conninfo), std::move(*pcName)};
}

std::int32_t SaveMembership(const store::mdlRegistry& settings, const Membership& membership) {
    for (const auto& [name, value] : {std::pair{kPcNameValue, &membership.pcName},
                                      std::pair{kServerValue, &membership.conninfo}}) {
        const std::int32_t status =
            settings.TryWriteSetting(platform::kHkeyCurrentUser, store::kSettingsKey, name, *value,
                                     static_cast<std::int32_t>(platform::kRegSz));
        if (status != platform::kErrorSuccess) return status;
    }
    return platform::kErrorSuccess;
}

std::int32_t ForgetMembership(const store::mdlRegistry& settings) {
    const std::int32_t server =
        settings.TryDeleteSetting(platform::kHkeyCurrentUser, store::kSettingsKey, kServerValue);
    const std::int32_t name =
        settings.TryDeleteSetting(platform::kHkeyCurrentUser, store::kSettingsKey, kPcNameValue);
    return server != platform::kErrorSuccess ? server : name;
}

}  // namespace quorvel::cafe
