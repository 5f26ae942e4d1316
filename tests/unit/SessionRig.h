#pragma once
// A guest session over fakes: rates and minimums as given, the fake clock moved one
// second per tick, the session log in a temporary system directory.
#include <memory>

#include "session/GuestSession.h"
#include "support/FakeTakings.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"

namespace quorvel::test {

struct SessionRig {
    explicit SessionRig(std::array<double, 4> rates = {10, 15, 20, 25}, const char* minimumT = "0",
                        const char* minimumC = "0") {
        tp.pv.SysDir = dir.path().string();
        tp.pv.CurrentUser = "guest";
        tp.pv.CurrencySymbol = "Rs";
        takings.rates = rates;
        tp.Set(store::kSettingsKey, "MinimumT", minimumT);
        tp.Set(store::kSettingsKey, "MinimumC", minimumC);
    }
    std::string Timers(const char* name) const {
        return tp.Get(store::kTimersKey, name).ToDisplayText();
    }
    store::Variant TimersValue(const char* name) const { return tp.Get(store::kTimersKey, name); }
    // Sign-in: the window's creation and its first activation.
    session::GuestSession& Begin() {
        session = std::make_unique<session::GuestSession>(tp.pv, takings);
        session->Start();
        session->Activate();
        return *session;
    }
    void Tick() {
        tp.clock.AdvanceSeconds(1);
        session->Tick();
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) Tick();
    }
    std::string LogPath() const { return dir.file("ScanregLog.log"); }

    TempDir dir;
    TestPlatform tp;
    FakeTakings takings;
    std::unique_ptr<session::GuestSession> session;
};

// "h : m : s" as the tick that first shows it.
inline int TickOf(int h, int m, int s) {
    return h * 3600 + m * 60 + s;
}

}  // namespace quorvel::test
