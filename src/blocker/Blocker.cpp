#include "blocker/Blocker.h"

#include <algorithm>

#include "platform/AsciiText.h"

namespace quorvel::blocker {

namespace {
// GetClassNameA's maximum count.
constexpr int kClassNameMax = 100;

bool Unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}
}  // namespace

std::string FileAddress(const std::string& path) {
    std::string address = "file://";
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (Unreserved(c))
            address += ch;
        else
            platform::AppendPercentEncoded(address, c);
    }
    return address;
}

std::string BlockedPageAddress(store::publicVar& pv) {
    const std::string own =
        pv.settings
            .ReadSetting(platform::kHkeyCurrentUser, store::kSettingsKey, kBlockedPageSetting)
            .ToDisplayText();
    if (!own.empty()) return own;
    const std::string folder = pv.os.systemInfo.SharedDataFolder();
    if (!folder.empty()) return FileAddress(folder + "/" + kBlockedPageFile);
    return kBlockedPage;
}

Blocker::Blocker(platform::WindowSystem& windows) : windows_(windows), lister_(windows) {
    windows_.StartWatching();
}

Blocker::~Blocker() {
    windows_.StopWatching();
}

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
    lister_.ListChildWindows(lstWindows_, windows_.DesktopWindow());
    const std::string caption = windows_.BrowserCaption();
    const std::size_t count = lstWindows_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (lstWindows_[i].find(caption) == std::string::npos) continue;
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
        windows_.SetText(edit, blockedPage_);
        windows_.PressEnter();
    }
    return firstEmpty_ == lstwindows4_.size();
}

}  // namespace quorvel::blocker
