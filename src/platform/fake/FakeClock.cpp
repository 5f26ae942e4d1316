#include "platform/fake/FakeClock.h"

#include <chrono>

namespace quorvel::platform {

namespace {

std::chrono::sys_seconds AsSeconds(const LocalDateTime& t) {
    using namespace std::chrono;
    const sys_days day = year_month_day{year{t.year}, month{static_cast<unsigned>(t.month)},
                                        std::chrono::day{static_cast<unsigned>(t.day)}};
    return day + hours{t.hour} + minutes{t.minute} + seconds{t.second};
}

}  // namespace

std::int64_t FakeClock::UnixSeconds() const {
    std::lock_guard lock(mutex_);
    return AsSeconds(now_).time_since_epoch().count();
}

void FakeClock::AdvanceSeconds(long long seconds) {
    using namespace std::chrono;
    std::lock_guard lock(mutex_);
    steady_ += std::chrono::seconds(seconds);
    const auto t = AsSeconds(now_) + std::chrono::seconds{seconds};
    const auto d = floor<days>(t);
    const year_month_day ymd{d};
    const hh_mm_ss hms{t - d};
    now_ = {int(ymd.year()),          int(unsigned(ymd.month())), int(unsigned(ymd.day())),
            int(hms.hours().count()), int(hms.minutes().count()), int(hms.seconds().count())};
}

}  // namespace quorvel::platform
