#include "platform/fake/FakeServices.h"

namespace quorvel::platform {

void RecordingDesktop::ShowTaskbar(int showCommand) {
    calls.push_back("ShowTaskbar " + std::to_string(showCommand));
}
void RecordingDesktop::SetScreenSaverRunning(bool running, bool writeProfile) {
    calls.push_back("SetScreenSaverRunning " + std::to_string(running) + " " +
                    std::to_string(writeProfile));
}
void RecordingDesktop::RegisterServiceProcess() {
    calls.push_back("RegisterServiceProcess");
}
void RecordingDesktop::ShowTrayClock(int showCommand) {
    calls.push_back("ShowTrayClock " + std::to_string(showCommand));
}
void RecordingDesktop::FlashNotifyIcon(std::uintptr_t) {
    calls.push_back("FlashNotifyIcon");
}
bool RecordingDesktop::SetTopMost(std::uintptr_t, bool topMost) {
    calls.push_back("SetTopMost " + std::to_string(topMost));
    return windowExists;
}

void FakeInstance::SetMainWindowTitle(const std::string& title) {
    ownTitle = title;
    calls.push_back("SetMainWindowTitle " + title);
}
Hwnd FakeInstance::FindWindow(const std::string& className, const std::string& title) {
    calls.push_back("FindWindow " + className + " " + title);
    const auto it = windows.find({className, title});
    return it == windows.end() ? 0 : it->second;
}
Hwnd FakeInstance::FirstInZOrder(Hwnd window) {
    calls.push_back("FirstInZOrder " + std::to_string(window));
    const auto it = firstInZOrder.find(window);
    return it == firstInZOrder.end() ? window : it->second;
}
void FakeInstance::Restore(Hwnd window) {
    calls.push_back("Restore " + std::to_string(window));
}
void FakeInstance::BringToFront(Hwnd window) {
    calls.push_back("BringToFront " + std::to_string(window));
}
void FakeInstance::EndProgram() {
    ended = true;
    calls.push_back("EndProgram");
}

bool RecordingGuestDesktop::RequestFresh() {
    ++requests;
    if (onRequest) onRequest();
    return true;
}

bool RecordingShell::StartProgram(const std::string& path, int showState) {
    calls.push_back("StartProgram " + path + " " + std::to_string(showState));
    return succeed;
}
bool RecordingShell::OpenAddress(const std::string& address) {
    calls.push_back("OpenAddress " + address);
    return succeed;
}

}  // namespace quorvel::platform
