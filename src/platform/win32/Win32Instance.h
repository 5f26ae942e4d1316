#pragma once
// Single-instance services on Windows: a named mutex tells a running instance, and
// each instance owns a hidden top-level window of class "ThunderRT6Main" titled with
// the application title, through which a later instance finds it.
#include <string>

#include "platform/Instance.h"

namespace quorvel::platform {

class Win32Instance final : public Instance {
  public:
    // `mutexName`: the per-session name of the running-instance mutex.
    explicit Win32Instance(std::string mutexName = "Local\\Quorvel (DE) instance");
    ~Win32Instance() override;
    Win32Instance(const Win32Instance&) = delete;
    Win32Instance& operator=(const Win32Instance&) = delete;

    Hwnd mainWindow() const { return reinterpret_cast<Hwnd>(window_); }

    bool PreviousInstanceRunning() override;
    void SetMainWindowTitle(const std::string& title) override;
    Hwnd FindWindow(const std::string& className, const std::string& title) override;
    Hwnd FirstInZOrder(Hwnd window) override;
    void Restore(Hwnd window) override;
    void BringToFront(Hwnd window) override;
    void EndProgram() override;

  private:
    std::string mutexName_;
    void* mutex_ = nullptr;  // HANDLE
    bool mutexTried_ = false;
    bool otherRunning_ = false;
    void* window_ = nullptr;  // HWND
};

}  // namespace quorvel::platform
