// One entry of a SELECT statement's column list, as the recognizer reads it.
#pragma once

#include <cstdint>
#include <string>

namespace ridov {

struct TRidovQColumn {
    // Qualifier written before the dot ("p" in p.NAME). After a successful
    // ParseSelect it equals, ignoring case, the alias of one of the
    // statement's sources: the first source's when none was written; a
    // written one keeps its case.
    std::string TableRef;
    // The field named, "*", or the text of a string or number constant; for
    // an aggregate call, its argument field.
    std::string SourceField;
    // The name after AS, or SourceField when there is none.
    std::string ResultName;
    // Kind of the column's operand token (tkIdentifier, tkString, tkNumber,
    // tkStar), the aggregate kind tkCount..tkAvg, or tkGroupField when
    // GROUP BY names the column.
    std::uint8_t Kind = 0;
};

}  // namespace ridov
