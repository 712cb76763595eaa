// One result column of a compiled SELECT statement.
#pragma once

#include <cstdint>
#include <string>

#include "engine/storage/FieldType.h"

namespace ridov {

struct TRidovQField {
    // Table name of the source table once resolved; "XXX" for a constant.
    std::string tableName;
    // The column's qualifier (TableRef); empty for a constant column.
    std::string alias;
    std::string sourceField;
    // The constant's text, for a constant column.
    std::string constant;
    std::string resultName;
    // Column kind: tkIdentifier, tkString, tkNumber, tkStar, tkCount..tkAvg,
    // tkGroupField or tkDistinctStar.
    uint8_t kind = 0;
    // Set when resolved.
    FieldType type = ftUnknown;
    int size = 0;
    bool resolved = false;
    bool isConstant = false;
    // Index of the source table, -1 for a constant.
    int table = -1;
    // The average of an integer column is kept as a Double: its source
    // values are widened when the result is filled.
    bool widenToDouble = false;
};

}  // namespace ridov
