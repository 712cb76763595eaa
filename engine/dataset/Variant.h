// A field value of any type, for generic access (lookups, parameters,
// searches). Dates, times and date-times travel as doubles in the engine's
// date-time unit (day number * 86400000 + milliseconds, see FormatSettings).
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace ridov {

using Variant = std::variant<std::monostate, bool, int64_t, double, std::string>;

inline bool IsNull(const Variant& v) {
    return std::holds_alternative<std::monostate>(v);
}

}  // namespace ridov
