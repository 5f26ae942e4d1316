#pragma once
// The guest's desktop as a whole. Between two guests nothing of the first may be
// left: no running program, no tab, cookie or download. Where the guest's desktop runs
// as an account of its own, this program may not end that account's programs itself;
// it asks a small root-owned service to do it, and that service also puts the guest's
// home back and starts a fresh desktop session under the lock.
namespace quorvel::platform {

class GuestDesktop {
  public:
    virtual ~GuestDesktop() = default;
    // Asks for a fresh guest desktop: every process of the guest's account ended, the
    // home put back to the owner's template, a new desktop session started. The reset
    // itself happens elsewhere and later; this only asks. False when the request could
    // not be made (it then says why on the standard error).
    virtual bool RequestFresh() = 0;
};

// Where the program and the guest's desktop share one account (a developer's
// desktop, the demo) there is nothing to reset: the desktop is the program's own.
class SharedGuestDesktop final : public GuestDesktop {
  public:
    bool RequestFresh() override { return true; }
};

}  // namespace quorvel::platform
