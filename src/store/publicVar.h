#pragma once
// The program's shared state: one object built by main (and one per test), never
// free globals.
#include <memory>
#include <string>

#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/GuestDesktop.h"
#include "platform/Instance.h"
#include "platform/Locale.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"
#include "platform/WindowSystem.h"
#include "store/ienann.h"
#include "store/mdlRegistry.h"

namespace quorvel::db {
class Database;
}
namespace quorvel::cafe {
class Sender;
class CafeReportSource;
}  // namespace quorvel::cafe

namespace quorvel::store {

// The operating-system services every part reaches through.
struct Platform {
    platform::Registry& registry;
    platform::WindowSystem& windows;
    platform::Desktop& desktop;
    platform::Instance& instance;
    platform::Shell& shell;
    platform::SystemInfo& systemInfo;
    platform::Locale& locale;
    platform::Clock& clock;
    platform::GuestDesktop& guestDesktop;
};

inline constexpr const char* kAppTitle = "Quorvel (DE)";

class publicVar {
  public:
    explicit publicVar(Platform services) : os(services), settings(services.registry) {}

    Platform os;
    mdlRegistry settings;

    std::shared_ptr<db::Database> Conn;  // open from start-up to the login screen's unload
    // On a PC that has joined a cafe's server, its sender, started once the data file
    // is open (after the compaction) and stopped when the program ends; null on a PC on
    // its own, which then books exactly as ever.
    std::shared_ptr<cafe::Sender> Cafe;
    // On a joined PC, the takings of every PC for the Report tab's "All PCs".
    std::shared_ptr<cafe::CafeReportSource> CafeReport;
    std::string SysDir;
    double OsVersion = 0;
    std::string CurrentUser;
    std::string CurrencySymbol;
    NameList ProgramList;
    NameList SiteList;
    std::string reportFromDate;
    std::string reportTillDate;
    bool reportAllPcs = false;  // the report of every PC of the cafe, from its server
    // The application title; a second instance that found no earlier one runs on as
    // "unwanted instance".
    std::string AppTitle = kAppTitle;
    // Set by the control panel's confirmed "Quit": the program then ends with the one
    // exit status after which the kiosk service does not start it again.
    bool QuitConfirmed = false;

    // Each gives back the values left out for their names' length.
    SkippedNames LoadProgramList(platform::RegKey root, const std::string& path) {
        return LoadNameList(os.registry, root, path, ProgramList);
    }
    SkippedNames LoadSiteList(platform::RegKey root, const std::string& path) {
        return LoadNameList(os.registry, root, path, SiteList);
    }
};

}  // namespace quorvel::store
