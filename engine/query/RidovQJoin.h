// One join condition of a WHERE clause, and after merging one join between
// two tables.
#pragma once

#include <string>

namespace ridov {

struct TRidovQJoin {
    std::string leftAlias;
    // Field names, each followed by ";" ("ID;").
    std::string leftFields;
    std::string rightAlias;
    std::string rightFields;
    bool outer = false;
};

}  // namespace ridov
