#include "blocker/Blocker.h"

#include <algorithm>

namespace quorvel::blocker {

namespace {
// GetClassNameA's maximum count.
constexpr int kClassNameMax = 100;
}  // namespace

void Blocker::LoadBlockedKeywords(store::publicVar& pv) {
    pv.LoadSiteList(platform::kHkeyCurrentUser, store::kUrlsKey);
    AddKeywords(pv.SiteList);
}

void Blocker::AddKeywords(const store::NameList& keywords) {
    lstwindows4_.insert(lstwindows4_.end(), keywords.begin(), keywords.end());
    matcher_.Build(lstwindows4_);
    firstEmpty_ = static_cast<std::size_t>(
        std::find(lstwindows4_.begin(), lstwindows4_.end(), std::string()) - lstwindows4_.begin());
}

void Blocker::Tick() {
    // Where no edit control can be read (X11) no address is ever found and no tick can
    // act; listing thousands of windows a hundred times a second would only load the
    // display server. The tick is then over before it starts.
    if (!windows_.HasEditControls()) return;
    lister_.ListChildWindows(lstWindows_, windows_.DesktopWindow());
    const std::size_t count = lstWindows_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (lstWindows_[i].find(kBrowserCaption) == std::string::npos) continue;
        // A handle that does not read back is passed over, like a window that is gone.
        const auto browser = store::HandleFromEntry(lstWindows_[i]);
        if (!browser) continue;
        lister_.ListChildWindows(lstWindows2_, *browser);
        for (const std::string& entry : lstWindows2_) {
            const auto child = store::HandleFromEntry(entry);
            if (!child) continue;
            const std::string className = windows_.ClassName(*child, kClassNameMax);
            if (className.find("Edit") == std::string::npos) continue;
            if (!CheckEdit(*child)) return;
        }
    }
}

bool Blocker::CheckEdit(platform::Hwnd edit) {
    // The address is read through its length: a buffer of n + 1 characters holds the
    // first n characters and the NUL.
    const int length = std::max(windows_.TextLength(edit), 0);
    std::string address = windows_.GetText(edit, length + 1);
    if (address.size() > static_cast<std::size_t>(length)) address.resize(length);

    if (lstwindows4_.empty()) return false;
    // The keywords are tested in list order up to the first empty one, which ends the
    // tick. Every match writes the blocked page and presses Enter once; the address is
    // not read again in between, so an address holding k keywords is rewritten k times.
    for (const std::size_t k : matcher_.Matches(address)) {
        if (k >= firstEmpty_) break;
        windows_.SetText(edit, kBlockedPage);
        windows_.PressEnter();
    }
    return firstEmpty_ == lstwindows4_.size();
}

}  // namespace quorvel::blocker
