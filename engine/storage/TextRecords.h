// Turning a TAB text table straight into the records of a table image, for
// the bulk import of a price list: no record store, no value buffers, no
// copies of the values; the text is cut into pieces at line ends and the
// pieces are turned into record bytes side by side on the machine's cores,
// then joined in text order.
//
// The text grammar is the import's (one record per line, CR LF between
// lines, TAB between values, a CR without LF an error, an empty first line
// no record); the values go to the fields in field order and convert as a
// record posted through the dataset would hold them:
//   text fields     the value up to its first NUL byte, cut to the field's
//                   size;
//   integer fields  optional blanks, optional sign, digits; out of the
//                   field's range is refused;
//   float fields    the format settings' number form (blanks around it);
// an empty value leaves the field empty. A refused value also leaves it
// empty, and its message is kept for the caller to ask about, in text
// order. The bytes are those TRidovCursor::WriteImage writes for the same
// records, so an image built here equals one built through the store.
//
// Only fields of the kinds above can be filled so (see
// CanMakeTextRecords); a table with other fields goes through the dataset.
//
// Thread safety: the pieces run on threads of their own; the caller's
// thread runs the first one and is the only one that calls `progress`.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/RidovField.h"
#include "engine/text/FormatSettings.h"
#include "platform/MemoryRegion.h"

namespace ridov {

// Whether every field is one MakeTextRecords can fill (SmallStr, String,
// SmallInt, Integer, Int64, Double, Currency).
bool CanMakeTextRecords(std::span<const TRidovField* const> fields);

struct TextRecords {
    // The head given, followed by the records' bytes.
    platform::RegionBuffer image;
    size_t imageSize = 0;
    int64_t records = 0;
    // Records whose code field holds a non-empty text.
    int64_t coded = 0;
    // Messages of the refused values, in text order ("'x' is not a valid
    // integer value for field 'N'").
    std::vector<std::string> refusals;
    // The line holding a CR without LF (counted from 1), 0 when none: the
    // records, and refusals, are then those of the lines before it.
    int64_t badLine = 0;
};

// Bytes done of the text and its size, from the caller's thread now and
// then.
using TextRecordsProgress = std::function<void(long long bytesDone, long long bytesTotal)>;

// Fills `out` from `text`: `head` (an image head from
// TRidovCursor::WriteImageHead) followed by one record per record of the
// text. `codeField` is the index of the field whose non-empty values are
// counted in `coded`, or -1. `pieces` 0 chooses by the text's size and the
// machine's cores; tests pass a number to split small texts.
// REQUIRES: CanMakeTextRecords(fields).
void MakeTextRecords(std::string_view text, std::span<const TRidovField* const> fields,
                     int codeField, const text::FormatSettings& fs, std::span<const uint8_t> head,
                     TextRecords& out, const TextRecordsProgress& progress = {},
                     unsigned pieces = 0);

}  // namespace ridov
