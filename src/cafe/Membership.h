#pragma once
// Where a PC keeps its membership of a cafe's server: in the program's settings store,
// which only the program's account can open (the connection string holds the PC's
// password).
#include <cstdint>
#include <optional>
#include <string>

#include "cafe/ServerLink.h"
#include "store/mdlRegistry.h"

namespace quorvel::cafe {

// The values under store::kSettingsKey.
inline constexpr const char* kServerValue = "CafeServer";
inline constexpr const char* kPcNameValue = "CafePc";

// The PC's membership, or nullopt when it has joined no server (it then works alone).
std::optional<Membership> LoadMembership(const store::mdlRegistry& settings);
// Keeps `membership`; the store's status (platform::kErrorSuccess when both values
// were written).
std::int32_t SaveMembership(const store::mdlRegistry& settings, const Membership& membership);
// Forgets it; the store's status (kErrorFileNotFound when there was none).
std::int32_t ForgetMembership(const store::mdlRegistry& settings);

}  // namespace quorvel::cafe
