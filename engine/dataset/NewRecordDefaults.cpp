#include "engine/dataset/NewRecordDefaults.h"

#include <chrono>
#include <ctime>

#include "engine/dataset/RidovDataset.h"
#include "engine/storage/DatabaseError.h"
#include "engine/text/FormatSettings.h"
#include "platform/LocalTime.h"

namespace ridov {

namespace {

constexpr char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

std::function<LocalClockTime()>& ClockOverride() {
    static std::function<LocalClockTime()> clock;
    return clock;
}

std::optional<int>& ProcessCounter() {
    static std::optional<int> counter;
    return counter;
}

void AppendBase62(std::string& out, long long value, int digits) {
    long long range = 1;
    for (int i = 0; i < digits; ++i) range *= 62;
    value %= range;
    if (value < 0) value += range;
    std::string group(size_t(digits), '0');
    for (int i = digits - 1; i >= 0; --i) {
        group[size_t(i)] = kAlphabet[value % 62];
        value /= 62;
    }
    out += group;
}

int32_t DayNumber(const LocalClockTime& t) {
    int32_t day = 0;
    if (!text::TryEncodeDate(t.year, t.month, t.day, day)) return 0;
    return day;
}

}  // namespace

LocalClockTime CurrentLocalTime() {
    if (ClockOverride()) return ClockOverride()();
    auto now = std::chrono::system_clock::now();
    std::time_t secs = std::chrono::system_clock::to_time_t(now);
    const std::tm tm = platform::LocalCalendarTime(secs);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    return {
        tm.tm_year + 1900,           tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
        static_cast<int>(ms.count())};
}

void SetLocalClock(std::function<LocalClockTime()> clock) {
    ClockOverride() = std::move(clock);
}

std::string GenerateUniqueCode(const LocalClockTime& now, std::optional<int>& counter) {
    if (!counter) {
        counter = now.hour * 60 + now.minute;
    } else {
        *counter += 1;
        if (*counter >= 3844) *counter = 0;
    }
    LocalClockTime epoch{2000, 11, 1};
    long long hours = (long long)(DayNumber(now) - DayNumber(epoch)) * 24 + now.hour;
    if (hours >= 238328) hours -= 238328;
    std::string code;
    AppendBase62(code, hours, 3);
    AppendBase62(code, now.minute * 60 + now.second, 2);
    AppendBase62(code, 1922LL * (now.millisecond / 10) + *counter, 3);
    return code;
}

std::string GenerateUniqueCode(const LocalClockTime& now) {
    return GenerateUniqueCode(now, ProcessCounter());
}

void ResetUniqueCodeCounter() {
    ProcessCounter().reset();
}

void TRidovDataset::ApplyDefaults() {
    struct Flag {
        bool& f;
        explicit Flag(bool& x) : f(x) { f = true; }
        ~Flag() { f = false; }
    } assigning(assigningDefaults_);
    for (Field* f : Fields()) {
        if (f->IsCalculated()) continue;
        std::string expr = f->defaultExpression;
        if (expr.empty() && f->StoreField()) expr = f->StoreField()->defaultExpr;
        if (expr.empty()) continue;
        DataType t = f->Type();
        try {
            if (expr == "TODAY" && t == DataType::Date) {
                f->SetAsDateTime(double(DayNumber(CurrentLocalTime())) * text::kMsPerDay);
            } else if (expr == "NOW" &&
                       (t == DataType::Date || t == DataType::Time || t == DataType::DateTime)) {
                LocalClockTime now = CurrentLocalTime();
                double ms =
                    ((now.hour * 60.0 + now.minute) * 60.0 + now.second) * 1000.0 + now.millisecond;
                f->SetAsDateTime(double(DayNumber(now)) * text::kMsPerDay + ms);
            } else if (expr == "UNICOD" && t == DataType::String) {
                f->SetAsString(GenerateUniqueCode(CurrentLocalTime()));
            } else {
                f->SetAsString(expr);
            }
        } catch (const DatabaseError&) {
            // A default that does not convert to the field's type leaves the
            // field empty rather than making the table impossible to add to.
        }
    }
}

}  // namespace ridov
