// CatalogFilter: the catalog's filter row turned into what the catalog
// table filters by. Plain logic without widgets: the cells' texts and keys
// in, the table's Filter text and the price-change key out.
//
// Texts are Windows-1251 bytes (the engine's); the catalog view converts
// the grid's texts at its boundary.
//
// The filter row, cell by cell in column order:
//   - the price cell (field name containing "CENA", ignoring case) yields
//     one of the price keys below; it adds nothing to the Filter text but
//     selects the records by their price-change flags (IZMCENA);
//   - a cell whose key field differs from its list field (the brand cell:
//     brand names shown, IDBREND yielded) adds  IDBREND = '<key>';
//   - any other cell adds  <field> LIKE '<text>*'  with quotes doubled.
// Parts are joined with " AND ". A price or brand cell whose text names no
// entry of its list yields no key; the whole Filter is then "ID<>ID" so no
// record passes until the filter row changes.
//
// Thread safety: pure functions, no state.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// The price filter keys: the category of price change a price cell keeps.
enum PriceFilterKey : int {
    kPriceDown = 0,       // "Цена снижена"  (down arrow)
    kPriceUp = 1,         // "Цена повышена" (up arrow)
    kPriceNew = 2,        // "Новинка"       (green plus)
    kPriceAnyChange = 3,  // "Любое изменение"
};

// IZMCENA flag bits.
inline constexpr int kFlagNew = 1;
inline constexpr int kFlagUp = 64;
inline constexpr int kFlagDown = 128;

struct PriceKeyCaption {
    int key;
    QString caption;
};
// The four keys with their captions, in key order: the drop-down list of
// the price cell.
const std::vector<PriceKeyCaption>& PriceFilterKeys();

// One non-empty or empty cell of the filter row.
struct FilterCell {
    std::string fieldName;  // the column's field
    std::string keyField;   // what the cell yields (IDBREND for the brand cell)
    std::string listField;  // what the cell's list shows
    std::string text;       // the cell text as typed; empty: no condition
    // The key the cell yields for its text, for cells whose key field
    // differs from the list field and for the price cell: nothing when the
    // text names no list entry.
    std::optional<std::string> key;
};

struct CatalogFilterResult {
    std::string filter;  // the table's Filter text
    // Set when a price cell is in force: the record-filter handler
    // (FilterByPriceChange) is to be installed with this key.
    std::optional<int> priceFilterKey;
    // The field name of the price cell that set the key (PriceFilterField).
    std::string priceFilterField;
};

// ApplySTFilter's rules over the cells, in column order.
CatalogFilterResult BuildCatalogFilter(const std::vector<FilterCell>& cells);

// Every single quote doubled: O'B -> O''B.
std::string QuoteFilterText(std::string_view text);

// The price-change category of a record's IZMCENA flags: 2 new (bit 1),
// else, when the price filter was set by the "CENA" column, 1 for a rise
// (bit 64) or 0 for a fall (bit 128); -1 otherwise.
int PriceChangeCategory(int flags, std::string_view priceFilterField);

// FilterByPriceChange for one record: key 3 keeps every record with a
// category, the other keys the records of that category.
bool PassesPriceFilter(int flags, int priceFilterKey, std::string_view priceFilterField);

// The marker of the price cell for IZMCENA flags: the index of the image
// (4 plus, 3 up arrow, 2 down arrow) or 0 for none.
int PriceMarkerImage(int flags);

}  // namespace core
