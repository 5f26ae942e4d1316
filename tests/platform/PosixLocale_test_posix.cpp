// The system's date and time texts under real locales.
#include <gtest/gtest.h>
#include <locale.h>

#include "platform/posix/PosixLocale.h"
#include "support/LocaleChecks.h"

namespace quorvel::test {
namespace {

using platform::LocalDateTime;
using platform::PosixLocale;

// scripts/install-deps installs every locale used here: one that is missing fails the
// test, never skips a case.
bool Installed(const char* name) {
    locale_t l = newlocale(LC_TIME_MASK, name, static_cast<locale_t>(0));
    if (l == static_cast<locale_t>(0)) {
        ADD_FAILURE() << name << " is not installed (scripts/install-deps)";
        return false;
    }
    freelocale(l);
    return true;
}

TEST(PosixLocale, ShortDatesCarryFourDigitYears) {
    struct Case {
        const char* locale;
        const char* date;
        const char* time;
    };
    const LocalDateTime t{2026, 12, 5, 15, 4, 5};
    for (const Case& c :
         {Case{"en_US.UTF-8", "12/05/2026", "03:04:05 PM"},
          Case{"de_DE.UTF-8", "05.12.2026", "15:04:05"},
          Case{"en_GB.UTF-8", "05/12/2026", "15:04:05"}, Case{"C", "12/05/2026", "15:04:05"}}) {
        if (!Installed(c.locale)) continue;
        PosixLocale locale(c.locale);
        EXPECT_EQ(locale.ShortDate(t), c.date) << c.locale;
        EXPECT_EQ(locale.TimeOfDay(t), c.time) << c.locale;
    }
}

TEST(PosixLocale, EveryDayReadsBackAsItself) {
    for (const char* name : {"en_US.UTF-8", "de_DE.UTF-8", "en_GB.UTF-8", "C", ""}) {
        if (*name && !Installed(name)) continue;
        ExpectEveryDayReadsBack(PosixLocale(name), name);
    }
}

TEST(PosixLocale, TextThatIsNotADayIsRefused) {
    ASSERT_TRUE(Installed("de_DE.UTF-8"));
    PosixLocale german("de_DE.UTF-8");
    for (const char* text : {"", "12/05/2026", "31.02.2026", "05.12.2026 x", "heute"})
        EXPECT_FALSE(german.ParseShortDate(text)) << text;
    EXPECT_TRUE(german.ParseShortDate("5.12.2026"));
}

TEST(PosixLocale, UnknownLocaleFallsBackToDefaultFormats) {
    PosixLocale locale("xx_NOWHERE.UTF-8");
    const LocalDateTime t{2026, 1, 2, 3, 4, 5};
    EXPECT_EQ(locale.ShortDate(t), "01/02/2026");
    EXPECT_TRUE(locale.ParseShortDate("01/02/2026"));
}

TEST(PosixLocale, WidenYear) {
    EXPECT_EQ(platform::WidenYear("%d/%m/%y"), "%d/%m/%Y");
    EXPECT_EQ(platform::WidenYear("%d.%m.%Y"), "%d.%m.%Y");
    EXPECT_EQ(platform::WidenYear("%D"), "%m/%d/%Y");
    EXPECT_EQ(platform::WidenYear("%F"), "%Y-%m-%d");
    EXPECT_EQ(platform::WidenYear("%Ey年%m月%d日"), "%EY年%m月%d日");
    EXPECT_EQ(platform::WidenYear("%a %b %e"), "%m/%d/%Y");  // no year: cannot read back
}

}  // namespace
}  // namespace quorvel::test
