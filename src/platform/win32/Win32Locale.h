#pragma once
// The user's regional date and time formats, read through the Windows locale calls.
// The short date always carries a four-digit year, so a day written in one year never
// reads back as a day of another century.
#include <array>
#include <string>

#include "platform/Locale.h"

namespace quorvel::platform {

class Win32Locale final : public Locale {
  public:
    // `name` "" takes the user's own regional settings, as every other program does;
    // otherwise a locale name such as "de-DE". A name Windows does not know falls back
    // to month/day/year.
    explicit Win32Locale(const std::string& name = "");

    std::string ShortDate(const LocalDateTime& t) const override;
    std::string TimeOfDay(const LocalDateTime& t) const override;
    std::optional<LocalDateTime> ParseShortDate(const std::string& text) const override;

    // The short-date picture in use (UTF-8), its year widened.
    std::string DatePicture() const;

  private:
    const wchar_t* Name() const { return name_.empty() ? nullptr : name_.c_str(); }

    std::wstring name_;
    std::wstring datePicture_;
    std::array<std::wstring, 12> months_, shortMonths_;
};

// A short-date picture ("M/d/yy", "dd.MM.yyyy" ...) with every year field made four
// digits; a picture that names no day of the month, month and year is replaced by
// "MM/dd/yyyy". Quoted text is kept as it is.
std::wstring WidenYearPicture(const std::wstring& picture);

}  // namespace quorvel::platform
