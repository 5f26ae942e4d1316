#include "platform/atspi/AtspiWindowSystem.h"

#include "platform/atspi/AccessibilitySwitch.h"

namespace quorvel::platform::atspi {

namespace {

// The switch is thrown while the lock is up and again at a guest's sign-in, before the
// guest can start a browser: each waits for it this long at most (the bus launcher may
// have to start first).
constexpr std::chrono::milliseconds kSwitchLimit{1000};

}  // namespace

AtspiWindowSystem::AtspiWindowSystem(std::string displayName, BrowserWatch::Timing timing)
    : displayName_(std::move(displayName)),
      timing_(timing),
      view_(std::make_shared<const Browsers>()) {}

AtspiWindowSystem::~AtspiWindowSystem() {
    StopWatching();
}

void AtspiWindowSystem::PrepareWatching() {
    AccessibilitySwitch().SwitchOn(kSwitchLimit);
}

void AtspiWindowSystem::StartWatching() {
    PrepareWatching();
    if (!watch_) watch_ = std::make_unique<BrowserWatch>(displayName_, timing_);
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
