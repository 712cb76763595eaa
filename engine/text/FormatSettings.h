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
std::string FormatDateTime(std::string_view pattern, double dateTime, const FormatSettings& fs);

std::string DateToStr(int32_t dayNumber, const FormatSettings& fs);  // shortDateFormat
std::string TimeToStr(int32_t ms, const FormatSettings& fs);         // longTimeFormat
// shortDateFormat, then a space and longTimeFormat unless the time is 0.
std::string DateTimeToStr(double dateTime, const FormatSettings& fs);

// Parsing. Day, month and year order come from shortDateFormat; two-digit
// years map to 1950..2049; the time part accepts h[:m[:s[.zzz]]].
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
// exponent form only for very large or small magnitudes.
std::string FloatToStr(double value, const FormatSettings& fs);
// Pattern format with '0' (digit), '#' (optional digit), '.' (decimal
// point, printed as fs.decimalSeparator), ',' (thousands grouping, printed
// as fs.thousandSeparator), and literal text; e.g. "0.######", "#,##0.00".
// Rounds half away from zero.
std::string FormatFloat(std::string_view pattern, double value, const FormatSettings& fs);

}  // namespace text
