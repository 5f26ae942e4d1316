#include "platform/fake/FakeClock.h"

#include <chrono>

namespace quorvel::platform {

void FakeClock::AdvanceSeconds(long long seconds) {
    using namespace std::chrono;
    steady_ += std::chrono::seconds(seconds);
    const sys_days day = year_month_day{year{now_.year}, month{static_cast<unsigned>(now_.month)},
                                        std::chrono::day{static_cast<unsigned>(now_.day)}};
    const auto t = day + hours{now_.hour} + minutes{now_.minute} +
                   std::chrono::seconds{now_.second} + std::chrono::seconds{seconds};
    const auto d = floor<days>(t);
    const year_month_day ymd{d};
    const hh_mm_ss hms{t - d};
    now_ = {int(ymd.year()),          int(unsigned(ymd.month())), int(unsigned(ymd.day())),
            int(hms.hours().count()), int(hms.minutes().count()), int(hms.seconds().count())};
}

}  // namespace quorvel::platform
