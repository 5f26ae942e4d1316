#pragma once
// Recording doubles for the platform services, for tests.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Desktop.h"
#include "platform/GuestDesktop.h"
#include "platform/Instance.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"

namespace quorvel::platform {

// Records every call as one line, e.g. "ShowTaskbar 0", in order.
class RecordingDesktop final : public Desktop {
  public:
    void ShowTaskbar(int showCommand) override;
    void SetScreenSaverRunning(bool running, bool writeProfile) override;
    void KeepScreenSaverRunning() override { ++keepCalls; }
    void RegisterServiceProcess() override;
    void ShowTrayClock(int showCommand) override;
    void FlashNotifyIcon(std::uintptr_t window) override;
    bool SetTopMost(std::uintptr_t window, bool topMost) override;
    bool LockSettled() override { return settled; }

    std::vector<std::string> calls;
    // Not in `calls`: the login screen's timer calls it every 50 ms.
    int keepCalls = 0;
    // SetTopMost answers this: false plays a window destroyed by another program.
    bool windowExists = true;
    // LockSettled answers this.
    bool settled = false;
};

class FakeInstance final : public Instance {
  public:
    bool PreviousInstanceRunning() override { return running; }
    void SetMainWindowTitle(const std::string& title) override;
    Hwnd FindWindow(const std::string& className, const std::string& title) override;
    Hwnd FirstInZOrder(Hwnd window) override;
    void Restore(Hwnd window) override;
    void BringToFront(Hwnd window) override;
    void EndProgram() override;

    bool running = false;
    bool ended = false;
    std::string ownTitle;
    // (class, title) -> handle of a window "of another instance".
    std::map<std::pair<std::string, std::string>, Hwnd> windows;
    std::map<Hwnd, Hwnd> firstInZOrder;
    std::vector<std::string> calls;
};

class RecordingShell final : public Shell {
  public:
    bool StartProgram(const std::string& path, int showState) override;
    bool OpenAddress(const std::string& address) override;

    bool succeed = true;
    std::vector<std::string> calls;
};

// Counts the requests; `onRequest`, when set, runs at each one, so a test can look at
// what had happened by then (the booking, the lock on screen).
class RecordingGuestDesktop final : public GuestDesktop {
  public:
    bool RequestFresh() override;

    int requests = 0;
    std::function<void()> onRequest;
};

class FakeSystemInfo final : public SystemInfo {
  public:
    void OsVersion(int& majorOut, int& minorOut) const override {
        majorOut = major;
        minorOut = minor;
    }
    std::string SystemDirectory() const override { return systemDirectory; }
    std::string ProgramFolder() const override { return programFolder; }
    std::string SharedDataFolder() const override { return sharedDataFolder; }

    int major = 6, minor = 1;
    std::string systemDirectory;
    std::string programFolder;
    std::string sharedDataFolder;
};

}  // namespace quorvel::platform
