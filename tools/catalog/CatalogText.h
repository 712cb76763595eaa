// Catalog rows as a text price list, the form the program refills its
// catalog from:
//
//   text   := line*
//   line   := value (TAB value){10} CR LF      -- one line per row, no header
//   value  := the column's text, in catalog column order
//
// Bytes are Windows-1251 as held in the rows; nothing is quoted (the rows
// hold no TAB, CR or LF). Integers are decimal; CENA has two decimals after
// the given settings' decimal separator (the importer reads floats with the
// user's locale, "," for Russian settings).
#pragma once

#include <string>

#include "engine/text/FormatSettings.h"
#include "tools/catalog/CatalogGenerator.h"
#include "tools/catalog/CatalogRow.h"

namespace catalog {

// Appends one row's line, CR LF included.
void AppendCatalogLine(std::string& out, const CatalogRow& row, const text::FormatSettings& fs);

// The lines of all remaining rows of the generator.
std::string CatalogText(CatalogGenerator& generator, const text::FormatSettings& fs);

}  // namespace catalog
