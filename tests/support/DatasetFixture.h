// Helpers for dataset tests: a temporary folder and tables built in code.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/dataset/RidovTable.h"
#include "engine/storage/DatabaseError.h"
#include "support/TempFolder.h"

namespace ridov::testing {

using TempDir = testing_support::TempFolder;

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Column {
    std::string name;
    DataType type;
    int size = 0;
};

// Opens `table` as a new lmClear table with the columns and appends the
// rows (texts assigned with SetAsString; "" leaves a field untouched).
inline void BuildTable(TRidovTable& table, const std::vector<Column>& columns,
                       const std::vector<std::vector<std::string>>& rows) {
    table.Close();
    table.SetLoadMode(lmClear);
    table.Defs().Clear();
    for (const Column& c : columns) table.Defs().Add(c.name, c.type, c.size);
    table.Open();
    for (const auto& row : rows) {
        table.Append();
        for (size_t i = 0; i < row.size(); ++i)
            if (!row[i].empty()) table.Fields()[i]->SetAsString(row[i]);
        table.Post();
    }
}

// Writes such a table to `path`.
inline void WriteTableFile(const std::string& path, const std::vector<Column>& columns,
                           const std::vector<std::vector<std::string>>& rows) {
    TRidovTable table;
    BuildTable(table, columns, rows);
    table.SaveToFile(path);
}

// The values of one field over the view, in order, joined by ",".
inline std::string Values(DataSet& ds, const std::string& field) {
    std::string out;
    for (int i = 0; i < ds.RecordCount(); ++i) {
        ds.ForRecordAt(i, [&] {
            if (!out.empty()) out += ',';
            out += ds.FieldByName(field).AsString();
        });
    }
    return out;
}

// Runs `fn` and returns the DatabaseError message it raised ("" if none).
template <typename Fn>
std::string ErrorOf(Fn&& fn) {
    try {
        fn();
    } catch (const DatabaseError& e) {
        return e.what();
    }
    return "";
}

}  // namespace ridov::testing
