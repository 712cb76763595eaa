#include "engine/text/FormatSettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "engine/text/Win1251.h"

namespace text {
namespace {

const FormatSettings& Ru() {
    return FormatSettings::Russian();
}
const FormatSettings& Mc() {
    return FormatSettings::Machine();
}

double At(int32_t dayNumber, int h, int m, int s, int ms = 0) {
    return double(dayNumber) * kMsPerDay + ((h * 60 + m) * 60 + s) * 1000 + ms;
}

// ---- Calendar ------------------------------------------------------------

TEST(CalendarTest, KnownDayNumbersAndWeekdays) {
    struct Case {
        int y, m, d;
        int32_t dayNumber;
        int weekday;  // 0 = Sunday
    } cases[] = {
        {1, 1, 1, 1, 1},
        {1, 12, 31, 365, 1},
        {2, 1, 1, 366, 2},
        {1970, 1, 1, 719163, 4},
        {2000, 2, 29, 730179, 2},
        {2024, 1, 5, 738890, 5},
        {9999, 12, 31, 3652059, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dayNumber);
        int32_t dayNumber = 0;
        ASSERT_TRUE(TryEncodeDate(c.y, c.m, c.d, dayNumber));
        EXPECT_EQ(dayNumber, c.dayNumber);
        int y, m, d;
        DecodeDate(c.dayNumber, y, m, d);
        EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d);
        EXPECT_EQ(DayOfWeek(c.dayNumber), c.weekday);
    }
}

TEST(CalendarTest, EveryDayDecodesToTheNextCalendarDate) {
    int prevY = 0, prevM = 12, prevD = 31;
    for (int32_t n = 1; n <= 3652059; ++n) {
        int y, m, d;
        DecodeDate(n, y, m, d);
        bool next = (y == prevY && m == prevM && d == prevD + 1) ||
                    (y == prevY && m == prevM + 1 && d == 1) ||
                    (y == prevY + 1 && m == 1 && d == 1 && prevM == 12);
        int32_t back = 0;
        if (!next || !TryEncodeDate(y, m, d, back) || back != n) {
            FAIL() << "day " << n << " decodes to " << y << "-" << m << "-" << d;
        }
        prevY = y, prevM = m, prevD = d;
    }
}

TEST(CalendarTest, ImpossibleDatesAreRejected) {
    struct Case {
        int y, m, d;
    } cases[] = {{2020, 2, 30}, {2019, 2, 29}, {1900, 2, 29}, {2020, 4, 31}, {2020, 13, 1},
                 {2020, 0, 1},  {2020, 1, 0},  {0, 1, 1},     {10000, 1, 1}, {-5, 1, 1}};
    for (const auto& c : cases) {
        int32_t dayNumber = -1;
        EXPECT_FALSE(TryEncodeDate(c.y, c.m, c.d, dayNumber)) << c.y << "-" << c.m << "-" << c.d;
    }
    int32_t dayNumber;
    EXPECT_TRUE(TryEncodeDate(2400, 2, 29, dayNumber));
}

// ---- Date and time text --------------------------------------------------

TEST(FormatDateTimeTest, Tokens) {
    const double friday = At(738890, 9, 5, 7, 42);  // 2024-01-05 09:05:07.042
    struct Case {
        const char* pattern;
        const FormatSettings* fs;
        const char* expectedUtf8;
    } cases[] = {
        {"dd/mm/yyyy", &Ru(), "05.01.2024"},
        {"d/m/yy", &Ru(), "5.1.24"},
        {"dd.MM.YYYY", &Ru(), "05.01.2024"},
        {"yyyy/mm/dd", &Mc(), "2024/01/05"},
        {"h:nn:ss", &Ru(), "9:05:07"},
        {"hh:nn:ss", &Mc(), "09:05:07"},
        {"hh:mm", &Ru(), "09:05"},          // minutes after an hour
        {"h:m dd/mm", &Ru(), "9:5 05.01"},  // ... but months after a day
        {"h:nn:ss.zzz", &Ru(), "9:05:07.042"},
        {"s.z", &Ru(), "7.42"},
        {"dddd, d mmmm yyyy", &Ru(), "Пятница, 5 Январь 2024"},
        {"ddd d mmm", &Ru(), "Пт 5 янв"},
        {"dddd, d mmmm yyyy", &Mc(), "Friday, 5 January 2024"},
        {"ddd mmm yy", &Mc(), "Fri Jan 24"},
        {"yyyy 'г.' \"d/m\"", &Ru(), "2024 г. d/m"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(FormatDateTime(Utf8ToCp1251(c.pattern), friday, *c.fs),
                  Utf8ToCp1251(c.expectedUtf8));
    }
}

TEST(FormatDateTimeTest, ValuesOutsideTheCalendarGiveEmptyText) {
    const double end = double(3652060) * kMsPerDay;  // the day after 9999-12-31
    EXPECT_EQ(FormatDateTime("yyyy", end - 1, Mc()), "9999");
    for (double v :
         {-1.0, end, 1e300, -1e300, std::nan(""), std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(v);
        EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", v, Ru()), "");
        EXPECT_EQ(DateTimeToStr(v, Ru()), "");
    }
}

TEST(DateTextTest, RoundTripsInBothFormats) {
    struct Case {
        int32_t dayNumber;
        const char* russian;
        const char* machine;
    } cases[] = {
        {1, "01.01.0001", "0001/01/01"},
        {730179, "29.02.2000", "2000/02/29"},
        {738890, "05.01.2024", "2024/01/05"},
        {3652059, "31.12.9999", "9999/12/31"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.russian);
        EXPECT_EQ(DateToStr(c.dayNumber, Ru()), c.russian);
        EXPECT_EQ(DateToStr(c.dayNumber, Mc()), c.machine);
        int32_t back = 0;
        EXPECT_TRUE(TryStrToDate(c.russian, back, Ru()));
        EXPECT_EQ(back, c.dayNumber);
        back = 0;
        EXPECT_TRUE(TryStrToDate(c.machine, back, Mc()));
        EXPECT_EQ(back, c.dayNumber);
    }
}

TEST(DateTextTest, Parsing) {
    struct Case {
        const char* text;
        const FormatSettings* fs;
        bool ok;
        int32_t dayNumber;
    } cases[] = {
        {" 5.1.2024 ", &Ru(), true, 738890},
        {"5/1/2024", &Ru(), true, 738890},  // '/' is always accepted
        {"05.01.24", &Ru(), true, 738890},
        {"01.01.49", &Ru(), true, 748018},  // 2049-01-01
        {"01.01.50", &Ru(), true, 711858},  // 1950-01-01
        {"2024/1/5", &Mc(), true, 738890},
        {"31.02.2020", &Ru(), false, 0},
        {"29.02.2019", &Ru(), false, 0},
        {"00.01.2024", &Ru(), false, 0},
        {"01.01.0000", &Ru(), false, 0},
        {"05.01", &Ru(), false, 0},
        {"05.01.2024.", &Ru(), false, 0},
        {"05..2024", &Ru(), false, 0},
        {"005.01.2024", &Ru(), false, 0},
        {"05.01.12024", &Ru(), false, 0},
        {"05.01.2024x", &Ru(), false, 0},
        {"05.01.2024 10:00", &Ru(), false, 0},
        {"2024.01.05", &Mc(), false, 0},
        {"05.01.2024", &Mc(), false, 0},  // reads as year 5, month 1, day 2024
        {"", &Ru(), false, 0},
        {"   ", &Ru(), false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int32_t dayNumber = 0;
        ASSERT_EQ(TryStrToDate(c.text, dayNumber, *c.fs), c.ok);
        if (c.ok) {
            EXPECT_EQ(dayNumber, c.dayNumber);
        }
    }
}

TEST(DateTextTest, OrderComesFromTheShortDateFormat) {
    FormatSettings us = FormatSettings::Russian();
    us.shortDateFormat = "mm/dd/yyyy";
    us.dateSeparator = '-';
    EXPECT_EQ(DateToStr(738890, us), "01-05-2024");
    int32_t dayNumber = 0;
    EXPECT_TRUE(TryStrToDate("01-05-2024", dayNumber, us));
    EXPECT_EQ(dayNumber, 738890);
    EXPECT_FALSE(TryStrToDate("13-05-2024", dayNumber, us));
}

TEST(TimeTextTest, Parsing) {
    struct Case {
        const char* text;
        bool ok;
        int32_t ms;
    } cases[] = {
        {"9:05:07", true, 32707000},
        {" 09:05 ", true, 32700000},
        {"9", true, 32400000},
        {"0:00:00", true, 0},
        {"23:59:59.999", true, 86399999},
        {"12:00:00.5", true, 43200500},  // a fraction of a second
        {"12:00:00.05", true, 43200050},
        {"24:00", false, 0},
        {"12:60", false, 0},
        {"12:00:60", false, 0},
        {"12:", false, 0},
        {"1:2:3:4", false, 0},
        {"12:00:00.1234", false, 0},
        {"12:00.5", false, 0},
        {"123:00", false, 0},
        {"-1:00", false, 0},
        {"", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int32_t ms = -1;
        ASSERT_EQ(TryStrToTime(c.text, ms, Ru()), c.ok);
        if (c.ok) {
            EXPECT_EQ(ms, c.ms);
        }
    }
}

TEST(DateTimeTextTest, RoundTripsAndParsing) {
    struct Case {
        double value;
        const char* russian;
        const char* machine;
    } cases[] = {
        {At(738890, 0, 0, 0), "05.01.2024", "2024/01/05"},
        {At(738890, 9, 5, 7), "05.01.2024 9:05:07", "2024/01/05 09:05:07"},
        {At(1, 0, 0, 1), "01.01.0001 0:00:01", "0001/01/01 00:00:01"},
        {At(3652059, 23, 59, 59), "31.12.9999 23:59:59", "9999/12/31 23:59:59"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.russian);
        EXPECT_EQ(DateTimeToStr(c.value, Ru()), c.russian);
        EXPECT_EQ(DateTimeToStr(c.value, Mc()), c.machine);
        double back = -1;
        EXPECT_TRUE(TryStrToDateTime(c.russian, back, Ru()));
        EXPECT_EQ(back, c.value);
        back = -1;
        EXPECT_TRUE(TryStrToDateTime(c.machine, back, Mc()));
        EXPECT_EQ(back, c.value);
    }
    EXPECT_EQ(TimeToStr(32707000, Ru()), "9:05:07");
    EXPECT_EQ(TimeToStr(32707000, Mc()), "09:05:07");

    double value = 0;
    EXPECT_TRUE(TryStrToDateTime("  05.01.2024 \t 23:59  ", value, Ru()));
    EXPECT_EQ(value, At(738890, 23, 59, 0));
    EXPECT_FALSE(TryStrToDateTime("05.01.2024 25:00", value, Ru()));
    EXPECT_FALSE(TryStrToDateTime("31.02.2024 10:00", value, Ru()));
    EXPECT_FALSE(TryStrToDateTime("9:05", value, Ru()));
    EXPECT_FALSE(TryStrToDateTime("", value, Ru()));
}

// ---- Numbers -------------------------------------------------------------

TEST(NumberTextTest, TryStrToFloat) {
    struct Case {
        const char* text;
        const FormatSettings* fs;
        bool ok;
        double value;
    } cases[] = {
        {"1,5", &Ru(), true, 1.5},
        {" -2,25E3 ", &Ru(), true, -2250},
        {"+0,5", &Ru(), true, 0.5},
        {",5", &Ru(), true, 0.5},
        {"1,23E-10", &Ru(), true, 1.23e-10},
        {"1e+20", &Ru(), true, 1e20},
        {"42", &Ru(), true, 42},
        {"1.5", &Mc(), true, 1.5},
        {"1.5", &Ru(), false, 0},
        {"1,5", &Mc(), false, 0},
        {"1 000", &Ru(), false, 0},
        {"", &Ru(), false, 0},
        {"-", &Ru(), false, 0},
        {",", &Ru(), false, 0},
        {"1e", &Ru(), false, 0},
        {"e5", &Ru(), false, 0},
        {"12a", &Ru(), false, 0},
        {"--1", &Ru(), false, 0},
        {"1e400", &Ru(), false, 0},
        {"nan", &Mc(), false, 0},
        {"inf", &Mc(), false, 0},
        {"0x10", &Mc(), false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        double value = -1;
        ASSERT_EQ(TryStrToFloat(c.text, value, *c.fs), c.ok);
        if (c.ok) {
            EXPECT_DOUBLE_EQ(value, c.value);
        }
    }
}

TEST(NumberTextTest, TryStrToInt) {
    struct Case {
        const char* text;
        bool ok;
        int64_t value;
    } cases[] = {
        {"+5", true, 5},
        {"-7", true, -7},
        {"  42\t", true, 42},
        {"007", true, 7},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483648LL},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999", false, 0},
        {"12a", false, 0},
        {"1 2", false, 0},
        {"1.0", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"+-1", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int32_t value = -1;
        ASSERT_EQ(TryStrToInt(c.text, value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }

    struct Case64 {
        const char* text;
        bool ok;
        int64_t value;
    } cases64[] = {
        {"9223372036854775807", true, std::numeric_limits<int64_t>::max()},
        {"-9223372036854775808", true, std::numeric_limits<int64_t>::min()},
        {"9223372036854775808", false, 0},
        {"-9223372036854775809", false, 0},
        {"18446744073709551616", false, 0},
    };
    for (const auto& c : cases64) {
        SCOPED_TRACE(c.text);
        int64_t value = -1;
        ASSERT_EQ(TryStrToInt64(c.text, value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST(NumberTextTest, FloatToStr) {
    struct Case {
        double value;
        const char* russian;
        const char* machine;
    } cases[] = {
        {1.5, "1,5", "1.5"},
        {100, "100", "100"},
        {0.1, "0,1", "0.1"},
        {-2.5, "-2,5", "-2.5"},
        {0, "0", "0"},
        {-0.0, "0", "0"},
        {1.0 / 3, "0,333333333333333", "0.333333333333333"},
        {123456789012345, "123456789012345", "123456789012345"},
        {999999999999999.9, "1E15", "1E15"},  // rounds up into exponent form
        {1e15, "1E15", "1E15"},
        {1e20, "1E20", "1E20"},
        {-1.5e300, "-1,5E300", "-1.5E300"},
        {0.00001, "0,00001", "0.00001"},
        {0.000001, "1E-6", "1E-6"},
        {1.23e-10, "1,23E-10", "1.23E-10"},
        {std::numeric_limits<double>::infinity(), "INF", "INF"},
        {std::nan(""), "NAN", "NAN"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.machine);
        EXPECT_EQ(FloatToStr(c.value, Ru()), c.russian);
        EXPECT_EQ(FloatToStr(c.value, Mc()), c.machine);
    }

    // Values of at most 15 significant digits survive text and back.
    for (double v : {1.5, -0.1, 1234.5678, 1.23e-10, 9.87654321e100, 123456789012345.0}) {
        for (const FormatSettings* fs : {&Ru(), &Mc()}) {
            double back = 0;
            ASSERT_TRUE(TryStrToFloat(FloatToStr(v, *fs), back, *fs)) << FloatToStr(v, *fs);
            EXPECT_EQ(back, v);
        }
    }
}

TEST(NumberTextTest, FormatFloat) {
    struct Case {
        const char* pattern;
        double value;
        const char* russian;
    } cases[] = {
        {"0.######", 1.5, "1,5"},
        {"0.######", 2, "2"},
        {"0.######", 0.1234567, "0,123457"},
        {"0.######", -0.0000001, "0"},
        {"0.######", 1e20, "100000000000000000000"},
        {"#,##0.00", 1234.5, "1 234,50"},
        {"#,##0.00", 1234567.891, "1 234 567,89"},
        {"#,##0.00", -1234.5, "-1 234,50"},
        {"#,##0.00", 999.999, "1 000,00"},
        {"#,##0.00", 0, "0,00"},
        {"0", 2.5, "3"},  // half away from zero
        {"0", -2.5, "-3"},
        {"0", 0.4, "0"},
        {"0.00", 1.005, "1,01"},  // the double is just below 1.005
        {"0.00", 0.125, "0,13"},
        {"0.00", -0.001, "0,00"},  // no minus on a zero result
        {"000", 7, "007"},
        {"0.0#", 1, "1,0"},
        {"0.0#", 1.234, "1,23"},
        {"#.##", 0.5, ",5"},
        {"#", 0, "0"},
        {"0.00 'руб.'", 12.3, "12,30 руб."},
        {"0.00;(0.00)", -5, "(5,00)"},
        {"0.00;(0.00);-", -0.001, "-"},
        {"0.00;(0.00);'ноль'", 0, "ноль"},
        {"", 1.5, "1,5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(FormatFloat(Utf8ToCp1251(c.pattern), c.value, Ru()), Utf8ToCp1251(c.russian));
    }
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5, Mc()), "1,234.50");
    EXPECT_EQ(FormatFloat("0.######", 0.1234567, Mc()), "0.123457");
}

}  // namespace
}  // namespace text
