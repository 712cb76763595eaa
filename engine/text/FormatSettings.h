// Number and date formats. Every conversion between values and text takes an
// explicit FormatSettings; nothing reads the process's C locale.
//
// Date and time patterns use these tokens (case-insensitive, as in the
// program's historical format strings):
//   d dd ddd dddd   day, two-digit day, short and long weekday name
//   m mm mmm mmmm   month, two-digit month, short and long month name;
//                   right after an h/hh token, m and mm mean minutes
//   yy yyyy         two- and four-digit year
//   h hh            hour (0-23), two-digit hour
//   n nn            minute, two-digit minute
//   s ss            second, two-digit second
//   z zzz           millisecond, three-digit millisecond
//   /               the date separator;   :  the time separator
//   "..." '...'     literal text
//
// Day numbers: 1 + days since 0001-01-01 (so 0001-01-01 is day 1).
// Times: milliseconds since midnight. Date-times: day number * 86400000 +
// milliseconds, held in a double.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace text {

struct FormatSettings {
    char decimalSeparator = ',';
    char thousandSeparator = ' ';
    char dateSeparator = '.';
    char timeSeparator = ':';
    std::string shortDateFormat = "dd/mm/yyyy";  // '/' stands for dateSeparator
    std::string longTimeFormat = "h:nn:ss";
    // Windows-1251 texts, Monday-first is NOT used: index 0 is Sunday.
    std::array<std::string, 7> longDayNames;
    std::array<std::string, 7> shortDayNames;
    std::array<std::string, 12> longMonthNames;
    std::array<std::string, 12> shortMonthNames;

    // Russian defaults: decimal ",", short date dd.MM.yyyy, time H:mm:ss,
    // Russian day and month names.
    static const FormatSettings& Russian();
    // Fixed machine-readable settings for tools: decimal ".", date
    // yyyy/mm/dd, time hh:nn:ss, English names.
    static const FormatSettings& Machine();
};

constexpr int32_t kMsPerDay = 86400000;

// Calendar helpers. Valid for years 1..9999.
bool TryEncodeDate(int year, int month, int day, int32_t& dayNumber);
void DecodeDate(int32_t dayNumber, int& year, int& month, int& day);
int DayOfWeek(int32_t dayNumber);  // 0 = Sunday

// Formats per the token grammar above. `dateTime` is a day number * 86400000
// + ms value (a plain date is dayNumber * 86400000, a time is the ms alone).
// A value before day 0 or after 9999-12-31, or not a number, gives an empty
// text. Any other character of the pattern is copied as it is.
std::string FormatDateTime(std::string_view pattern, double dateTime, const FormatSettings& fs);

std::string DateToStr(int32_t dayNumber, const FormatSettings& fs);  // shortDateFormat
std::string TimeToStr(int32_t ms, const FormatSettings& fs);         // longTimeFormat
// shortDateFormat, then a space and longTimeFormat unless the time is 0.
std::string DateTimeToStr(double dateTime, const FormatSettings& fs);

// Parsing. Day, month and year order come from shortDateFormat; the parts
// are separated by fs.dateSeparator or '/'; all three are required; years of
// one or two digits map to 1950..2049. The time part accepts h[:m[:s[.zzz]]]
// with fs.timeSeparator or ':', where .zzz is a fraction of a second of one
// to three digits (".5" is 500 ms). A date-time is a date, optionally
// followed by blanks and a time. Surrounding blanks are ignored.
// Return false (and leave the output unspecified) on bad text.
bool TryStrToDate(std::string_view s, int32_t& dayNumber, const FormatSettings& fs);
bool TryStrToTime(std::string_view s, int32_t& ms, const FormatSettings& fs);
bool TryStrToDateTime(std::string_view s, double& dateTime, const FormatSettings& fs);

// Numbers. Parsing accepts optional surrounding blanks, a sign, digits with
// fs.decimalSeparator, and an exponent. Integers must be whole decimal
// numbers within range.
bool TryStrToFloat(std::string_view s, double& value, const FormatSettings& fs);
bool TryStrToInt(std::string_view s, int32_t& value);
bool TryStrToInt64(std::string_view s, int64_t& value);

// General float format: up to 15 significant digits, no trailing zeros,
// exponent form only for very large or small magnitudes (decimal exponent
// below -5 or above 14: "1E20", "1,23E-10"). Negative zero prints "0";
// infinities and NaN print "INF", "-INF" and "NAN".
std::string FloatToStr(double value, const FormatSettings& fs);
// Pattern format with '0' (digit), '#' (optional digit), '.' (decimal
// point, printed as fs.decimalSeparator), ',' (thousands grouping, printed
// as fs.thousandSeparator), and literal text; e.g. "0.######", "#,##0.00".
// Text in quotes is literal. Up to three ';'-separated sections: positive,
// negative (printed without a sign) and zero. Rounds half away from zero on
// the 15 significant digits of the value; a result of zero carries no minus.
// An empty pattern, infinity and NaN fall back to FloatToStr.
std::string FormatFloat(std::string_view pattern, double value, const FormatSettings& fs);

}  // namespace text
