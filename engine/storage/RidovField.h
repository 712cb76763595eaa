// One field descriptor of a record store. The store's field list owns them.
#pragma once

#include <cstdint>
#include <string>

#include "engine/storage/FieldType.h"

namespace ridov {

struct TRidovField {
    std::string name;          // looked up without regard to case
    std::string qualifier;     // table qualifier from the image ("XXX" when absent)
    uint16_t slotSize = 0;     // bytes of the slot in a value buffer
    int16_t declaredSize = 0;  // string fields (codes 11, 12); 0 for the rest
    uint32_t offset = 0;       // slot position in the value buffer
    FieldType type = ftUnknown;
    // 1 = right-aligned. Set by the reader for numeric types; a dataset sets
    // it for key fields. It changes how SmallStr values compare: shorter
    // first, so right-aligned numeric codes order numerically.
    uint8_t rightAligned = 0;
    std::string defaultExpr;  // default-value expression for new records
    std::string extra;        // carried unchanged from read to write
};

}  // namespace ridov
