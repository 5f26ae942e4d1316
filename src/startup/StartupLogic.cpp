#include "startup/StartupLogic.h"

#include <filesystem>
#include <system_error>

#include "cafe/Sender.h"
#include "db/Database.h"
#include "db/Numbers.h"
#include "session/SessionLog.h"

namespace quorvel::startup {

bool ActivatePrevInstance(platform::Instance& instance, std::string& appTitle) {
    const std::string kept = appTitle;
    appTitle = kUnwantedInstanceTitle;
    instance.SetMainWindowTitle(appTitle);

    platform::Hwnd found = 0;
    for (const char* className : {"ThunderRTMain", "ThunderRT5Main", "ThunderRT6Main"}) {
        found = instance.FindWindow(className, kept);
        if (found) break;
    }
    if (!found) return false;

    const platform::Hwnd first = instance.FirstInZOrder(found);
    instance.Restore(first);
    instance.BringToFront(first);
    instance.EndProgram();
    return true;
}

bool RefuseSecondInstance(store::publicVar& pv) {
    if (!pv.os.instance.PreviousInstanceRunning()) return false;
    return ActivatePrevInstance(pv.os.instance, pv.AppTitle);
}

std::string GetSysDir(const platform::SystemInfo& systemInfo) {
    std::string dir = systemInfo.SystemDirectory();
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    return dir;
}

std::optional<double> OsVersionNumber(int major, int minor) {
    // Str() gives a number a leading blank in place of a plus sign.
    const std::string text =
        (major >= 0 ? " " : "") + std::to_string(major) + "." + std::to_string(minor);
    return db::ParseNumber(text);
}

void GetOsVersion(store::publicVar& pv) {
    int major = 0, minor = 0;
    pv.os.systemInfo.OsVersion(major, minor);
    if (const auto version = OsVersionNumber(major, minor)) pv.OsVersion = *version;
}

void DeleteSessionLog(const std::string& sysDir) {
    std::error_code ignored;
    std::filesystem::remove(session::SessionLogPath(sysDir), ignored);
}

void StartCafe(store::publicVar& pv, const std::string& dataFile,
               const std::optional<cafe::Membership>& membership, const OpenLink& openLink,
               const OpenReport& openReport) {
    if (!membership) return;
    pv.CafeReport = openReport(*membership);
    std::unique_ptr<cafe::ServerLink> link = openLink(*membership);
    if (!link) return;  // this build has no road to a server: the PC books alone
    cafe::SenderOptions options;
    options.dataFile = dataFile;
    options.password = db::kDataFilePassword;
    pv.Cafe = std::make_shared<cafe::Sender>(std::move(link), pv.os.clock, options);
}

}  // namespace quorvel::startup
