#pragma once
// The browsers' windows and address bars as the accessibility bus (AT-SPI 2) shows
// them, watched by one worker thread.
//
// Every accessibility call is made on that thread, with a short time limit, so a hung
// browser never holds up the caller: the blocker's tick reads the latest picture the
// worker published (Current) and hands rewrites over (Request). The worker looks for
// browser windows every second, reads each address bar five times a second, and
// carries out a rewrite the way a person would: it activates the window, focuses the
// bar, selects everything in it, types the new address, checks that the bar holds it,
// presses Return, and, where the browser tells the address of the page it shows, checks
// that the page changed. Writing the text through the accessibility bus instead does not
// work in the browsers (one accepts the call and changes nothing, the other has no
// editable text).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/WindowSystem.h"
#include "platform/atspi/BrowserBus.h"

namespace quorvel::platform::atspi {

// How a browser shows itself on the accessibility bus. A browser window is a frame
// (role "frame") of the application, carrying `frameAttribute` where the browser also
// makes frames for its pop-ups; its address bar is the one object inside the frame
// carrying `barAttribute`; the page it shows is its showing web document, which tells
// its address in the document attribute `pageAttribute`. Names of objects are
// translated and paths of child indexes change from one version to the next; these
// markers do not.
struct BrowserMarkers {
    const char* application;     // the application's accessible name
    const char* frameAttribute;  // "name=value"; nullptr: every frame is a browser window
    const char* barAttribute;    // "name=value"
    const char* pageAttribute;   // nullptr: the browser does not tell its page's address
};

// The browsers the blocker watches. Another browser is one more line with its markers
// (a browser built on Chromium carries Chromium's markers under its own name).
// Chromium's documents carry an address attribute, but leave it empty.
inline constexpr BrowserMarkers kBrowsers[] = {
    {"Firefox", nullptr, "id=urlbar-input", "DocURL"},
    {"Chromium", "class=BrowserRootView", "class=OmniboxViewViews", nullptr},
};

// An address bar and the text it showed when last read.
struct Bar {
    Hwnd handle = 0;
    std::string text;
    friend bool operator==(const Bar&, const Bar&) = default;
};

// A browser window: its title when it was found, and its address bar (none while it is
// not yet found).
struct Frame {
    Hwnd handle = 0;
    std::string title;
    std::vector<Bar> bars;
    friend bool operator==(const Frame&, const Frame&) = default;
};

// What the worker last published.
struct Browsers {
    std::vector<Frame> frames;
    // Rewrites carried out (Return pressed) and given up (the window or the bar could
    // not be reached, the bar did not take the address, or the page did not open),
    // since the watch began.
    std::uint64_t rewrites = 0;
    std::uint64_t failedRewrites = 0;
    friend bool operator==(const Browsers&, const Browsers&) = default;
};

// Asks for the bar `bar`, which read `from`, to be sent to the address `to`.
struct Rewrite {
    Hwnd bar = 0;
    std::string from;
    std::string to;
};

class BrowserWatch {
  public:
    struct Timing {
        // The longest any accessibility call may take: a browser that does not answer
        // within it is taken for hung and left alone for a while.
        std::chrono::milliseconds callLimit{250};
        // How often every bar is read: each read is a call into the browser and costs
        // the program as much as the browser (with three windows of each browser, the
        // reads are most of the watch's cost), and a rewrite takes longer than this
        // anyway.
        std::chrono::milliseconds readInterval{200};
        // How often the browsers' windows are looked for: a new window (a pop-up, an
        // incognito window) is watched from then on.
        std::chrono::milliseconds discoveryInterval{1000};
        // How long a window whose browser tells its page's address may go on showing the
        // page it showed before the rewrite's Return, and not the one typed: a browser
        // can take the key and not open the address. A slow page opens well within it.
        std::chrono::milliseconds pageLimit{30000};
    };

    // Makes the bus the worker asks; called on the worker's thread, which alone uses it.
    using BusFactory = std::function<std::unique_ptr<BrowserBus>()>;
    // Whether keys may go to a window of process `pid`, as the bus named it.
    using KeyTarget = std::function<bool(std::uint32_t pid)>;

    // Starts the worker on the X display `displayName` (empty: $DISPLAY), watching the
    // bus `makeBus` makes and typing only into windows of the processes `mayType`
    // allows. A rewrite holds back the keyboards and pointers of `inputsDisplayName`
    // (empty: the same display; see X11Input).
    BrowserWatch(std::string displayName, Timing timing, BusFactory makeBus, KeyTarget mayType,
                 std::string inputsDisplayName = {});
    // Stops the worker and waits for it; a rewrite under way is abandoned.
    ~BrowserWatch();
    BrowserWatch(const BrowserWatch&) = delete;
    BrowserWatch& operator=(const BrowserWatch&) = delete;

    // The latest picture; never null.
    std::shared_ptr<const Browsers> Current() const;
    // True once every rewrite handed over has been dealt with (carried out, given up
    // or dropped) and the picture published after it.
    bool Settled() const;
    // Hands a rewrite to the worker. One address is rewritten once: a request is
    // dropped when the bar no longer shows `from` (it has moved on since), when the bar
    // was already rewritten from `from` and has shown nothing else since, and for a
    // moment after a rewrite of the bar failed. A failed rewrite is tried again by the
    // worker itself (the bar may show part of the typed address, and no keyword), three
    // times in all; then the address is left alone until the bar shows something else.
    void Request(Rewrite rewrite);
    // True once the bus is lost for good (its agent stopped answering): the watch
    // sees no browser from then on.
    bool Lost() const { return lost_; }

  private:
    class Session;
    void Run();
    void Publish(Browsers browsers);

    const std::string displayName_;
    const std::string inputsDisplayName_;
    const Timing timing_;
    const BusFactory makeBus_;
    const KeyTarget mayType_;
    std::atomic<bool> lost_ = false;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    // Read by the worker in the middle of long steps, so that a stop cuts them short.
    std::atomic<bool> stopping_ = false;
    std::deque<Rewrite> requests_;
    bool handling_ = false;  // the worker has requests in hand
    std::shared_ptr<const Browsers> current_;
    std::thread worker_;
};

}  // namespace quorvel::platform::atspi
