#include "platform/atspi/BrowserWatch.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "platform/AsciiText.h"
#include "platform/x11/X11Input.h"

namespace quorvel::platform::atspi {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// X keysyms of the keys a rewrite presses.
constexpr std::uint32_t kKeyA = 0x61;
constexpr std::uint32_t kKeyN = 0x6e;
constexpr std::uint32_t kKeyDelete = 0xffff;
constexpr std::uint32_t kKeyReturn = 0xff0d;
constexpr std::uint32_t kKeyF11 = 0xffc8;

// How long a rewrite waits for each step: the window to become active, the bar to take
// the focus, the browser to begin on the keys typed (a busy machine takes seconds; once
// begun, the keys are waited for as long as the rewrite may take). Browsers are slow
// under load.
constexpr milliseconds kActivateLimit{3000};
constexpr milliseconds kFocusLimit{2000};
constexpr milliseconds kKeysTakenLimit{6000};
constexpr milliseconds kStepPoll{10};
// The longest a rewrite may take, from bringing the window forward to the page opening:
// the guest's keyboards and pointers are held back meanwhile, so this is also the
// longest the guest is without them. A rewrite takes well under a second when the
// browser answers; one that runs out has failed, and is tried again later with a hold
// of its own.
constexpr milliseconds kRewriteLimit{10000};
// How long the bar may stand still showing something other than the address typed, or
// the start of it, before it is taken for mixed with other keys and typed again; and
// how often it is typed at most.
constexpr milliseconds kTypedStill{300};
constexpr int kTypingTries = 3;
// How long a window whose bar cannot be typed into waits for the new window it asked
// its browser for, and how often it looks for it (each look lists the windows).
constexpr milliseconds kNewWindowLimit{5000};
constexpr milliseconds kNewWindowPoll{100};
// How long a rewrite waits after Return for the browser to leave the bar.
constexpr milliseconds kSettleLimit{2000};
// After a failed rewrite the bar is tried again no sooner than this, and one address
// is tried this often at most: a window that cannot be rewritten is not fought over
// (pulled to the front again and again) while it shows the same address.
constexpr milliseconds kRetryDelay{500};
constexpr int kRewriteTries = 3;
// A bar that has the focus and whose text changed this recently is taken for one the
// guest is typing in: a person's keys come closer together than this.
constexpr milliseconds kGuestTyping{1000};
// A browser that let a call run out its time is left alone this long.
constexpr milliseconds kHungPause{2000};
// How long a new frame is searched for its address bar (a pop-up or a dialog has none).
constexpr milliseconds kBarSearchPeriod{30000};
// How often a missing accessibility bus is looked for again.
constexpr milliseconds kBusRetry{5000};
// The switch is a session bus call; it waits no longer than this, and it is looked at
// this often (it is only ever off when someone switched it off behind the blocker's back).
constexpr milliseconds kSwitchLimit{500};
constexpr milliseconds kSwitchCheck{5000};
// Handles of frames and bars count up from here, never given twice in one watch.
constexpr Hwnd kFirstHandle = 0x100;

// "name=value" split at its first "=".
std::pair<std::string, std::string> SplitAttribute(const char* attribute) {
    const char* eq = std::strchr(attribute, '=');
    if (eq == nullptr) return {attribute, ""};
    return {std::string(attribute, eq), std::string(eq + 1)};
}

// What can be typed: printable ASCII. Other bytes of the address (a space, UTF-8) are
// percent-encoded, which an address bar reads as the same address.
std::string TypableAddress(const std::string& address) {
    std::string typed;
    for (const char ch : address) {
        const auto c = static_cast<unsigned char>(ch);
        if (c > 0x20 && c < 0x7f)
            typed += ch;
        else
            AppendPercentEncoded(typed, c);
    }
    return typed;
}

}  // namespace

// One hold of an object of the bus, given back when it goes.
class Held {
  public:
    Held() = default;
    Held(BrowserBus& bus, ObjectId id) : bus_(&bus), id_(id) {}
    Held(Held&& other) noexcept : bus_(other.bus_), id_(std::exchange(other.id_, 0)) {}
    Held& operator=(Held&& other) noexcept {
        if (this != &other) {
            Reset();
            bus_ = other.bus_;
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() { Reset(); }

    ObjectId get() const { return id_; }
    explicit operator bool() const { return id_ != 0; }

  private:
    void Reset() {
        if (id_ != 0) bus_->Release(std::exchange(id_, 0));
    }
    BrowserBus* bus_ = nullptr;
    ObjectId id_ = 0;
};

// Everything the worker owns: the bus and what it holds, the X connection that types,
// and what is known of each browser window. Lives and dies on the worker.
class BrowserWatch::Session {
  public:
    Session(const std::string& displayName, const std::string& inputsDisplayName, Timing timing,
            const std::atomic<bool>& stopping, std::unique_ptr<BrowserBus> bus,
            const KeyTarget& mayType)
        : timing_(timing),
          stopping_(stopping),
          mayType_(mayType),
          bus_(std::move(bus)),
          input_(displayName, inputsDisplayName) {
        // A program that ended in the middle of a rewrite (killed, crashed) left the
        // guest's keyboards and pointers floating: they go back before anything is
        // watched.
        input_.ReturnHeldDevices();
    }
    ~Session() {
        // What the bus holds goes back before the bus.
        frames_.clear();
        others_.clear();
        apps_.clear();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void Discover();
    void ReadBars();
    void Handle(const Rewrite& rewrite);
    // Tries the unfinished rewrites again once their time has come.
    void Resume();
    // Runs what the bus put off.
    void Dispatch() { bus_->Dispatch(); }
    bool Lost() const { return bus_->Lost(); }
    // Drops every window: a lost bus shows none any more.
    void Forget() {
        frames_.clear();
        others_.clear();
        apps_.clear();
    }
    Browsers Picture() const;

  private:
    struct App {
        Held object;
        const BrowserMarkers* browser = nullptr;  // nullptr: not a browser
        std::uint32_t pid = 0;
        bool seen = false;
    };
    struct Tracked {
        Hwnd handle = 0;
        Held frame;
        const BrowserMarkers* browser = nullptr;
        std::uint32_t pid = 0;
        std::string title;
        Clock::time_point found;
        Hwnd barHandle = 0;
        Held bar;
        std::string text;
        bool textRead = false;
        // When the bar's text was last seen to change.
        Clock::time_point changed{};
        // The address the bar was last sent away from, or given up on, while it still
        // shows it.
        std::string rewrittenFrom;
        Clock::time_point retryAfter{};
        // Failed rewrites of the address `failedFrom`.
        std::string failedFrom;
        int failures = 0;
        // A rewrite that failed once it had begun to type (the bar may show part of the
        // address now, and no keyword): tried again without being asked.
        std::optional<Rewrite> unfinished;
        // A rewrite whose Return was taken while the window still shows the page it
        // showed before (`pageBefore`), not the one typed (`pageTyped`): done once the
        // window shows another page, failed at `pageBy`.
        std::optional<Rewrite> opening;
        std::string pageBefore;
        std::string pageTyped;
        Clock::time_point pageBy{};
        bool seen = false;
    };
    struct Other {
        Held frame;
        bool seen = false;
    };

    bool Connect();
    Held Hold(std::optional<ObjectId> id) { return id && *id != 0 ? Held(*bus_, *id) : Held(); }
    // Whether a browser process is being left alone after a call ran out its time.
    bool Hung(std::uint32_t pid) const {
        const auto it = hungUntil_.find(pid);
        return it != hungUntil_.end() && Clock::now() < it->second;
    }
    // Notes a call to `pid` that began at `start`: one that took the whole time limit
    // marks the process hung. Returns whether the call may be believed.
    bool Answered(std::uint32_t pid, Clock::time_point start, bool answered) {
        if (Clock::now() - start >= timing_.callLimit) {
            hungUntil_[pid] = Clock::now() + kHungPause;
            return false;
        }
        return answered;
    }
    void DiscoverApp(App& app);
    void FindBar(Tracked& frame);
    bool HasAttribute(ObjectId object, const char* attribute, std::uint32_t pid);
    // Reads the bar's text. In the middle of a rewrite a slow answer is not taken for a
    // hung browser: the rewrite has a limit of its own, and a bar already typed over must
    // not be given up before its Return for a read that ran out.
    bool ReadText(Tracked& frame, bool rewriting = false);
    // The address of the page the window shows; empty while it shows none; none when
    // its browser does not tell it (or could not once).
    std::optional<std::string> PageOf(const Tracked& frame);
    // Settles the rewrites waiting for their page to open.
    void CheckPages();
    // Notes a failed rewrite of the window, to be tried again or given up.
    void Failed(Tracked& frame, const Rewrite& rewrite);
    bool Has(ObjectId object, ObjectState state) {
        return bus_->HasState(object, state).value_or(false);
    }
    bool WaitFor(milliseconds limit, const std::function<bool()>& condition,
                 milliseconds poll = kStepPoll);
    Tracked* Find(Hwnd handle);
    Tracked* FindFrame(ObjectId frame);
    X11Input::Window Raise(Hwnd frame);
    bool TypeInto(Hwnd frame, X11Input::Window window, const std::string& typed);
    bool Enter(ObjectId bar, X11Input::Window window);
    bool Perform(Hwnd frame, const std::string& from, const std::string& address);
    // A rewrite under way, for as long as it lives: when it runs out is set, and the
    // guest's keyboards and pointers are held back until it ends (or that time, at the
    // latest).
    class Rewriting {
      public:
        Rewriting(Clock::time_point& ends, X11Input& input)
            : ends_(ends), hold_(input.HoldInput(kRewriteLimit)) {
            ends_ = Clock::now() + kRewriteLimit;
        }
        ~Rewriting() { ends_ = Clock::time_point::max(); }
        Rewriting(const Rewriting&) = delete;
        Rewriting& operator=(const Rewriting&) = delete;

      private:
        Clock::time_point& ends_;
        InputHold hold_;
    };
    bool Replace(Hwnd frame, const std::string& from, const std::string& address);

    const Timing timing_;
    const std::atomic<bool>& stopping_;
    const KeyTarget& mayType_;
    // Declared before everything it holds, which goes back to it first.
    std::unique_ptr<BrowserBus> bus_;
    X11Input input_;
    // When the rewrite under way runs out (none: never).
    Clock::time_point rewriteEnds_ = Clock::time_point::max();
    bool connected_ = false;
    Clock::time_point nextBusTry_{};
    Clock::time_point nextSwitchCheck_{};
    std::vector<App> apps_;
    std::vector<Tracked> frames_;
    std::vector<Other> others_;  // frames that are not browser windows (pop-ups)
    std::map<std::uint32_t, Clock::time_point> hungUntil_;
    // Browsers whose page could not be read once: a search of a window's documents walks
    // its whole tree, and a browser too slow for it (a busy machine) is not asked again,
    // so that no rewrite waits on it. Their rewrites are taken at the bar's word.
    std::set<std::uint32_t> pagesUntold_;
    Hwnd nextHandle_ = kFirstHandle;
    std::uint64_t rewrites_ = 0;
    std::uint64_t failedRewrites_ = 0;
};

bool BrowserWatch::Session::Connect() {
    if (connected_) return true;
    if (Clock::now() < nextBusTry_) return false;
    nextBusTry_ = Clock::now() + kBusRetry;
    connected_ = bus_->Reachable(timing_.callLimit);
    return connected_;
}

BrowserWatch::Session::Tracked* BrowserWatch::Session::Find(Hwnd handle) {
    const auto it = std::find_if(frames_.begin(), frames_.end(),
                                 [handle](const Tracked& t) { return t.handle == handle; });
    return it == frames_.end() ? nullptr : &*it;
}

BrowserWatch::Session::Tracked* BrowserWatch::Session::FindFrame(ObjectId frame) {
    const auto it = std::find_if(frames_.begin(), frames_.end(),
                                 [frame](const Tracked& t) { return t.frame.get() == frame; });
    return it == frames_.end() ? nullptr : &*it;
}

void BrowserWatch::Session::Discover() {
    // Keeps accessibility on: a browser started while it is off never shows its windows.
    if (Clock::now() >= nextSwitchCheck_) {
        bus_->SwitchOn(kSwitchLimit);
        nextSwitchCheck_ = Clock::now() + kSwitchCheck;
    }
    if (!Connect()) return;
    const auto listed = bus_->Applications();
    if (!listed) return;
    std::vector<Held> objects;
    for (const ObjectId id : *listed) objects.push_back(Hold(id));
    for (App& app : apps_) app.seen = false;
    for (Tracked& frame : frames_) frame.seen = false;
    for (Other& other : others_) other.seen = false;

    for (Held& object : objects) {
        if (stopping_) break;
        auto it = std::find_if(apps_.begin(), apps_.end(),
                               [&](const App& a) { return a.object.get() == object.get(); });
        if (it == apps_.end()) {
            // An application's name and process never change: they are asked for once.
            App app;
            app.pid = bus_->ProcessId(object.get()).value_or(0);
            const auto start = Clock::now();
            const auto name = bus_->Name(object.get());
            if (!Answered(app.pid, start, name.has_value())) continue;
            for (const BrowserMarkers& browser : kBrowsers)
                if (*name == browser.application) app.browser = &browser;
            app.object = std::move(object);
            apps_.push_back(std::move(app));
            it = std::prev(apps_.end());
        }
        it->seen = true;
        if (it->browser != nullptr) DiscoverApp(*it);
    }
    // A window that was not seen again has closed (or its browser ended).
    std::erase_if(apps_, [](const App& a) { return !a.seen; });
    std::erase_if(frames_, [](const Tracked& t) { return !t.seen; });
    std::erase_if(others_, [](const Other& o) { return !o.seen; });
}

void BrowserWatch::Session::DiscoverApp(App& app) {
    if (Hung(app.pid)) {
        // Its windows are kept as they were until it answers again.
        for (Tracked& frame : frames_)
            if (frame.pid == app.pid) frame.seen = true;
        return;
    }
    auto start = Clock::now();
    const auto count = bus_->ChildCount(app.object.get());
    if (!Answered(app.pid, start, count.has_value())) return;
    for (int i = 0; i < *count && !stopping_ && !Hung(app.pid); ++i) {
        start = Clock::now();
        const auto childId = bus_->ChildAt(app.object.get(), i);
        if (!Answered(app.pid, start, childId.has_value())) continue;
        Held child = Hold(childId);
        if (!child) continue;
        if (Tracked* known = FindFrame(child.get())) {
            // Its title is not asked again: nothing here needs it but a rewrite, which
            // asks for it afresh.
            known->seen = true;
            if (known->barHandle == 0 && Clock::now() - known->found < kBarSearchPeriod)
                FindBar(*known);
            continue;
        }
        const auto other = std::find_if(others_.begin(), others_.end(), [&](const Other& o) {
            return o.frame.get() == child.get();
        });
        if (other != others_.end()) {
            other->seen = true;
            continue;
        }
        start = Clock::now();
        const auto frameRole = bus_->IsFrame(child.get());
        if (!Answered(app.pid, start, frameRole.has_value())) continue;
        if (!*frameRole || (app.browser->frameAttribute != nullptr &&
                            !HasAttribute(child.get(), app.browser->frameAttribute, app.pid))) {
            others_.push_back({std::move(child), true});
            continue;
        }
        Tracked frame;
        frame.handle = nextHandle_++;
        frame.frame = std::move(child);
        frame.browser = app.browser;
        frame.pid = app.pid;
        frame.found = Clock::now();
        frame.seen = true;
        frame.title = bus_->Name(frame.frame.get()).value_or("");
        FindBar(frame);
        frames_.push_back(std::move(frame));
    }
}

bool BrowserWatch::Session::HasAttribute(ObjectId object, const char* attribute,
                                         std::uint32_t pid) {
    const auto [name, value] = SplitAttribute(attribute);
    const auto start = Clock::now();
    const auto has = bus_->HasAttribute(object, name, value);
    return Answered(pid, start, has.has_value()) && *has;
}

void BrowserWatch::Session::FindBar(Tracked& frame) {
    const auto [name, value] = SplitAttribute(frame.browser->barAttribute);
    const auto start = Clock::now();
    const auto found = bus_->FindDescendant(frame.frame.get(), name, value);
    if (!Answered(frame.pid, start, found.has_value())) return;
    Held bar = Hold(found);
    if (!bar) return;
    frame.bar = std::move(bar);
    frame.barHandle = nextHandle_++;
    ReadText(frame);
}

bool BrowserWatch::Session::ReadText(Tracked& frame, bool rewriting) {
    if (!frame.bar || (!rewriting && Hung(frame.pid))) return false;
    const auto start = Clock::now();
    const auto text = bus_->Text(frame.bar.get());
    if (rewriting ? !text : !Answered(frame.pid, start, text.has_value())) return false;
    if (frame.textRead && frame.text != *text) frame.changed = Clock::now();
    frame.text = *text;
    frame.textRead = true;
    // The bar has moved on from the address it was sent away from (or given up on):
    // when that address comes back, it is blocked again, with every try again.
    if (frame.text != frame.rewrittenFrom) frame.rewrittenFrom.clear();
    if (!frame.unfinished && !frame.opening && frame.text != frame.failedFrom) {
        frame.failedFrom.clear();
        frame.failures = 0;
    }
    return true;
}

void BrowserWatch::Session::ReadBars() {
    if (!connected_) return;
    for (Tracked& frame : frames_) {
        if (stopping_) return;
        ReadText(frame);
    }
    CheckPages();
}

std::optional<std::string> BrowserWatch::Session::PageOf(const Tracked& frame) {
    if (frame.browser->pageAttribute == nullptr || pagesUntold_.contains(frame.pid))
        return std::nullopt;
    auto page = bus_->PageAddress(frame.frame.get(), frame.browser->pageAttribute);
    if (!page) pagesUntold_.insert(frame.pid);
    return page;
}

void BrowserWatch::Session::CheckPages() {
    for (Tracked& frame : frames_) {
        if (!frame.opening || stopping_ || Hung(frame.pid)) continue;
        const auto page = PageOf(frame);
        // The page typed, or any other than before: the browser's error page, or one the
        // guest went on to, is a page the blocked one is not waiting behind. A window
        // whose page cannot be read any more is taken at its bar's word.
        if (!page || (!page->empty() && (*page == frame.pageTyped || *page != frame.pageBefore))) {
            frame.opening.reset();
            frame.failedFrom.clear();
            frame.failures = 0;
        } else if (Clock::now() >= frame.pageBy) {
            const Rewrite rewrite = *frame.opening;
            frame.opening.reset();
            ++failedRewrites_;
            Failed(frame, rewrite);
        }
    }
}

bool BrowserWatch::Session::WaitFor(milliseconds limit, const std::function<bool()>& condition,
                                    milliseconds poll) {
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (stopping_ || Clock::now() >= deadline || Clock::now() >= rewriteEnds_) return false;
        std::this_thread::sleep_for(poll);
    }
    return true;
}

X11Input::Window BrowserWatch::Session::Raise(Hwnd handle) {
    Tracked* frame = Find(handle);
    if (frame == nullptr) return 0;
    // The process comes from the bus, which may be another account's agent: keys go
    // only to the windows of a process the watch may type into (never this program's).
    if (!mayType_(frame->pid)) return 0;
    // Asked as part of the rewrite, which has a limit of its own: a slow answer is not
    // taken for a hung browser. A page loading retitles its window, and the new title
    // reaches the window and the bus apart: until both show it, no window is sure to be
    // the one meant, and it is looked for again.
    X11Input::Window window = 0;
    WaitFor(
        kActivateLimit,
        [&] {
            const auto title = bus_->Name(frame->frame.get());
            const auto rect = title ? bus_->Extents(frame->frame.get()) : std::nullopt;
            // A window that does not answer is not waited for.
            if (!rect) return true;
            window = input_.FindWindow(frame->pid, *title, *rect);
            return window != 0;
        },
        kNewWindowPoll);
    if (window == 0 || !input_.Activate(window, kActivateLimit)) return 0;
    // A browser in full screen hides its bar, which then takes no focus: the window
    // leaves full screen by the browser's own key, as the guest would leave it.
    if (input_.IsFullScreen(window) &&
        (!input_.PressKey(kKeyF11, false, window) ||
         !WaitFor(kActivateLimit, [&] { return !input_.IsFullScreen(window); })))
        return 0;
    return window;
}

bool BrowserWatch::Session::TypeInto(Hwnd handle, X11Input::Window window,
                                     const std::string& typed) {
    for (int attempt = 0; attempt < kTypingTries; ++attempt) {
        Tracked* frame = Find(handle);
        if (frame == nullptr || !frame->bar || !input_.IsActive(window)) return false;
        const ObjectId bar = frame->bar.get();
        if (!bus_->GrabFocus(bar) ||
            !WaitFor(kFocusLimit, [&] { return Has(bar, ObjectState::Focused); }))
            return false;
        if (!ReadText(*frame, true)) return false;
        const std::string before = frame->text;
        // Select all, type over it, and drop what the browser may have completed after
        // it. Every key goes only while the window still has the focus.
        if (!input_.PressKey(kKeyA, true, window) || !input_.Type(typed, window) ||
            !input_.PressKey(kKeyDelete, false, window))
            return false;
        // The bar shows the address as typed, or stands still showing something else:
        // keys of someone else's came between, and the address is typed again. A bar
        // still showing what it showed before, or the start of the address, is a browser
        // still at the keys (a busy machine takes seconds to begin, and takes them in
        // bursts), not a mix: it is waited for, a while to begin, and then until the
        // rewrite runs out.
        std::string last = before;
        const auto typedAt = Clock::now();
        auto still = typedAt;
        bool begun = false;
        const bool settled = WaitFor(kRewriteLimit, [&] {
            if (!ReadText(*frame, true)) return false;
            if (frame->text == typed) return true;
            if (frame->text != last) {
                last = frame->text;
                still = Clock::now();
            }
            begun = begun || frame->text != before;
            if (!begun) return Clock::now() - typedAt >= kKeysTakenLimit;
            return !typed.starts_with(frame->text) && Clock::now() - still >= kTypedStill;
        });
        if (!settled) return false;
        if (frame->text == typed) return Enter(bar, window);
        // The bar would not take the keys at all (it puts its own text back).
        if (!begun) return false;
    }
    return false;
}

bool BrowserWatch::Session::Enter(ObjectId bar, X11Input::Window window) {
    // A browser may act on Return only once its suggestions are ready, and drops it when
    // they take too long (a new window's first search) or its window loses the focus
    // before: nothing else happens until it has moved the focus from the bar to the
    // page it opens, and Return is pressed again while the bar keeps it. Never once the
    // rewrite's time is up: the guest's keyboards and pointers are no longer held back
    // then.
    for (int press = 0; press < kTypingTries; ++press) {
        if (!input_.IsActive(window)) return false;
        // A busy browser lets a call run out now and then: a bar typed over is not given
        // up for a question that went unanswered, only for a no.
        std::optional<bool> focused;
        const auto answered = [&] {
            focused = bus_->HasState(bar, ObjectState::Focused);
            return focused.has_value();
        };
        if (!WaitFor(kFocusLimit, answered)) return false;
        // A bar that gave the focus up after a Return of ours has taken it, late: a busy
        // browser gets to its keys seconds after they were pressed.
        if (!*focused) return press > 0;
        if (Clock::now() >= rewriteEnds_) return false;
        if (!input_.PressKey(kKeyReturn, false, window)) return false;
        if (WaitFor(kSettleLimit, [&] { return !Has(bar, ObjectState::Focused); })) return true;
    }
    return false;
}

bool BrowserWatch::Session::Perform(Hwnd handle, const std::string& from,
                                    const std::string& address) {
    Tracked* frame = Find(handle);
    if (frame == nullptr) return false;
    frame->opening.reset();
    // The page before Return, read before the guest's input is held back: Return has
    // done its work once the window shows another.
    const auto before = PageOf(*frame);
    const std::string typed = TypableAddress(address);
    {
        // Keys go to whatever window has the focus: nothing is typed before the browser's
        // window is the active one and its bar has the focus. The guest's keyboards and
        // pointers are held back from before the window comes forward until the browser
        // has taken Return: no key of theirs lands in the bar between ours and Return,
        // nor in this window when they meant another, and no click of theirs takes the
        // focus from the bar. The hold ends with the typing, and at its limit at the
        // latest.
        const Rewriting rewriting(rewriteEnds_, input_);
        const X11Input::Window window = Raise(handle);
        if (window == 0 || !TypeInto(handle, window, typed)) return false;
    }
    frame = Find(handle);
    if (frame != nullptr && before && !before->empty()) {
        frame->opening = Rewrite{frame->barHandle, from, address};
        frame->pageBefore = *before;
        frame->pageTyped = typed;
        frame->pageBy = Clock::now() + timing_.pageLimit;
    }
    return true;
}

bool BrowserWatch::Session::Replace(Hwnd handle, const std::string& from,
                                    const std::string& address) {
    // A bar that cannot be typed into (a pop-up's): the browser is asked for a new
    // window of its own (Ctrl+N), the blocked one is closed, and the new window is sent
    // to the address.
    std::vector<Hwnd> before;
    for (const Tracked& t : frames_) before.push_back(t.handle);
    X11Input::Window window = 0;
    std::uint32_t pid = 0;
    {
        // The guest's keys are held back while the pop-up is brought forward and asked.
        const Rewriting rewriting(rewriteEnds_, input_);
        window = Raise(handle);
        if (window == 0) return false;
        pid = Find(handle)->pid;
        if (!input_.PressKey(kKeyN, true, window)) return false;
    }
    Hwnd fresh = 0;
    WaitFor(
        kNewWindowLimit,
        [&] {
            Discover();
            for (const Tracked& t : frames_)
                if (t.pid == pid && t.bar && Has(t.bar.get(), ObjectState::Editable) &&
                    std::find(before.begin(), before.end(), t.handle) == before.end())
                    fresh = t.handle;
            return fresh != 0;
        },
        kNewWindowPoll);
    input_.Close(window);
    if (fresh == 0) return false;
    // The new window shows no keyword, so no later tick asks for it again: it is tried
    // here as often as a blocked address is (a window just made may not take the focus
    // yet).
    for (int attempt = 0; attempt < kRewriteTries; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(kRetryDelay);
        if (Perform(fresh, from, address)) return true;
    }
    return false;
}

void BrowserWatch::Session::Handle(const Rewrite& rewrite) {
    const auto it = std::find_if(frames_.begin(), frames_.end(),
                                 [&](const Tracked& t) { return t.barHandle == rewrite.bar; });
    // A window that closed and is forgotten has nothing left to rewrite.
    if (it == frames_.end()) return;
    const bool resumed = it->unfinished && it->unfinished->from == rewrite.from;
    const auto dropped = [&] {
        return (it->text != rewrite.from && !resumed) || it->rewrittenFrom == rewrite.from ||
               Clock::now() < it->retryAfter;
    };
    // Dropped on what the last read showed before the bar is read afresh: the tick asks
    // again every 10 ms while a bar shows a keyword, and each read is a call into the
    // browser.
    if (dropped()) return;
    // A browser left alone for not answering is asked again once its pause is over; the
    // tick's repeats meanwhile are not one more failure each.
    if (Hung(it->pid)) return;
    if (!ReadText(*it)) {
        // The browser does not answer (hung, or the window is closing): given up.
        ++failedRewrites_;
        return;
    }
    if (dropped()) return;
    // The guest is typing in the bar: what it shows is not yet an address opened, and
    // keys typed now would mix with the guest's (the guest's own Return would open the
    // mix). It is blocked once the guest opens it (the browser moves the focus to the
    // page) or stops typing; it is looked at again a read later.
    if (Clock::now() - it->changed < kGuestTyping && Has(it->bar.get(), ObjectState::Focused)) {
        it->retryAfter = Clock::now() + timing_.readInterval;
        return;
    }
    // Whether the bar can be typed into is asked at the moment: a pop-up's bar shows its
    // address read-only, but may be editable for a moment as its window is made.
    const Hwnd handle = it->handle;
    const bool done = Has(it->bar.get(), ObjectState::Editable)
                          ? Perform(handle, rewrite.from, rewrite.to)
                          : Replace(handle, rewrite.from, rewrite.to);
    ++(done ? rewrites_ : failedRewrites_);
    // The window may be gone since (a pop-up is closed).
    Tracked* frame = Find(handle);
    if (frame == nullptr) return;
    if (done) {
        frame->rewrittenFrom = rewrite.from;
        frame->unfinished.reset();
        // The tries so far still count while the page has yet to open.
        if (!frame->opening) {
            frame->failedFrom.clear();
            frame->failures = 0;
        }
    } else {
        Failed(*frame, rewrite);
    }
    ReadText(*frame);
}

void BrowserWatch::Session::Failed(Tracked& frame, const Rewrite& rewrite) {
    if (frame.failedFrom != rewrite.from) {
        frame.failedFrom = rewrite.from;
        frame.failures = 0;
    }
    if (++frame.failures >= kRewriteTries) {
        // Given up: left alone until the bar shows something else.
        frame.rewrittenFrom = rewrite.from;
        frame.unfinished.reset();
    } else {
        frame.rewrittenFrom.clear();
        frame.unfinished = rewrite;
        frame.retryAfter = Clock::now() + kRetryDelay;
    }
}

void BrowserWatch::Session::Resume() {
    // Handling one may list the windows afresh (a pop-up's), so they are taken first.
    std::vector<Rewrite> due;
    for (const Tracked& frame : frames_)
        if (frame.unfinished && Clock::now() >= frame.retryAfter) due.push_back(*frame.unfinished);
    for (const Rewrite& rewrite : due) {
        if (stopping_) return;
        Handle(rewrite);
    }
}

Browsers BrowserWatch::Session::Picture() const {
    Browsers picture;
    picture.rewrites = rewrites_;
    picture.failedRewrites = failedRewrites_;
    for (const Tracked& t : frames_) {
        Frame frame{t.handle, t.title, {}};
        if (t.barHandle != 0) frame.bars.push_back({t.barHandle, t.text});
        picture.frames.push_back(std::move(frame));
    }
    return picture;
}

BrowserWatch::BrowserWatch(std::string displayName, Timing timing, BusFactory makeBus,
                           KeyTarget mayType, std::string inputsDisplayName)
    : displayName_(std::move(displayName)),
      inputsDisplayName_(std::move(inputsDisplayName)),
      timing_(timing),
      makeBus_(std::move(makeBus)),
      mayType_(std::move(mayType)),
      current_(std::make_shared<const Browsers>()) {
    worker_ = std::thread([this] { Run(); });
}

BrowserWatch::~BrowserWatch() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    stopping_ = true;
    wake_.notify_all();
    worker_.join();
}

std::shared_ptr<const Browsers> BrowserWatch::Current() const {
    std::lock_guard lock(mutex_);
    return current_;
}

bool BrowserWatch::Settled() const {
    std::lock_guard lock(mutex_);
    return requests_.empty() && !handling_;
}

void BrowserWatch::Request(Rewrite rewrite) {
    {
        std::lock_guard lock(mutex_);
        // The tick asks again every 10 ms while a rewrite is under way: once is enough.
        for (const Rewrite& queued : requests_)
            if (queued.bar == rewrite.bar && queued.from == rewrite.from && queued.to == rewrite.to)
                return;
        requests_.push_back(std::move(rewrite));
    }
    wake_.notify_all();
}

void BrowserWatch::Publish(Browsers browsers) {
    std::lock_guard lock(mutex_);
    if (*current_ == browsers) return;
    current_ = std::make_shared<const Browsers>(std::move(browsers));
}

void BrowserWatch::Run() {
    // Named so that a look at the program's threads (top -H) tells what costs what.
    pthread_setname_np(pthread_self(), "blocker-watch");
    Session session(displayName_, inputsDisplayName_, timing_, stopping_, makeBus_(), mayType_);
    auto nextDiscovery = Clock::now();
    auto nextRead = Clock::now();
    for (;;) {
        std::deque<Rewrite> requests;
        {
            std::lock_guard lock(mutex_);
            if (stop_) break;
            requests.swap(requests_);
            handling_ = !requests.empty();
        }
        for (const Rewrite& rewrite : requests) {
            if (stopping_) break;
            session.Handle(rewrite);
        }
        session.Resume();
        if (Clock::now() >= nextDiscovery) {
            session.Discover();
            nextDiscovery = Clock::now() + timing_.discoveryInterval;
            nextRead = Clock::now() + timing_.readInterval;
        } else if (Clock::now() >= nextRead) {
            session.ReadBars();
            nextRead = Clock::now() + timing_.readInterval;
        }
        session.Dispatch();
        if (session.Lost()) {
            lost_ = true;
            session.Forget();
        }
        Publish(session.Picture());
        if (!requests.empty()) {
            std::lock_guard lock(mutex_);
            handling_ = false;
        }

        std::unique_lock lock(mutex_);
        wake_.wait_until(lock, std::min(nextDiscovery, nextRead),
                         [this] { return stop_ || !requests_.empty(); });
    }
}

}  // namespace quorvel::platform::atspi
