// New-record defaults: the local clock the keywords "TODAY" and "NOW" read,
// and the generated 8-character codes of "UNICOD".
//
// A generated code is three base-62 groups of 3, 2 and 3 digits (alphabet
// 0-9, A-Z, a-z, most significant digit first):
//   group 1: hours since 2000-11-01 00:00 (days * 24 + hour)
//   group 2: minute * 60 + second
//   group 3: 1922 * (millisecond / 10) + counter
// The counter is process-wide: the first code sets it to hour * 60 +
// minute, each later code adds 1, wrapping to 0 at 3844. Codes made in the
// same millisecond therefore still differ.
//
// Group values outside a group's range are taken modulo 62^digits, so a
// clock before 2000-11-01 (negative hours) or far in the future still gives
// eight alphabet characters.
//
// Thread safety: the clock and the counter are process-wide and not
// synchronised; the program uses them from the GUI thread only.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace ridov {

struct LocalClockTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The process's local clock. Tests install a fixed one and restore the
// system clock with an empty function.
LocalClockTime CurrentLocalTime();
void SetLocalClock(std::function<LocalClockTime()> clock);

// A code from `now` advancing `counter` (empty = not yet set).
std::string GenerateUniqueCode(const LocalClockTime& now, std::optional<int>& counter);
// The same with the process-wide counter.
std::string GenerateUniqueCode(const LocalClockTime& now);
// Forgets the process-wide counter, as at program start (tests).
void ResetUniqueCodeCounter();

}  // namespace ridov
