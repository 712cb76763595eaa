#include "platform/PosixLocale.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

struct LocaleCase {
    const char* name;
    const char* radix;
    const char* thousands;
    const char* dateFormat;
    const char* timeFormat;
    char decimal, thousand, dateSep, timeSep;
    const char* shortDate;
    const char* longTime;
};

// The langinfo values of a few real locales.
const LocaleCase kLocales[] = {
    {"ru_RU", ",", "\xE2\x80\xAF", "%d.%m.%Y", "%T", ',', ' ', '.', ':', "dd/mm/yyyy", "hh:nn:ss"},
    {"en_US", ".", ",", "%m/%d/%Y", "%r", '.', ',', '/', ':', "mm/dd/yyyy", "hh:nn:ss"},
    {"de_DE", ",", ".", "%d.%m.%Y", "%T", ',', '.', '.', ':', "dd/mm/yyyy", "hh:nn:ss"},
    {"sv_SE", ",", "\xC2\xA0", "%Y-%m-%d", "%H:%M:%S", ',', ' ', '-', ':', "yyyy/mm/dd",
     "hh:nn:ss"},
    {"fi_FI", ",", "\xC2\xA0", "%d.%m.%Y", "%H.%M.%S", ',', ' ', '.', '.', "dd/mm/yyyy",
     "hh:nn:ss"},
    {"en_US %D", ".", ",", "%D", "%R", '.', ',', '/', ':', "mm/dd/yy", "hh:nn"},
    {"flags and day without zero", ".", "", "%-d.%-m.%y", "%k:%M", '.', ' ', '.', ':', "d/m/yy",
     "h:nn"},
    // Literal text around the fields is quoted so that its letters are not
    // read as fields.
    {"ja_JP", ".", ",", "%Y\xE5\xB9\xB4%m\xE6\x9C\x88%d\xE6\x97\xA5", "%H\xE6\x99\x82", '.', ',',
     '.', ':', "yyyy\"\xE5\xB9\xB4\"mm\"\xE6\x9C\x88\"dd\"\xE6\x97\xA5\"", "hh\"\xE6\x99\x82\""},
    // Nothing usable: the Russian defaults stay.
    {"C", "", "", "", "", ',', ' ', '.', ':', "dd/mm/yyyy", "h:nn:ss"},
};

TEST(PosixLocaleTest, LanginfoBecomesTheProgramsFormats) {
    for (const LocaleCase& c : kLocales) {
        SCOPED_TRACE(c.name);
        const Platform::LocaleFormats f =
            FormatsFromLanginfo(c.radix, c.thousands, c.dateFormat, c.timeFormat);
        EXPECT_EQ(f.decimalSeparator, c.decimal);
        EXPECT_EQ(f.thousandSeparator, c.thousand);
        EXPECT_EQ(f.dateSeparator, c.dateSep);
        EXPECT_EQ(f.timeSeparator, c.timeSep);
        EXPECT_EQ(f.shortDateFormat, c.shortDate);
        EXPECT_EQ(f.longTimeFormat, c.longTime);
    }
}

}  // namespace
}  // namespace platform
