#include "panel/SecurityPolicies.h"

#include <cstdint>

#include "panel/NamedValues.h"
#include "store/mdlRegistry.h"

namespace quorvel::panel {

using platform::kErrorFileNotFound;
using platform::kErrorSuccess;
using platform::kHkeyCurrentUser;

PolicyStates LoadSecurityPolicies(const store::mdlRegistry& settings) {
    PolicyStates states{};
    for (int i = 0; i < kPolicyCount; ++i) {
        const store::Variant value =
            settings.ReadSetting(kHkeyCurrentUser, kPolicies[i].key, kPolicies[i].value);
        states[i] = value.IsNumber() && value == store::Variant(std::int32_t{1});
    }
    return states;
}

std::vector<std::string> ApplySecurityPolicies(const store::mdlRegistry& settings,
                                               const PolicyStates& states) {
    std::vector<std::string> notApplied;
    for (const int i : kApplyOrder) {
        const Policy& policy = kPolicies[i];
        bool applied = false;
        if (states[i]) {
            applied =
                settings.TryCreateSettingsKey(kHkeyCurrentUser, policy.key) == kErrorSuccess &&
                settings.TryWriteSetting(
                    kHkeyCurrentUser, policy.key, policy.value, std::int32_t{1},
                    static_cast<std::int32_t>(platform::kRegDword)) == kErrorSuccess;
        } else {
            // A value (or key) that is not there is already what a cleared box means.
            const std::int32_t status =
                settings.TryDeleteSetting(kHkeyCurrentUser, policy.key, policy.value);
            applied = status == kErrorSuccess || status == kErrorFileNotFound;
        }
        if (!applied) notApplied.push_back(policy.caption);
    }
    return notApplied;
}

std::string PoliciesNotAppliedMessage(const std::vector<std::string>& captions) {
    return NamesMessage("These restrictions could not be applied:\n", captions,
                        "Every other restriction was applied.");
}

}  // namespace quorvel::panel
