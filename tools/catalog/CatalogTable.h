// Building catalog tables in a record store: the catalog's columns, its rows
// as records, and a whole generated catalog as a table image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/RidovCursor.h"
#include "tools/catalog/CatalogRow.h"

namespace catalog {

// Adds the catalog columns (kCatalogColumns) to a store without fields.
// REQUIRES: store.FieldCount() == 0.
void AddCatalogFields(ridov::TRidovCursor& store);

// Appends the row as a new record (rsInserted until the store is
// committed). REQUIRES: the store has the catalog columns. Texts longer than
// their column are cut to its size.
[[nodiscard]] bool PostCatalogRow(ridov::TRidovCursor& store, const CatalogRow& row,
                                  std::string& message);

// Fills an empty store with the catalog columns and `count` generated rows
// (seed `seed`) and commits them, so every record is rsUnchanged.
void FillCatalog(ridov::TRidovCursor& store, uint64_t seed, size_t count);

// The table image of a generated catalog; enciphered when `password`
// (Windows-1251) is not empty. Uses the process's session. A plain image
// depends only on seed and count; an enciphered one gets a fresh data key
// on every call.
std::vector<uint8_t> CatalogImage(uint64_t seed, size_t count, std::string_view password = {});

}  // namespace catalog
