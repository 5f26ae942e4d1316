#pragma once
// The user's date and time formats (LC_TIME), read through the C library. The short
// date always carries a four-digit year, so a day written in one year never reads back
// as a day of another century.
#include <locale.h>

#include <string>

#include "platform/Locale.h"

namespace quorvel::platform {

class PosixLocale final : public Locale {
  public:
    // `name` "" takes the user's LC_TIME from the environment (LC_ALL, LC_TIME, LANG),
    // as every other program of the desktop does; a locale that is not installed falls
    // back to the C library's default formats.
    explicit PosixLocale(const std::string& name = "");
    PosixLocale(const PosixLocale&) = delete;
    PosixLocale& operator=(const PosixLocale&) = delete;
    ~PosixLocale() override;

    std::string ShortDate(const LocalDateTime& t) const override;
    std::string TimeOfDay(const LocalDateTime& t) const override;
    std::optional<LocalDateTime> ParseShortDate(const std::string& text) const override;

    // The strftime formats in use (the date one with its year widened).
    const std::string& DateFormat() const { return dateFormat_; }
    const std::string& TimeFormat() const { return timeFormat_; }

  private:
    std::string Format(const std::string& format, const LocalDateTime& t) const;

    locale_t locale_ = static_cast<locale_t>(0);
    std::string dateFormat_;
    std::string timeFormat_;
};

// A short-date strftime format with every two-digit year made four digits ("%y" and the
// "%D" shorthand); a format that names no day, month and four-digit year is replaced by
// "%m/%d/%Y".
std::string WidenYear(const std::string& format);

}  // namespace quorvel::platform
