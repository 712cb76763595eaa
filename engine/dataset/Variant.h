// A field value of any type, for generic access (lookups, parameters,
// searches). Dates, times and date-times travel as doubles in the engine's
// date-time unit (day number * 86400000 + milliseconds, see FormatSettings).
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "engine/text/FormatSettings.h"

namespace ridov {

using Variant = std::variant<std::monostate, bool, int64_t, double, std::string>;

inline bool IsNull(const Variant& v) {
    return std::holds_alternative<std::monostate>(v);
}

// The plain text form of a variant: decimal numbers with the settings'
// decimal separator, "True"/"False", the text itself; empty for null.
std::string VariantText(const Variant& v, const text::FormatSettings& fs);

}  // namespace ridov
