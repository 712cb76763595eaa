// One table of a SELECT statement's FROM list.
#pragma once

#include <string>

namespace ridov {

struct TRidovQSource {
    // The table as written: an identifier, or the value of a string literal
    // (typically a file path).
    std::string SourceTable;
    // The alias written after it, or SourceTable when none is written.
    std::string SourceAlias;
};

}  // namespace ridov
