#include "platform/posix/PosixLocale.h"

#include <langinfo.h>
#include <time.h>

#include <chrono>

namespace quorvel::platform {

std::string WidenYear(const std::string& format) {
    std::string out;
    bool day = false, month = false, year = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        std::string directive = "%";
        std::size_t j = i + 1;
        // Flags, width and the E/O modifiers come before the conversion character.
        while (j < format.size() &&
               std::string_view("_-0^#EO123456789").find(format[j]) != std::string_view::npos)
            directive += format[j++];
        if (j >= format.size()) {
            out += format.substr(i);
            break;
        }
        const char conversion = format[j];
        i = j;
        switch (conversion) {
            case 'y':
            case 'Y':
                out += directive + 'Y';
                year = true;
                break;
            case 'D':
                out += "%m/%d/%Y";
                day = month = year = true;
                break;
            case 'F':
                out += "%Y-%m-%d";
                day = month = year = true;
                break;
            case 'd':
            case 'e':
                out += directive + conversion;
                day = true;
                break;
            case 'm':
            case 'b':
            case 'B':
            case 'h':
                out += directive + conversion;
                month = true;
                break;
            default:
                out += directive + conversion;
        }
    }
    if (!day || !month || !year) return "%m/%d/%Y";
    return out;
}

PosixLocale::PosixLocale(const std::string& name) {
    locale_ = newlocale(LC_TIME_MASK, name.c_str(), static_cast<locale_t>(0));
    if (locale_ == static_cast<locale_t>(0))
        locale_ = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    const char* date = locale_ ? nl_langinfo_l(D_FMT, locale_) : nullptr;
    const char* time = locale_ ? nl_langinfo_l(T_FMT, locale_) : nullptr;
    dateFormat_ = WidenYear(date && *date ? date : "%m/%d/%Y");
    timeFormat_ = time && *time ? time : "%H:%M:%S";
}

PosixLocale::~PosixLocale() {
    if (locale_ != static_cast<locale_t>(0)) freelocale(locale_);
}

std::string PosixLocale::Format(const std::string& format, const LocalDateTime& t) const {
    using namespace std::chrono;
    struct tm tm {};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    const year_month_day ymd{year{t.year}, month{static_cast<unsigned>(t.month)},
                             day{static_cast<unsigned>(t.day)}};
    if (ymd.ok()) {
        const sys_days days{ymd};
        tm.tm_wday = static_cast<int>(weekday{days}.c_encoding());
        tm.tm_yday = static_cast<int>(
            (days - sys_days{year_month_day{ymd.year(), January, day{1}}}).count());
    }
    tm.tm_isdst = -1;
    char buffer[128];
    const std::size_t n = locale_ != static_cast<locale_t>(0)
                              ? strftime_l(buffer, sizeof buffer, format.c_str(), &tm, locale_)
                              : strftime(buffer, sizeof buffer, format.c_str(), &tm);
    return std::string(buffer, n);
}

std::string PosixLocale::ShortDate(const LocalDateTime& t) const {
    return Format(dateFormat_, t);
}

std::string PosixLocale::TimeOfDay(const LocalDateTime& t) const {
    return Format(timeFormat_, t);
}

std::optional<LocalDateTime> PosixLocale::ParseShortDate(const std::string& text) const {
    if (text.empty() || locale_ == static_cast<locale_t>(0)) return std::nullopt;
    struct tm tm {};
    tm.tm_mday = 0;
    const char* end = strptime_l(text.c_str(), dateFormat_.c_str(), &tm, locale_);
    if (end == nullptr) return std::nullopt;
    while (*end == ' ') ++end;
    if (*end != '\0') return std::nullopt;
    LocalDateTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    if (!IsCalendarDay(t)) return std::nullopt;
    return t;
}

}  // namespace quorvel::platform
