// The regional date and time texts under real Windows locales, the year always in four
// digits, and every day reading back as itself.
#include <gtest/gtest.h>

#include "platform/win32/Win32Locale.h"
#include "support/LocaleChecks.h"

namespace quorvel::test {
namespace {

using platform::LocalDateTime;
using platform::Win32Locale;

TEST(Win32Locale, ShortDatesCarryFourDigitYears) {
    struct Case {
        const char* locale;
        const char* date;
        const char* time;
    };
    const LocalDateTime t{2026, 12, 5, 15, 4, 5};
    // As Wine 8's locale data has them (de-DE's day without a leading zero).
    for (const Case& c :
         {Case{"en-US", "12/5/2026", "3:04:05 PM"}, Case{"de-DE", "5.12.2026", "15:04:05"},
          Case{"en-GB", "05/12/2026", "15:04:05"}}) {
        Win32Locale locale(c.locale);
        EXPECT_EQ(locale.ShortDate(t), c.date) << c.locale;
        EXPECT_EQ(locale.TimeOfDay(t), c.time) << c.locale;
    }
}

TEST(Win32Locale, EveryDayReadsBackAsItself) {
    for (const char* name : {"en-US", "de-DE", "en-GB", "ja-JP", "fr-FR", ""})
        ExpectEveryDayReadsBack(Win32Locale(name), name);
}

TEST(Win32Locale, TextThatIsNotADayIsRefused) {
    Win32Locale german("de-DE");
    for (const char* text : {"", "12/05/2026", "31.02.2026", "05.12.2026 x", "heute", "5.12."})
        EXPECT_FALSE(german.ParseShortDate(text)) << text;
    EXPECT_TRUE(german.ParseShortDate("5.12.2026"));
}

TEST(Win32Locale, PicturesGetFourDigitYears) {
    struct Case {
        const wchar_t* picture;
        const wchar_t* widened;
    };
    for (const Case& c : {Case{L"M/d/yy", L"M'/'d'/'yyyy"}, Case{L"dd.MM.yyyy", L"dd'.'MM'.'yyyy"},
                          Case{L"yy-MM-dd", L"yyyy'-'MM'-'dd"},
                          Case{L"d 'de' MMMM 'de' y", L"d' de 'MMMM' de 'yyyy"},
                          Case{L"ddd d MMM", L"MM/dd/yyyy"},      // no year: cannot read back
                          Case{L"dddd MM yyyy", L"MM/dd/yyyy"}})  // weekday, no day of month
        EXPECT_EQ(platform::WidenYearPicture(c.picture), c.widened) << c.picture;
}

TEST(Win32Locale, UnknownLocaleFallsBackToMonthDayYear) {
    Win32Locale locale("xx-NOWHERE");
    EXPECT_EQ(locale.ShortDate({2026, 1, 2, 3, 4, 5}), "01/02/2026");
    EXPECT_TRUE(locale.ParseShortDate("01/02/2026"));
}

}  // namespace
}  // namespace quorvel::test
