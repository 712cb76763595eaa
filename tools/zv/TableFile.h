// Reading and writing whole table files for the zv verbs, straight through
// the record store.
#pragma once

#include <string>

#include "engine/storage/RidovCursor.h"

namespace zv {

// Reads FILE into `store` (which must be empty), using `password` (UTF-8,
// may be empty) as the table password. Throws ToolError with the engine's
// message on failure.
void ReadTableFile(const std::string& path, const std::string& password,
                   ridov::TRidovCursor& store);

// Terminal text is UTF-8, file text Windows-1251.
std::string FromTerminal(const std::string& utf8);
std::string ToTerminal(const std::string& cp1251);

}  // namespace zv
