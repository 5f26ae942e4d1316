#include "platform/atspi/AtspiWindowSystem.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/atspi/AccessibilitySwitch.h"
#include "platform/atspi/AtspiBrowserBus.h"
#include "platform/atspi/RemoteBrowserBus.h"
#include "platform/posix/LineChannel.h"
#include "platform/x11/InputHold.h"
#include "platform/x11/X11Display.h"

namespace quorvel::platform::atspi {

namespace {

// The switch is thrown while the lock is up and again at a guest's sign-in, before the
// guest can start a browser: each waits for it this long at most (the bus launcher may
// have to start first).
constexpr std::chrono::milliseconds kSwitchLimit{1000};
// The lock waits for the guest's agent to throw it this long at most.
constexpr std::chrono::milliseconds kRemoteSwitchDeadline{1500};

// The account that owns process `pid`, as the kernel says.
std::optional<uid_t> OwnerOf(std::uint32_t pid) {
    struct stat st {};
    if (pid == 0 || ::stat(("/proc/" + std::to_string(pid)).c_str(), &st) != 0) return std::nullopt;
    return st.st_uid;
}

}  // namespace

bool IsGuestProcess(std::uint32_t pid, std::optional<uid_t> guest) {
    return guest && pid != static_cast<std::uint32_t>(::getpid()) && OwnerOf(pid) == *guest;
}

AtspiWindowSystem::AtspiWindowSystem(std::string displayName, BrowserWatch::Timing timing,
                                     std::string guestAccount, std::string inputsDisplayName)
    : displayName_(std::move(displayName)),
      inputsDisplayName_(std::move(inputsDisplayName)),
      timing_(timing),
      guestAccount_(std::move(guestAccount)),
      view_(std::make_shared<const Browsers>()) {
    // Made at the program's start: the guest's keyboards and pointers a killed program
    // left held back (floating) go back at once, before the lock asks anyone to sign in.
    ReturnHeldDevices(inputsDisplayName_.empty() ? displayName_ : inputsDisplayName_);
}

BrowserWatch::BusFactory AtspiWindowSystem::BusMaker(std::chrono::milliseconds deadline) const {
    if (guestAccount_.empty()) return [] { return std::make_unique<AtspiBrowserBus>(); };
    const std::string name =
        wire::WatchAgentName(displayName_.empty() ? DisplayName() : displayName_);
    // An account that is not there is an agent nobody may be: lost at the first word.
    const uid_t uid = AccountUid(guestAccount_).value_or(static_cast<uid_t>(-1));
    return [name, uid, deadline]() -> std::unique_ptr<BrowserBus> {
        return std::make_unique<RemoteBrowserBus>(name, uid, deadline);
    };
}

BrowserWatch::KeyTarget AtspiWindowSystem::KeyTargets() const {
    // Never this program's own windows (the lock, the timer, the panel) ...
    const std::uint32_t self = static_cast<std::uint32_t>(::getpid());
    if (guestAccount_.empty()) return [self](std::uint32_t pid) { return pid != self; };
    // ... and, where the bus is the guest's, whose process ids nothing vouches for,
    // only windows of processes the kernel says are the guest's.
    const std::optional<uid_t> guest = AccountUid(guestAccount_);
    return [guest](std::uint32_t pid) { return IsGuestProcess(pid, guest); };
}

AtspiWindowSystem::~AtspiWindowSystem() {
    StopWatching();
}

void AtspiWindowSystem::PrepareWatching() {
    // On the desktop the browsers run on: this session's own, or the guest's through
    // its agent (with a short wait of its own: the lock is showing).
    if (guestAccount_.empty()) {
        AccessibilitySwitch().SwitchOn(kSwitchLimit);
        return;
    }
    BusMaker(kRemoteSwitchDeadline)()->SwitchOn(kSwitchLimit);
}

void AtspiWindowSystem::StartWatching() {
    PrepareWatching();
    if (!watch_)
        watch_ = std::make_unique<BrowserWatch>(displayName_, timing_,
                                                BusMaker(RemoteBrowserBus::kDeadline), KeyTargets(),
                                                inputsDisplayName_);
}

void AtspiWindowSystem::StopWatching() {
    watch_.reset();
    view_ = std::make_shared<const Browsers>();
    prepared_.reset();
}

std::shared_ptr<const Browsers> AtspiWindowSystem::Latest() const {
    return watch_ ? watch_->Current() : view_;
}

const Frame* AtspiWindowSystem::FindFrame(Hwnd window) const {
    for (const Frame& frame : view_->frames)
        if (frame.handle == window) return &frame;
    return nullptr;
}

const Bar* AtspiWindowSystem::FindBar(Hwnd window) const {
    for (const Frame& frame : view_->frames)
        for (const Bar& bar : frame.bars)
            if (bar.handle == window) return &bar;
    return nullptr;
}

void AtspiWindowSystem::EnumChildWindows(Hwnd parent, const EnumChildProc& proc,
                                         std::intptr_t param) {
    if (parent == kDesktop) {
        view_ = Latest();
        for (const Frame& frame : view_->frames) {
            if (!proc(frame.handle, param)) return;
            for (const Bar& bar : frame.bars)
                if (!proc(bar.handle, param)) return;
        }
        return;
    }
    if (const Frame* frame = FindFrame(parent)) {
        for (const Bar& bar : frame->bars)
            if (!proc(bar.handle, param)) return;
    }
}

std::string AtspiWindowSystem::WindowText(Hwnd window, int maxCount) {
    if (const Frame* frame = FindFrame(window)) return FitText(frame->title, maxCount);
    if (const Bar* bar = FindBar(window)) return FitText(bar->text, maxCount);
    return {};
}

std::string AtspiWindowSystem::ClassName(Hwnd window, int maxCount) {
    if (FindFrame(window) != nullptr) return FitText(kFrameClass, maxCount);
    if (FindBar(window) != nullptr) return FitText(kBarClass, maxCount);
    return {};
}

int AtspiWindowSystem::TextLength(Hwnd window) {
    if (const Frame* frame = FindFrame(window)) return static_cast<int>(frame->title.size());
    if (const Bar* bar = FindBar(window)) return static_cast<int>(bar->text.size());
    return 0;
}

std::string AtspiWindowSystem::GetText(Hwnd window, int bufferSize) {
    return WindowText(window, bufferSize);
}

void AtspiWindowSystem::SetText(Hwnd window, const std::string& text) {
    const Bar* bar = FindBar(window);
    if (bar == nullptr) return;
    prepared_ = Rewrite{bar->handle, bar->text, text};
}

void AtspiWindowSystem::PressEnter() {
    if (!prepared_) return;
    if (watch_) watch_->Request(std::move(*prepared_));
    prepared_.reset();
}

}  // namespace quorvel::platform::atspi
