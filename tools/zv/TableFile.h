// Reading and writing whole table files for the zv verbs, straight through
// the record store.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "engine/storage/RidovCursor.h"

namespace zv {

// Reads FILE into `store` (which must be empty), using `password` (UTF-8,
// may be empty) as the table password. Throws ToolError with the engine's
// message on failure.
void ReadTableFile(const std::string& path, const std::string& password,
                   ridov::TRidovCursor& store);

// Prints the field names joined by TAB, then one line per live record of
// `nodes`: values as the engine renders them as text with the ISO date
// forms, byte fields as lower-case hexadecimal, every text escaped.
void PrintRecords(const ridov::TRidovCursor& store, const ridov::NodeList& nodes,
                  std::ostream& out);

// Terminal text is UTF-8, file text Windows-1251.
std::string FromTerminal(const std::string& utf8);
std::string ToTerminal(const std::string& cp1251);

}  // namespace zv
