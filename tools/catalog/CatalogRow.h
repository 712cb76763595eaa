// One product of the wholesaler's price catalog, and the catalog's column
// list in the order the catalog file declares it.
//
// Texts are Windows-1251 bytes; none holds a TAB, CR, LF or zero byte, so a
// row can be written as one line of import text as it is.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/storage/FieldType.h"

namespace catalog {

struct CatalogRow {
    std::string id;           // product code, digits only, unique in a catalog
    std::string artikul;      // the manufacturer's article as printed
    int32_t idBrend = 0;      // brand number; one number per brand name
    std::string name;         // product name
    int64_t cenaKopecks = 0;  // price in kopecks, so that texts are exact
    std::string nalichie;     // stock: "есть", "нет", a count, ">10", ...
    int32_t kolUpak = 1;      // pack size
    std::string brend;        // brand name
    int16_t izmCena = 0;      // price-change flags: 0, 1, 64, 128 or 65
    std::string artikul0;     // the article without punctuation, upper case
    std::string edIzm;        // unit: "шт", "компл", ...

    double Cena() const { return static_cast<double>(cenaKopecks) / 100.0; }
};

struct CatalogColumn {
    std::string_view name;
    ridov::FieldType type;
    int size;  // declared size of string columns, 0 for the others
};

// Sizes at most 35 give SmallStr columns, larger ones String columns.
inline constexpr std::array<CatalogColumn, 11> kCatalogColumns = {{
    {"ID", ridov::ftSmallStr, 8},
    {"ARTIKUL", ridov::ftSmallStr, 20},
    {"IDBREND", ridov::ftInteger, 0},
    {"NAME", ridov::ftString, 80},
    {"CENA", ridov::ftDouble, 0},
    {"NALICHIE", ridov::ftSmallStr, 4},
    {"KOLUPAK", ridov::ftInteger, 0},
    {"BREND", ridov::ftString, 40},
    {"IZMCENA", ridov::ftSmallInt, 0},
    {"ARTIKUL0", ridov::ftSmallStr, 20},
    {"EDIZM", ridov::ftSmallStr, 20},
}};

}  // namespace catalog
