#pragma once
// What the splash does at start-up apart from its window: the single-instance
// rule, the system directory, the version number and the old session log.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "cafe/CafeReportSource.h"
#include "cafe/ServerLink.h"
#include "platform/Instance.h"
#include "platform/SystemInfo.h"
#include "store/publicVar.h"

namespace quorvel::startup {

// The title this instance takes before it looks for an earlier one, so that its own
// main window is not what it finds.
inline constexpr const char* kUnwantedInstanceTitle = "unwanted instance";

// ActivatePrevInstance: keeps the title, takes "unwanted instance", searches the
// classes "ThunderRTMain", "ThunderRT5Main", "ThunderRT6Main" with the kept title;
// a window found: the first window in Z order at its level is restored and brought
// to the front and the program ends at once (true). Nothing found: false, and this
// instance runs on as "unwanted instance".
bool ActivatePrevInstance(platform::Instance& instance, std::string& appTitle);

// Form_Load's rule: true when an earlier instance was brought forward and this one
// has ended.
bool RefuseSecondInstance(store::publicVar& pv);

// GetSysDir: the system directory, no trailing separator.
std::string GetSysDir(const platform::SystemInfo& systemInfo);

// The version as the text "<major with a blank for its sign>.<minor>" read as a
// number: 4 and 10 give " 4.10", which is 4.1. nullopt when the text is no number.
std::optional<double> OsVersionNumber(int major, int minor);
// GetOsVersion: sets pv.OsVersion; a failure leaves it as it was.
void GetOsVersion(store::publicVar& pv);

// Deletes the previous run's session log; a missing file is no error to anyone.
void DeleteSessionLog(const std::string& sysDir);

// On a PC that has joined a cafe's server: its sender, over the data file at
// `dataFile` and the link `openLink` makes for the membership, into pv.Cafe, and the
// takings of every PC `openReport` reads for the Report tab into pv.CafeReport. Called
// once the data file is open, after the compaction (which must find the file closed).
// On a PC on its own (no membership) nothing is made and nothing is opened; a build
// without a road to a server (null from either) leaves that part out.
using OpenLink = std::function<std::unique_ptr<cafe::ServerLink>(const cafe::Membership&)>;
using OpenReport = std::function<std::shared_ptr<cafe::CafeReportSource>(const cafe::Membership&)>;
void StartCafe(store::publicVar& pv, const std::string& dataFile,
               const std::optional<cafe::Membership>& membership, const OpenLink& openLink,
               const OpenReport& openReport);

}  // namespace quorvel::startup
