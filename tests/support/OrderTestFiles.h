// Program-folder files for tests: an order written from (code, quantity)
// pairs and read back as "ID=KOL", a small catalog, and filled requisites.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/dataset/RidovTable.h"
#include "engine/text/Win1251.h"
#include "platform/Platform.h"
#include "support/FileBytes.h"

namespace testing_support {

inline bool Exists(const std::string& path) {
    return platform::CurrentPlatform().FileExists(path);
}

// The lines of an order file as "ID=KOL".
inline std::vector<std::string> OrderLines(const std::string& path) {
    ridov::TRidovTable t;
    t.SetTableName(path);
    t.Open();
    std::vector<std::string> lines;
    for (t.First(); !t.Eof(); t.Next())
        lines.push_back(t.FieldByName("ID").AsString() + "=" + t.FieldByName("KOL").AsString());
    return lines;
}

inline void WriteOrder(const std::string& path,
                       const std::vector<std::pair<const char*, int>>& lines) {
    ridov::TRidovTable t;
    t.Defs().Add("ID", ridov::DataType::String, 20);
    t.Defs().Add("KOL", ridov::DataType::Integer);
    t.Open();
    for (const auto& [id, kol] : lines) {
        t.Append();
        t.FieldByName("ID").SetAsString(id);
        t.FieldByName("KOL").SetAsInteger(kol);
        t.Post();
    }
    t.SaveToFile(path);
}

// One product of a test catalog; texts in UTF-8.
struct CatalogProduct {
    const char* id;
    const char* name;
    const char* cena;
    std::optional<int> kolUpak = std::nullopt;  // none: the field stays empty
    const char* edIzm = "шт";
};

// A catalog file with the fields the program reads.
inline void WriteCatalog(const std::string& path, const std::vector<CatalogProduct>& products) {
    ridov::TRidovTable price;
    price.Defs().Add("ID", ridov::DataType::String, 8);
    price.Defs().Add("NAME", ridov::DataType::String, 80);
    price.Defs().Add("CENA", ridov::DataType::Float);
    price.Defs().Add("EDIZM", ridov::DataType::String, 20);
    price.Defs().Add("KOLUPAK", ridov::DataType::Integer);
    price.Open();
    for (const CatalogProduct& p : products) {
        price.Append();
        price.FieldByName("ID").SetAsString(p.id);
        price.FieldByName("NAME").SetAsString(text::Utf8ToCp1251(p.name));
        price.FieldByName("CENA").SetAsString(p.cena);
        price.FieldByName("EDIZM").SetAsString(text::Utf8ToCp1251(p.edIzm));
        if (p.kolUpak) price.FieldByName("KOLUPAK").SetAsInteger(*p.kolUpak);
        price.Post();
    }
    price.SaveToFile(path);
}

// A settings file with the requisites filled, so that no first start runs
// (which would open the help file with the desktop's opener).
inline void WriteFilledRequisites(const std::string& path) {
    WriteBytes(path, text::Utf8ToCp1251("[Client]\r\nKlient=Фирма\r\nAdres=Адрес\r\nTelefon=1\r\n"
                                        "KontaktLico=Лицо\r\n"));
}

}  // namespace testing_support
