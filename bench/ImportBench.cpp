// Refilling the catalog from a generated 1,000,000-line price list, end to
// end: reading the text, converting every value to its field, writing the
// catalog file (ImportTextIntoTable, as the "-convert" switch runs it).
//
// Measured in the same run as a peer: the same text loaded into an SQLite
// database in memory, one prepared INSERT in one transaction, the text split
// into lines and values by hand and the numbers converted before binding.
// The peer writes no file, so it marks what reading and converting alone
// cost on this machine.
//
// Each iteration of the import starts from the empty catalog file (its
// columns only), written while the timer is paused.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/OrderText.h"
#include "engine/dataset/RidovTable.h"
#include "engine/text/FormatSettings.h"
#include "platform/Platform.h"
#include "tools/catalog/CatalogGenerator.h"
#include "tools/catalog/CatalogRow.h"
#include "tools/catalog/CatalogTable.h"
#include "tools/catalog/CatalogText.h"

namespace {

constexpr uint64_t kSeed = 20240501;
constexpr size_t kLines = 1000000;

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string error;
    if (!platform::CurrentPlatform().WriteFileAtomically(path, bytes, error))
        throw std::runtime_error(error);
}

std::string ReadFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!platform::CurrentPlatform().ReadWholeFile(path, bytes, error))
        throw std::runtime_error(error);
    return {bytes.begin(), bytes.end()};
}

// A temporary folder with the price list and the empty catalog image,
// removed at exit.
struct PriceListFiles {
    std::string dir;
    std::string text;
    std::string catalog;
    std::vector<uint8_t> emptyCatalog;
    int64_t textBytes = 0;

    PriceListFiles() {
        char tmpl[] = "/tmp/zvimportbench.XXXXXX";
        dir = mkdtemp(tmpl);
        text = dir + "/price.txt";
        catalog = dir + "/price.zv";
        catalog::CatalogGenerator generator(kSeed, kLines);
        const std::string lines = catalog::CatalogText(generator, text::FormatSettings::Russian());
        textBytes = int64_t(lines.size());
        WriteFile(text, std::vector<uint8_t>(lines.begin(), lines.end()));
        emptyCatalog = catalog::CatalogImage(kSeed, 0);
    }
    ~PriceListFiles() { std::filesystem::remove_all(dir); }
};

PriceListFiles& Files() {
    static PriceListFiles files;
    return files;
}

void SetCounters(benchmark::State& state, int64_t bytes) {
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kLines));
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
}

void BM_ImportPriceListIntoCatalog(benchmark::State& state) {
    PriceListFiles& files = Files();
    for (auto _ : state) {
        state.PauseTiming();
        WriteFile(files.catalog, files.emptyCatalog);
        state.ResumeTiming();
        // No question may come up: a value that does not convert stops the
        // import and the run.
        core::ImportTextIntoTable(files.catalog, files.text, nullptr);
    }
    ridov::TRidovTable table;
    table.SetTableName(files.catalog);
    table.Open();
    if (size_t(table.RecordCount()) != kLines) state.SkipWithError("catalog incomplete");
    SetCounters(state, files.textBytes);
}
BENCHMARK(BM_ImportPriceListIntoCatalog)->Unit(benchmark::kMillisecond)->Iterations(3);

// Throws with SQLite's message unless `rc` is `expected`.
void Check(sqlite3* db, int rc, int expected = SQLITE_OK) {
    if (rc != expected) throw std::runtime_error(sqlite3_errmsg(db));
}

enum class Kind { Text, Integer, Real };

Kind KindOf(ridov::FieldType type) {
    switch (type) {
        case ridov::ftInteger:
        case ridov::ftSmallInt:
            return Kind::Integer;
        case ridov::ftDouble:
            return Kind::Real;
        default:
            return Kind::Text;
    }
}

// Binds one value as its column wants it; an empty value stays NULL, as an
// empty value leaves a catalog field without a value.
void BindValue(sqlite3* db, sqlite3_stmt* insert, int index, Kind kind, std::string_view value) {
    if (value.empty()) return Check(db, sqlite3_bind_null(insert, index));
    const char* first = value.data();
    const char* last = value.data() + value.size();
    switch (kind) {
        case Kind::Text:
            return Check(db,
                         sqlite3_bind_text(insert, index, first, int(value.size()), SQLITE_STATIC));
        case Kind::Integer: {
            int64_t number = 0;
            if (std::from_chars(first, last, number).ptr != last)
                throw std::runtime_error("not an integer");
            return Check(db, sqlite3_bind_int64(insert, index, number));
        }
        case Kind::Real: {
            // The price list's decimal separator is the Russian ",".
            char buffer[64];
            if (value.size() >= sizeof buffer) throw std::runtime_error("number too long");
            std::string_view(value).copy(buffer, value.size());
            for (size_t i = 0; i < value.size(); ++i)
                if (buffer[i] == ',') buffer[i] = '.';
            double number = 0;
            if (std::from_chars(buffer, buffer + value.size(), number).ptr != buffer + value.size())
                throw std::runtime_error("not a number");
            return Check(db, sqlite3_bind_double(insert, index, number));
        }
    }
}

// The price list into a fresh in-memory database; returns the rows inserted.
int64_t ImportIntoSqlite(const std::string& textPath) {
    const std::string text = ReadFile(textPath);
    sqlite3* db = nullptr;
    if (sqlite3_open(":memory:", &db) != SQLITE_OK) throw std::runtime_error("sqlite3_open");
    std::string create = "CREATE TABLE price(";
    std::string insertSql = "INSERT INTO price VALUES(";
    std::vector<Kind> kinds;
    for (const catalog::CatalogColumn& column : catalog::kCatalogColumns) {
        const Kind kind = KindOf(column.type);
        kinds.push_back(kind);
        if (kinds.size() > 1) {
            create += ", ";
            insertSql += ", ";
        }
        create += std::string(column.name);
        create += kind == Kind::Text ? " TEXT" : kind == Kind::Integer ? " INTEGER" : " REAL";
        insertSql += "?";
    }
    create += ")";
    insertSql += ")";
    Check(db, sqlite3_exec(db, create.c_str(), nullptr, nullptr, nullptr));
    sqlite3_stmt* insert = nullptr;
    Check(db, sqlite3_prepare_v2(db, insertSql.c_str(), -1, &insert, nullptr));
    Check(db, sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr));

    int64_t rows = 0;
    std::string_view rest(text);
    while (!rest.empty()) {
        const size_t end = rest.find("\r\n");
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 2);
        for (int column = 0; column < int(kinds.size()); ++column) {
            const size_t tab = line.find('\t');
            BindValue(db, insert, column + 1, kinds[size_t(column)], line.substr(0, tab));
            line.remove_prefix(tab == std::string_view::npos ? line.size() : tab + 1);
        }
        Check(db, sqlite3_step(insert), SQLITE_DONE);
        Check(db, sqlite3_reset(insert));
        ++rows;
    }
    Check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr));
    sqlite3_finalize(insert);
    sqlite3_close(db);
    return rows;
}

void BM_ImportPriceListIntoSqliteMemory(benchmark::State& state) {
    PriceListFiles& files = Files();
    int64_t rows = 0;
    for (auto _ : state) rows = ImportIntoSqlite(files.text);
    if (size_t(rows) != kLines) state.SkipWithError("rows missing");
    SetCounters(state, files.textBytes);
}
BENCHMARK(BM_ImportPriceListIntoSqliteMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
