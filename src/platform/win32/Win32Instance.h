#pragma once
// Single-instance services on Windows: a named mutex tells a running instance, and
// each instance owns a hidden top-level window of class "ThunderRT6Main" titled with
// the application title, through which a later instance finds it.
#include <memory>
#include <string>

#include "platform/Instance.h"

struct HWND__;  // the type behind user32's HWND

namespace quorvel::platform {

class Win32Instance final : public Instance {
  public:
    // `mutexName`: the per-session name of the running-instance mutex.
    explicit Win32Instance(std::string mutexName = "Local\\Quorvel (DE) instance");
    ~Win32Instance() override;
    Win32Instance(const Win32Instance&) = delete;
    Win32Instance& operator=(const Win32Instance&) = delete;

    Hwnd mainWindow() const { return reinterpret_cast<Hwnd>(window_.get()); }

    bool PreviousInstanceRunning() override;
    void SetMainWindowTitle(const std::string& title) override;
    Hwnd FindWindow(const std::string& className, const std::string& title) override;
    Hwnd FirstInZOrder(Hwnd window) override;
    void Restore(Hwnd window) override;
    void BringToFront(Hwnd window) override;
    void EndProgram() override;

  private:
    struct HandleCloser {
        void operator()(void* handle) const;  // CloseHandle
    };
    struct WindowDestroyer {
        void operator()(HWND__* window) const;  // DestroyWindow
    };

    std::string mutexName_;
    std::unique_ptr<void, HandleCloser> mutex_;
    bool mutexTried_ = false;
    bool otherRunning_ = false;
    std::unique_ptr<HWND__, WindowDestroyer> window_;
};

}  // namespace quorvel::platform
