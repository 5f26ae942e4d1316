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

// Where a blocked address is sent when no page ships with the program (the Windows
// build). The host is a name under ".example", which the Internet's naming rules
// reserve and never hand to anyone: a product name the vendor does not own could
// belong to a stranger tomorrow, and every cafe guest who typed a blocked address would
// then be sent to that stranger's server. A cafe that serves its own "blocked" page
// points this name at its server in the hosts file or its local DNS; otherwise the
// browser shows that the page cannot be reached, and the blocked site is not reached
// either.
inline constexpr const char* kBlockedPage = "http://www.quorvel.example/blocked.htm";

// The page shipped with the program, in its shared data folder.
inline constexpr const char* kBlockedPageFile = "blocked.html";

// The setting (in "Software\Quorvel\Settings") by which a cafe sends blocked
// addresses to a page of its own.
inline constexpr const char* kBlockedPageSetting = "BlockedPage";

// The address blocked browsers are sent to: the cafe's own page when the setting names
// one; else the page shipped with the program, as a file:// address; else kBlockedPage.
std::string BlockedPageAddress(store::publicVar& pv);

// A file:// address for an absolute path, every byte outside the unreserved characters
// and "/" percent-encoded.
std::string FileAddress(const std::string& path);

class Blocker {
  public:
    // The window system watches its browsers for as long as the blocker lives.
    explicit Blocker(platform::WindowSystem& windows);
    ~Blocker();
    Blocker(const Blocker&) = delete;
    Blocker& operator=(const Blocker&) = delete;

    // Reads the blocked-site keywords from "Software\Quorvel\URLs" (through the shared
    // SiteList) and appends them to the keyword list, which is not emptied first.
    void LoadBlockedKeywords(store::publicVar& pv);
    // Appends keywords, in order, to the keyword list.
    void AddKeywords(const store::NameList& keywords);
    // Chooses the page blocked addresses are sent to (BlockedPageAddress).
    void LoadBlockedPage(store::publicVar& pv) { blockedPage_ = BlockedPageAddress(pv); }
    void SetBlockedPage(std::string address) { blockedPage_ = std::move(address); }
    const std::string& blockedPage() const { return blockedPage_; }

    // One tick: every window under the desktop is listed; for each whose text holds
    // the window system's browser caption, every descendant whose class name holds
    // "Edit" has its text read and, once for every keyword it contains, replaced by
    // the blocked page's address with an Enter key-down after it. An empty keyword
    // list, or reaching an empty keyword, ends the tick.
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
    std::string blockedPage_ = kBlockedPage;
    // Position of the first empty keyword (lstwindows4_.size() when there is none).
    std::size_t firstEmpty_ = 0;
};

}  // namespace quorvel::blocker
