#pragma once
// The website blocker's work, free of any window toolkit: during a guest session it
// watches every window whose text names Internet Explorer and sends an address that
// contains a blocked keyword to the blocked page instead.
#include <string>

#include "blocker/KeywordMatcher.h"
#include "platform/WindowSystem.h"
#include "store/ienann.h"
#include "store/publicVar.h"

namespace quorvel::blocker {

// Where a blocked address is sent. The host is a name under ".example", which the
// Internet's naming rules reserve and never hand to anyone: a product name the
// vendor does not own could belong to a stranger tomorrow, and every cafe guest who
// typed a blocked address would then be sent to that stranger's server. A cafe that
// serves its own "blocked" page points this name at its server in the hosts file or
// its local DNS; otherwise the browser shows that the page cannot be reached, and the
// blocked site is not reached either.
inline constexpr const char* kBlockedPage = "http://www.quorvel.example/blocked.htm";

// The text that marks a window as a browser window (case-sensitive, anywhere in the
// window's text).
inline constexpr const char* kBrowserCaption = "Microsoft Internet Explorer";

class Blocker {
  public:
    explicit Blocker(platform::WindowSystem& windows) : windows_(windows), lister_(windows) {}
    Blocker(const Blocker&) = delete;
    Blocker& operator=(const Blocker&) = delete;

    // Reads the blocked-site keywords from "Software\Quorvel\URLs" (through the shared
    // SiteList) and appends them to the keyword list, which is not emptied first.
    void LoadBlockedKeywords(store::publicVar& pv);
    // Appends keywords, in order, to the keyword list.
    void AddKeywords(const store::NameList& keywords);

    // One tick: every window under the desktop is listed; for each whose text holds
    // kBrowserCaption, every descendant whose class name holds "Edit" has its text
    // read and, once for every keyword it contains, replaced by kBlockedPage with an
    // Enter key-down after it. An empty keyword list, or reaching an empty keyword,
    // ends the tick. A window system without readable edit controls ends it at once.
    void Tick();

    const store::NameList& lstWindows() const { return lstWindows_; }
    const store::NameList& lstWindows2() const { return lstWindows2_; }
    const store::NameList& lstwindows4() const { return lstwindows4_; }

  private:
    // Tests one edit control against the keywords; false when the tick must end.
    bool CheckEdit(platform::Hwnd edit);

    platform::WindowSystem& windows_;
    store::WindowLister lister_;
    store::NameList lstWindows_;   // every window under the desktop, refilled each tick
    store::NameList lstWindows2_;  // descendants of the browser window being examined
    store::NameList lstwindows4_;  // the blocked keywords
    KeywordMatcher matcher_;
    // Position of the first empty keyword (lstwindows4_.size() when there is none).
    std::size_t firstEmpty_ = 0;
};

}  // namespace quorvel::blocker
