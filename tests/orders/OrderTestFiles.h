// Order files for tests: writing one from (code, quantity) pairs and reading
// its lines back as "ID=KOL".
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/dataset/RidovTable.h"
#include "platform/Platform.h"

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

}  // namespace testing_support
