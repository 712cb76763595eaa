// Number and date conversions under explicit FormatSettings.
//
// Nothing here may depend on the process locale: a GUI toolkit is free to
// call setlocale, and the engine's texts must not change with it. Numbers are
// therefore printed with std::to_chars and read with std::from_chars, which
// always use '.', and the result is translated to fs.decimalSeparator.
//
// Floats are first reduced to their 15 significant decimal digits (what a
// double reliably holds). Rounding for patterns is done on those digits,
// half away from zero, so 1.005 with "0.00" prints 1.01 although the double
// itself is a shade below 1.005.
#include "engine/text/FormatSettings.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>
#include <vector>

#include "engine/text/Win1251.h"

namespace text {
namespace {

// ---- Small helpers -------------------------------------------------------

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

void AppendNumber(std::string& out, long long value, int width) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value < 0 ? -value : value);
    int len = int(res.ptr - buf);
    if (value < 0) out += '-';
    if (len < width) out.append(size_t(width - len), '0');
    out.append(buf, res.ptr);
}

// Reads 1..maxDigits decimal digits at pos. More digits than allowed fail.
bool ReadDigits(std::string_view s, size_t& pos, int maxDigits, int& value, int& count) {
    value = 0;
    count = 0;
    while (pos < s.size() && IsDigit(s[pos])) {
        if (++count > maxDigits) return false;
        value = value * 10 + (s[pos] - '0');
        ++pos;
    }
    return count > 0;
}

// ---- Calendar ------------------------------------------------------------
// Civil date <-> serial day conversions on the proleptic Gregorian calendar,
// counted from 1970-01-01 and valid for any 64-bit day count.

constexpr int64_t kDayNumberOf1970 = 719163;  // 1970-01-01 as a day number
constexpr int32_t kMaxDayNumber = 3652059;    // 9999-12-31

int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = yoe + era * 400 + (m <= 2);
}

bool IsLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// ---- Date and time formatting --------------------------------------------

struct Moment {
    int year, month, day, weekday, hour, minute, second, ms;
};

// Splits a date-time value; false for a value no calendar date covers.
bool SplitDateTime(double dateTime, Moment& t) {
    constexpr int64_t kEnd = (int64_t(kMaxDayNumber) + 1) * kMsPerDay;
    if (!(dateTime > -1.0 && dateTime < double(kEnd))) return false;  // also NaN
    int64_t total = std::llround(dateTime);
    if (total < 0 || total >= kEnd) return false;
    int32_t dayNumber = int32_t(total / kMsPerDay);
    int ms = int(total % kMsPerDay);
    DecodeDate(dayNumber, t.year, t.month, t.day);
    t.weekday = DayOfWeek(dayNumber);
    t.hour = ms / 3600000;
    t.minute = ms / 60000 % 60;
    t.second = ms / 1000 % 60;
    t.ms = ms % 1000;
    return true;
}

// ---- Decimal digits of a double ------------------------------------------

// |value| = 0.digits * 10^pointPos; digits hold no trailing zeros and are
// empty for zero.
struct Decimal {
    std::string digits;
    int pointPos = 0;
};

Decimal ToDecimal(double value) {
    Decimal dec;
    if (value == 0 || !std::isfinite(value)) return dec;
    char buf[64];
    // 15 significant digits: d.dddddddddddddde[+-]xx
    auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    std::string_view text(buf, size_t(res.ptr - buf));
    size_t e = text.find('e');
    dec.digits += text[0];
    if (e > 2) dec.digits.append(text.substr(2, e - 2));
    std::string_view exp = text.substr(e + 1);
    if (!exp.empty() && exp.front() == '+') exp.remove_prefix(1);
    int exponent = 0;
    std::from_chars(exp.data(), exp.data() + exp.size(), exponent);
    dec.pointPos = exponent + 1;
    while (!dec.digits.empty() && dec.digits.back() == '0') dec.digits.pop_back();
    return dec;
}

// Rounds to `decimals` digits after the point, half away from zero.
void RoundDecimal(Decimal& dec, int decimals) {
    long long keep = (long long)dec.pointPos + decimals;
    if (keep >= (long long)dec.digits.size()) return;
    if (keep < 0) {
        dec = Decimal{};
        return;
    }
    bool up = dec.digits[size_t(keep)] >= '5';
    dec.digits.resize(size_t(keep));
    if (up) {
        size_t i = dec.digits.size();
        while (i > 0 && dec.digits[i - 1] == '9') dec.digits[--i] = '0';
        if (i == 0) {
            dec.digits.insert(dec.digits.begin(), '1');
            ++dec.pointPos;
        } else {
            ++dec.digits[i - 1];
        }
    }
    while (!dec.digits.empty() && dec.digits.back() == '0') dec.digits.pop_back();
    if (dec.digits.empty()) dec.pointPos = 0;
}

std::string IntegerDigits(const Decimal& dec) {
    if (dec.pointPos <= 0) return {};
    std::string out = dec.digits.substr(0, size_t(dec.pointPos));
    out.append(size_t(dec.pointPos) - out.size(), '0');
    return out;
}

std::string FractionDigits(const Decimal& dec) {
    if (dec.pointPos >= int(dec.digits.size())) return {};
    if (dec.pointPos >= 0) return dec.digits.substr(size_t(dec.pointPos));
    return std::string(size_t(-dec.pointPos), '0') + dec.digits;
}

// ---- Number patterns -----------------------------------------------------

// One ';'-separated section of a number pattern.
struct NumberLayout {
    int minInt = 0;   // '0's from the first '0' to the point
    int minFrac = 0;  // up to the last '0' after the point
    int maxFrac = 0;  // all placeholders after the point
    bool grouping = false;
    bool hasDigits = false;  // a section of literal text alone prints just that
    std::string prefix;      // literal text before the first placeholder
    std::string suffix;      // literal text after it
};

NumberLayout ParseLayout(std::string_view section) {
    NumberLayout layout;
    bool started = false, afterPoint = false;
    int intCount = 0, firstIntZero = -1;
    for (size_t i = 0; i < section.size(); ++i) {
        char c = section[i];
        if (c == '"' || c == '\'') {
            size_t end = section.find(c, i + 1);
            if (end == std::string_view::npos) end = section.size();
            (started ? layout.suffix : layout.prefix).append(section.substr(i + 1, end - i - 1));
            i = end;
            continue;
        }
        bool placeholder = c == '0' || c == '#' || c == '.' || c == ',';
        if (!placeholder) {
            (started ? layout.suffix : layout.prefix) += c;
            continue;
        }
        started = true;
        if (c == '0' || c == '#') layout.hasDigits = true;
        if (afterPoint) {
            if (c == '0' || c == '#') ++layout.maxFrac;
            if (c == '0') layout.minFrac = layout.maxFrac;
        } else if (c == '.') {
            afterPoint = true;
        } else if (c == ',') {
            layout.grouping = true;
        } else {
            if (c == '0' && firstIntZero < 0) firstIntZero = intCount;
            ++intCount;
        }
    }
    if (firstIntZero >= 0) layout.minInt = intCount - firstIntZero;
    return layout;
}

std::vector<std::string_view> SplitSections(std::string_view pattern) {
    std::vector<std::string_view> sections;
    size_t start = 0;
    char quote = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            sections.push_back(pattern.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(pattern.substr(start));
    return sections;
}

std::string RenderNumber(const Decimal& dec, const NumberLayout& layout, bool minus,
                         const FormatSettings& fs) {
    if (!layout.hasDigits) return layout.prefix + layout.suffix;
    std::string intPart = IntegerDigits(dec);
    if (int(intPart.size()) < layout.minInt) {
        intPart.insert(0, size_t(layout.minInt) - intPart.size(), '0');
    }
    std::string frac = FractionDigits(dec);
    if (int(frac.size()) < layout.minFrac) frac.append(size_t(layout.minFrac) - frac.size(), '0');
    if (intPart.empty() && frac.empty()) intPart = "0";

    std::string out;
    if (minus) out += '-';
    out += layout.prefix;
    for (size_t i = 0; i < intPart.size(); ++i) {
        if (layout.grouping && i > 0 && (intPart.size() - i) % 3 == 0) out += fs.thousandSeparator;
        out += intPart[i];
    }
    if (!frac.empty()) {
        out += fs.decimalSeparator;
        out += frac;
    }
    out += layout.suffix;
    return out;
}

// ---- Names ---------------------------------------------------------------

template <size_t N>
std::array<std::string, N> Names(const char* const (&utf8)[N]) {
    std::array<std::string, N> out;
    for (size_t i = 0; i < N; ++i) out[i] = Utf8ToCp1251(utf8[i]);
    return out;
}

}  // namespace

// ---- Settings ------------------------------------------------------------

const FormatSettings& FormatSettings::Russian() {
    static const FormatSettings settings = [] {
        FormatSettings fs;
        fs.decimalSeparator = ',';
        fs.thousandSeparator = ' ';
        fs.dateSeparator = '.';
        fs.timeSeparator = ':';
        fs.shortDateFormat = "dd/mm/yyyy";
        fs.longTimeFormat = "h:nn:ss";
        fs.longDayNames = Names(
            {"Воскресенье", "Понедельник", "Вторник", "Среда", "Четверг", "Пятница", "Суббота"});
        fs.shortDayNames = Names({"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"});
        fs.longMonthNames = Names({"Январь", "Февраль", "Март", "Апрель", "Май", "Июнь", "Июль",
                                   "Август", "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"});
        fs.shortMonthNames = Names(
            {"янв", "фев", "мар", "апр", "май", "июн", "июл", "авг", "сен", "окт", "ноя", "дек"});
        return fs;
    }();
    return settings;
}

const FormatSettings& FormatSettings::Machine() {
    static const FormatSettings settings = [] {
        FormatSettings fs;
        fs.decimalSeparator = '.';
        fs.thousandSeparator = ',';
        fs.dateSeparator = '/';
        fs.timeSeparator = ':';
        fs.shortDateFormat = "yyyy/mm/dd";
        fs.longTimeFormat = "hh:nn:ss";
        fs.longDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                           "Thursday", "Friday", "Saturday"};
        fs.shortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
        fs.longMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                             "July",    "August",   "September", "October", "November", "December"};
        fs.shortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        return fs;
    }();
    return settings;
}

// ---- Calendar ------------------------------------------------------------

bool TryEncodeDate(int year, int month, int day, int32_t& dayNumber) {
    if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
    if (day < 1 || day > DaysInMonth(year, month)) return false;
    dayNumber = int32_t(DaysFromCivil(year, month, day) + kDayNumberOf1970);
    return true;
}

void DecodeDate(int32_t dayNumber, int& year, int& month, int& day) {
    int64_t y;
    CivilFromDays(int64_t(dayNumber) - kDayNumberOf1970, y, month, day);
    year = int(y);
}

int DayOfWeek(int32_t dayNumber) {
    // Day 1, 0001-01-01, was a Monday.
    return int((dayNumber % 7 + 7) % 7);
}

// ---- Date and time text --------------------------------------------------

std::string FormatDateTime(std::string_view pattern, double dateTime, const FormatSettings& fs) {
    Moment t;
    if (!SplitDateTime(dateTime, t)) return {};
    std::string out;
    bool afterHour = false;  // m/mm right after h/hh mean minutes
    size_t i = 0;
    while (i < pattern.size()) {
        char c = pattern[i];
        if (c == '"' || c == '\'') {
            size_t end = pattern.find(c, i + 1);
            if (end == std::string_view::npos) end = pattern.size();
            out.append(pattern.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        char token = AsciiLower(c);
        size_t run = 1;
        while (i + run < pattern.size() && AsciiLower(pattern[i + run]) == token) ++run;
        switch (token) {
            case 'd':
                if (run == 1) AppendNumber(out, t.day, 1);
                if (run == 2) AppendNumber(out, t.day, 2);
                if (run == 3) out += fs.shortDayNames[size_t(t.weekday)];
                if (run >= 4) out += fs.longDayNames[size_t(t.weekday)];
                afterHour = false;
                break;
            case 'm':
                if (afterHour && run <= 2) {
                    AppendNumber(out, t.minute, int(run));
                } else {
                    if (run <= 2) AppendNumber(out, t.month, int(run));
                    if (run == 3) out += fs.shortMonthNames[size_t(t.month - 1)];
                    if (run >= 4) out += fs.longMonthNames[size_t(t.month - 1)];
                }
                afterHour = false;
                break;
            case 'y':
                if (run <= 2) {
                    AppendNumber(out, t.year % 100, 2);
                } else {
                    AppendNumber(out, t.year, 4);
                }
                afterHour = false;
                break;
            case 'h':
                AppendNumber(out, t.hour, run == 1 ? 1 : 2);
                afterHour = true;
                break;
            case 'n':
                AppendNumber(out, t.minute, run == 1 ? 1 : 2);
                afterHour = false;
                break;
            case 's':
                AppendNumber(out, t.second, run == 1 ? 1 : 2);
                afterHour = false;
                break;
            case 'z':
                AppendNumber(out, t.ms, run == 1 ? 1 : 3);
                afterHour = false;
                break;
            case '/':
                out.append(run, fs.dateSeparator);
                break;
            case ':':
                out.append(run, fs.timeSeparator);
                break;
            default:
                out.append(run, c);
                break;
        }
        i += run;
    }
    return out;
}

std::string DateToStr(int32_t dayNumber, const FormatSettings& fs) {
    return FormatDateTime(fs.shortDateFormat, double(dayNumber) * kMsPerDay, fs);
}

std::string TimeToStr(int32_t ms, const FormatSettings& fs) {
    return FormatDateTime(fs.longTimeFormat, ms, fs);
}

std::string DateTimeToStr(double dateTime, const FormatSettings& fs) {
    std::string out = FormatDateTime(fs.shortDateFormat, dateTime, fs);
    if (out.empty()) return out;
    if (std::llround(dateTime) % kMsPerDay != 0) {
        out += ' ';
        out += FormatDateTime(fs.longTimeFormat, dateTime, fs);
    }
    return out;
}

bool TryStrToDate(std::string_view s, int32_t& dayNumber, const FormatSettings& fs) {
    // The order of day, month and year is the order of their first letters
    // in the short date format; missing letters fall back to d, m, y.
    char order[3];
    int found = 0;
    auto add = [&](char letter) {
        for (int k = 0; k < found; ++k) {
            if (order[k] == letter) return;
        }
        order[found++] = letter;
    };
    for (char c : fs.shortDateFormat) {
        char l = AsciiLower(c);
        if (found < 3 && (l == 'd' || l == 'm' || l == 'y')) add(l);
    }
    for (char l : {'d', 'm', 'y'}) {
        if (found < 3) add(l);
    }

    s = Trim(s);
    size_t pos = 0;
    int year = 0, month = 0, day = 0;
    for (int k = 0; k < 3; ++k) {
        if (k > 0) {
            if (pos >= s.size() || (s[pos] != fs.dateSeparator && s[pos] != '/')) return false;
            ++pos;
        }
        int value, digits;
        if (!ReadDigits(s, pos, order[k] == 'y' ? 4 : 2, value, digits)) return false;
        if (order[k] == 'd') day = value;
        if (order[k] == 'm') month = value;
        if (order[k] == 'y')
            year = digits <= 2 ? (value < 50 ? 2000 + value : 1900 + value) : value;
    }
    if (pos != s.size()) return false;
    return TryEncodeDate(year, month, day, dayNumber);
}

bool TryStrToTime(std::string_view s, int32_t& ms, const FormatSettings& fs) {
    s = Trim(s);
    size_t pos = 0;
    int parts[3] = {0, 0, 0};
    int count = 0, digits;
    for (; count < 3; ++count) {
        if (count > 0) {
            if (pos >= s.size() || (s[pos] != fs.timeSeparator && s[pos] != ':')) break;
            ++pos;
        }
        if (!ReadDigits(s, pos, 2, parts[count], digits)) return false;
    }
    int milli = 0;
    if (count == 3 && pos < s.size() && s[pos] == '.') {
        // A fraction of a second: ".5" is 500 ms.
        ++pos;
        if (!ReadDigits(s, pos, 3, milli, digits)) return false;
        for (; digits < 3; ++digits) milli *= 10;
    }
    if (pos != s.size()) return false;
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return false;
    ms = ((parts[0] * 60 + parts[1]) * 60 + parts[2]) * 1000 + milli;
    return true;
}

bool TryStrToDateTime(std::string_view s, double& dateTime, const FormatSettings& fs) {
    s = Trim(s);
    size_t blank = 0;
    while (blank < s.size() && !IsBlank(s[blank])) ++blank;
    int32_t dayNumber = 0, ms = 0;
    if (!TryStrToDate(s.substr(0, blank), dayNumber, fs)) return false;
    std::string_view rest = Trim(s.substr(blank));
    if (!rest.empty() && !TryStrToTime(rest, ms, fs)) return false;
    dateTime = double(dayNumber) * kMsPerDay + ms;
    return true;
}

// ---- Numbers -------------------------------------------------------------

bool TryStrToFloat(std::string_view s, double& value, const FormatSettings& fs) {
    s = Trim(s);
    // Rebuild the text in the form from_chars reads: '.' as the point, no '+'.
    std::string buf;
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') buf += '-';
        ++i;
    }
    auto copyDigits = [&] {
        size_t count = 0;
        for (; i < s.size() && IsDigit(s[i]); ++i, ++count) buf += s[i];
        return count;
    };
    size_t mantissaDigits = copyDigits();
    if (i < s.size() && s[i] == fs.decimalSeparator) {
        buf += '.';
        ++i;
        mantissaDigits += copyDigits();
    }
    if (mantissaDigits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        buf += 'e';
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) buf += s[i++];
        if (copyDigits() == 0) return false;
    }
    if (i != s.size()) return false;
    double parsed = 0;
    auto res = std::from_chars(buf.data(), buf.data() + buf.size(), parsed);
    if (res.ec != std::errc() || res.ptr != buf.data() + buf.size()) return false;
    value = parsed;
    return true;
}

bool TryStrToInt64(std::string_view s, int64_t& value) {
    s = Trim(s);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return false;
    const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                    : uint64_t(std::numeric_limits<int64_t>::max());
    uint64_t magnitude = 0;
    for (; i < s.size(); ++i) {
        if (!IsDigit(s[i])) return false;
        unsigned digit = unsigned(s[i] - '0');
        if (magnitude > (limit - digit) / 10) return false;
        magnitude = magnitude * 10 + digit;
    }
    value = negative ? int64_t(0 - magnitude) : int64_t(magnitude);
    return true;
}

bool TryStrToInt(std::string_view s, int32_t& value) {
    int64_t wide;
    if (!TryStrToInt64(s, wide)) return false;
    if (wide < std::numeric_limits<int32_t>::min() || wide > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    value = int32_t(wide);
    return true;
}

std::string FloatToStr(double value, const FormatSettings& fs) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    Decimal dec = ToDecimal(value);
    if (dec.digits.empty()) return "0";  // also negative zero
    std::string out = value < 0 ? "-" : "";
    const int exponent = dec.pointPos - 1;
    if (exponent >= -5 && exponent < 15) {
        std::string intPart = IntegerDigits(dec);
        out += intPart.empty() ? "0" : intPart;
        std::string frac = FractionDigits(dec);
        if (!frac.empty()) {
            out += fs.decimalSeparator;
            out += frac;
        }
    } else {
        out += dec.digits[0];
        if (dec.digits.size() > 1) {
            out += fs.decimalSeparator;
            out.append(dec.digits, 1);
        }
        out += 'E';
        AppendNumber(out, exponent, 1);
    }
    return out;
}

std::string FormatFloat(std::string_view pattern, double value, const FormatSettings& fs) {
    if (!std::isfinite(value) || Trim(pattern).empty()) return FloatToStr(value, fs);
    std::vector<std::string_view> sections = SplitSections(pattern);
    auto hasSection = [&](size_t k) { return k < sections.size() && !sections[k].empty(); };

    // A negative number uses the second section without a sign when there
    // is one; a number that rounds to zero uses the third when there is one.
    bool negative = value < 0;
    std::string_view section = sections[0];
    bool minus = negative;
    if (negative && hasSection(1)) {
        section = sections[1];
        minus = false;
    }
    NumberLayout layout = ParseLayout(section);
    Decimal dec = ToDecimal(value);
    RoundDecimal(dec, layout.maxFrac);
    if (dec.digits.empty()) {
        minus = false;
        layout = ParseLayout(hasSection(2) ? sections[2] : sections[0]);
    }
    return RenderNumber(dec, layout, minus, fs);
}

}  // namespace text
