// Putting parameter values into a prepared statement text.
//
// The prepared text has a "?" where each ":Name" stood. Each value, in
// order, replaces the first "?" not yet passed (a "?" inside a quoted
// literal of the statement counts too), written as the statement's
// language reads it back:
//   * a null value of a type other than string: Null
//   * a string: in double quotes, each double quote inside doubled
//   * a date, time or date-time: the date quote, the value formatted with
//     the date format, the date quote
//   * anything else: its text under the locale settings ("1,5", "True")
// The search for the next "?" continues after the text just inserted, so a
// value that itself contains "?" is never overwritten by the next one.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/dataset/Params.h"
#include "engine/text/FormatSettings.h"

namespace ridov {

// The text of one value as it is inserted into the statement.
std::string ParamLiteral(const Param& param, std::string_view dateFormat, char dateQuote,
                         const text::FormatSettings& fs);

// Substitutes `values` in order into `prepared`, which is cut at its first
// NUL character first.
std::string SubstituteParams(std::string_view prepared, const std::vector<const Param*>& values,
                             std::string_view dateFormat, char dateQuote,
                             const text::FormatSettings& fs);

}  // namespace ridov
