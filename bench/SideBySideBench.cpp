// The user's actions on one generated catalog, each timed on the engine and
// on SQLite in the same run, at 100,000, 300,000 and 1,000,000 products.
//
// For every size the catalog is generated once (fixed seed) and kept as
//   - our table file price.zv and a 200-line order file Zakaz1.zv (five of
//     its codes missing from the catalog), both dated an hour back so that
//     the query table cache takes them, as it takes a customer's files;
//   - the same rows in an SQLite database in memory (texts as the catalog
//     holds them, Windows-1251; CENA as REAL), the order in a second table,
//     and a copy of that database on disk (price.db) for the read;
//   - the price list as TAB text (price.txt) for the import.
//
// SQLite gets what a careful developer would give it: a collation "RU"
// ordering by the engine's own Russian case-insensitive ranks
// (text::CollationRankTable, so both sides produce the same order) and a
// function ru_prefix(text, prefix) comparing a prefix through a 256-byte
// Russian upper-case table. Its queries are prepared once; each timed step
// runs them to the last row. The pairs:
//
//   Read       our table file opened into memory      | price.db copied into
//                                                       a database in memory
//                                                       (backup API)
//   Open       read, then sorted by NAME ignoring case | the same copy, then
//              (the program's start-up), with the       every rowid in NAME order
//              order remembered, and after a change
//   Sort       an open table re-sorted by NAME         | SELECT rowid ORDER BY
//              ignoring case                            NAME COLLATE RU
//   Filter     filter row "ф", "фил", "фильтр м"       | WHERE ru_prefix(NAME, ?)
//              on the view sorted by NAME               ORDER BY NAME COLLATE RU
//   OrderView  the order outer-joined with the catalog | LEFT JOIN on ID, without
//              (table cache warm, as after the first    an index (SQLite builds
//              view; and without the cache)             an automatic one per run)
//                                                       and with one on ID (its
//                                                       build timed apart)
//   Import     the TAB price list into the catalog     | the same text into a
//              file (as "-convert" runs it)             fresh database in memory
//   Group      BREND, COUNT(ID), SUM(KOLUPAK),         | the same GROUP BY
//              MAX(CENA) over the catalog file
//   Title      a click on the price title: the view   | SELECT rowid ORDER BY
//              by name re-sorted by CENA descending;    CENA DESC
//              and the second click, ascending to
//              descending
//   Values     the name cell's value list, "" and "ф":  | SELECT DISTINCT NAME
//              the first 500 distinct names of the      WHERE ru_prefix(NAME, ?)
//              view sorted by name (ui::DistinctValues) ORDER BY NAME COLLATE
//                                                       RU LIMIT 500
//
// The Read of our side includes the file read; SQLite's copies pages that
// are in the page cache as well.
//
// Our side keeps the sort order of the catalog file beside it, as the
// program does: "open" is a start-up on an unchanged catalog, "open after
// a change" the first start-up after the file changed (read, sort, and
// remember the order).
//
// Every figure is the minimum over the repetitions (the machine is
// shared); the summary at the end prints real and CPU time of each pair
// and the ratio SQLite / ours (above 1: we are ahead).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/OrderText.h"
#include "engine/dataset/RidovTable.h"
#include "engine/dataset/SortOrderMemo.h"
#include "engine/dataset/ViewSettings.h"
#include "engine/query/RidovQuery.h"
#include "engine/storage/RidovSession.h"
#include "engine/text/CollationKey.h"
#include "engine/text/FormatSettings.h"
#include "engine/text/Win1251.h"
#include "platform/Platform.h"
#include "tools/catalog/CatalogGenerator.h"
#include "tools/catalog/CatalogRow.h"
#include "tools/catalog/CatalogTable.h"
#include "tools/catalog/CatalogText.h"
#include "ui/FilterRowCell.h"
#include "ui/FilterRowValues.h"

namespace {

constexpr uint64_t kSeed = 20240501;
constexpr size_t kOrderLines = 200;
constexpr size_t kMissing = 5;
constexpr int kRepetitions = 3;

// The filter row's prefixes, as typed (UTF-8 here, Windows-1251 to both sides).
const char* const kPrefixes[] = {"ф", "фил", "фильтр м"};

// ---------------------------------------------------------------- SQLite

// Throws with SQLite's message unless `rc` is `expected`.
void Check(sqlite3* db, int rc, int expected = SQLITE_OK) {
    if (rc != expected) throw std::runtime_error(sqlite3_errmsg(db));
}

void Exec(sqlite3* db, const std::string& sql) {
    Check(db, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr));
}

int CompareRussian(void*, int n1, const void* p1, int n2, const void* p2) {
    static const unsigned char* const rank = text::CollationRankTable();
    const auto* a = static_cast<const unsigned char*>(p1);
    const auto* b = static_cast<const unsigned char*>(p2);
    const int n = n1 < n2 ? n1 : n2;
    for (int i = 0; i < n; ++i) {
        if (rank[a[i]] != rank[b[i]]) return rank[a[i]] < rank[b[i]] ? -1 : 1;
    }
    return n1 - n2;
}

const unsigned char* UpperTable() {
    static const auto table = [] {
        std::array<unsigned char, 256> t{};
        for (int c = 0; c < 256; ++c)
            t[size_t(c)] = static_cast<unsigned char>(text::UpperChar(static_cast<char>(c)));
        return t;
    }();
    return table.data();
}

// ru_prefix(text, prefix): 1 when text starts with prefix ignoring case.
void RuPrefix(sqlite3_context* context, int, sqlite3_value** argv) {
    const auto* s = sqlite3_value_text(argv[0]);
    const auto* p = sqlite3_value_text(argv[1]);
    if (s == nullptr || p == nullptr) return sqlite3_result_int(context, 0);
    const int ns = sqlite3_value_bytes(argv[0]);
    const int np = sqlite3_value_bytes(argv[1]);
    if (np > ns) return sqlite3_result_int(context, 0);
    const unsigned char* upper = UpperTable();
    for (int i = 0; i < np; ++i) {
        if (upper[s[i]] != upper[p[i]]) return sqlite3_result_int(context, 0);
    }
    sqlite3_result_int(context, 1);
}

struct DbCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;

struct StmtFinalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

Db OpenDb(const std::string& name) {
    sqlite3* db = nullptr;
    if (sqlite3_open(name.c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("sqlite3_open " + name);
    }
    Db owned(db);
    Check(db, sqlite3_create_collation(db, "RU", SQLITE_UTF8, nullptr, CompareRussian));
    Check(db, sqlite3_create_function(db, "ru_prefix", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                      nullptr, RuPrefix, nullptr, nullptr));
    return owned;
}

Stmt Prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    Check(db, sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr));
    return Stmt(s);
}

// Runs a prepared statement to its last row, touching the first `columns`
// columns of each; returns the rows.
int64_t RunToEnd(sqlite3* db, sqlite3_stmt* s, int columns) {
    int64_t rows = 0;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) benchmark::DoNotOptimize(sqlite3_column_text(s, c));
        ++rows;
    }
    Check(db, rc, SQLITE_DONE);
    Check(db, sqlite3_reset(s));
    return rows;
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

// CREATE TABLE price(...) and its INSERT with one parameter per column.
std::pair<std::string, std::string> PriceTableSql() {
    std::string create = "CREATE TABLE price(";
    std::string insert = "INSERT INTO price VALUES(";
    bool first = true;
    for (const catalog::CatalogColumn& column : catalog::kCatalogColumns) {
        const Kind kind = KindOf(column.type);
        if (!first) {
            create += ", ";
            insert += ", ";
        }
        first = false;
        create += std::string(column.name);
        create += kind == Kind::Text ? " TEXT" : kind == Kind::Integer ? " INTEGER" : " REAL";
        insert += "?";
    }
    return {create + ")", insert + ")"};
}

// Binds one value of the price list as its column wants it; an empty value
// stays NULL, as an empty value leaves a catalog field without a value.
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
            value.copy(buffer, value.size());
            for (size_t i = 0; i < value.size(); ++i)
                if (buffer[i] == ',') buffer[i] = '.';
            double number = 0;
            if (std::from_chars(buffer, buffer + value.size(), number).ptr != buffer + value.size())
                throw std::runtime_error("not a number");
            return Check(db, sqlite3_bind_double(insert, index, number));
        }
    }
}

// The price list into a fresh database in memory, one prepared INSERT in
// one transaction; returns the rows inserted.
int64_t ImportIntoSqlite(const std::string& text) {
    Db db = OpenDb(":memory:");
    const auto [create, insertSql] = PriceTableSql();
    std::vector<Kind> kinds;
    for (const catalog::CatalogColumn& column : catalog::kCatalogColumns)
        kinds.push_back(KindOf(column.type));
    Exec(db.get(), create);
    Stmt insert = Prepare(db.get(), insertSql);
    Exec(db.get(), "BEGIN");
    int64_t rows = 0;
    std::string_view rest(text);
    while (!rest.empty()) {
        const size_t end = rest.find("\r\n");
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 2);
        for (int column = 0; column < int(kinds.size()); ++column) {
            const size_t tab = line.find('\t');
            BindValue(db.get(), insert.get(), column + 1, kinds[size_t(column)],
                      line.substr(0, tab));
            line.remove_prefix(tab == std::string_view::npos ? line.size() : tab + 1);
        }
        Check(db.get(), sqlite3_step(insert.get()), SQLITE_DONE);
        Check(db.get(), sqlite3_reset(insert.get()));
        ++rows;
    }
    Exec(db.get(), "COMMIT");
    return rows;
}

// ---------------------------------------------------------------- fixture

std::string ReadText(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!platform::CurrentPlatform().ReadWholeFile(path, bytes, error))
        throw std::runtime_error(error);
    return {bytes.begin(), bytes.end()};
}

// Writes a file dated an hour back: the table cache takes no file changed
// within the last seconds.
void WriteOld(const std::string& path, const std::vector<uint8_t>& bytes) {
    platform::Platform& os = platform::CurrentPlatform();
    std::string error;
    if (!os.WriteFileAtomically(path, bytes, error)) throw std::runtime_error(error);
    os.SetModificationTime(path, static_cast<int64_t>(time(nullptr)) - 3600);
}

struct Catalog {
    std::string folder, table, order, text, sqliteFile;
    std::vector<uint8_t> emptyTable;  // the catalog's columns only
    std::string priceText;
    int64_t tableBytes = 0;
    Db memory;  // price and orders in memory
};

void WriteOrderFile(Catalog& c, const std::vector<std::string>& ids) {
    ridov::TRidovCursor order(ridov::TRidovSession::Instance());
    order.AddField("ID", ridov::ftString, 20);
    order.AddField("KOL", ridov::ftInteger);
    ridov::ValueBuffer buf(order.Layout());
    std::string message;
    for (size_t i = 0; i < ids.size(); ++i) {
        order.TextToValue(buf.Data() + order.FieldAt(0)->offset, ids[i], *order.FieldAt(0));
        order.TextToValue(buf.Data() + order.FieldAt(1)->offset, std::to_string(i % 9 + 1),
                          *order.FieldAt(1));
        if (!order.PostRecord(buf.Data(), nullptr, message)) throw std::runtime_error(message);
    }
    if (!order.WriteFile(c.order, 0, false, "", message)) throw std::runtime_error(message);
    platform::CurrentPlatform().SetModificationTime(c.order,
                                                    static_cast<int64_t>(time(nullptr)) - 3600);
}

void FillSqlite(Catalog& c, const std::vector<catalog::CatalogRow>& rows,
                const std::vector<std::string>& orderIds) {
    c.memory = OpenDb(":memory:");
    sqlite3* db = c.memory.get();
    const auto [create, insertSql] = PriceTableSql();
    Exec(db, create);
    Exec(db, "CREATE TABLE orders(ID TEXT, KOL INTEGER)");
    Exec(db, "BEGIN");
    Stmt insert = Prepare(db, insertSql);
    sqlite3_stmt* s = insert.get();
    auto text = [&](int i, const std::string& v) {
        Check(db, sqlite3_bind_text(s, i, v.data(), int(v.size()), SQLITE_STATIC));
    };
    for (const catalog::CatalogRow& r : rows) {
        text(1, r.id);
        text(2, r.artikul);
        Check(db, sqlite3_bind_int64(s, 3, r.idBrend));
        text(4, r.name);
        Check(db, sqlite3_bind_double(s, 5, r.Cena()));
        text(6, r.nalichie);
        Check(db, sqlite3_bind_int64(s, 7, r.kolUpak));
        text(8, r.brend);
        Check(db, sqlite3_bind_int64(s, 9, r.izmCena));
        text(10, r.artikul0);
        text(11, r.edIzm);
        Check(db, sqlite3_step(s), SQLITE_DONE);
        Check(db, sqlite3_reset(s));
    }
    Stmt orderInsert = Prepare(db, "INSERT INTO orders VALUES(?, ?)");
    for (size_t i = 0; i < orderIds.size(); ++i) {
        sqlite3_stmt* o = orderInsert.get();
        Check(db,
              sqlite3_bind_text(o, 1, orderIds[i].data(), int(orderIds[i].size()), SQLITE_STATIC));
        Check(db, sqlite3_bind_int64(o, 2, int64_t(i % 9 + 1)));
        Check(db, sqlite3_step(o), SQLITE_DONE);
        Check(db, sqlite3_reset(o));
    }
    Exec(db, "COMMIT");
    Exec(db, "VACUUM INTO '" + c.sqliteFile + "'");
}

// One folder per catalog size; removed at exit.
class Catalogs {
  public:
    Catalogs() {
        char tmpl[] = "/tmp/zvsidebyside.XXXXXX";
        dir_ = mkdtemp(tmpl);
    }
    ~Catalogs() {
        catalogs_.clear();
        std::filesystem::remove_all(dir_);
    }

    Catalog& For(size_t count) {
        std::unique_ptr<Catalog>& c = catalogs_[count];
        if (c) return *c;
        c = std::make_unique<Catalog>();
        c->folder = dir_ + "/" + std::to_string(count);
        std::filesystem::create_directory(c->folder);
        c->table = c->folder + "/price.zv";
        c->order = c->folder + "/Zakaz1.zv";
        c->text = c->folder + "/price.txt";
        c->sqliteFile = c->folder + "/price.db";

        const std::vector<uint8_t> image = catalog::CatalogImage(kSeed, count);
        c->tableBytes = int64_t(image.size());
        WriteOld(c->table, image);
        c->emptyTable = catalog::CatalogImage(kSeed, 0);

        catalog::CatalogGenerator textRows(kSeed, count);
        c->priceText = catalog::CatalogText(textRows, text::FormatSettings::Russian());
        WriteOld(c->text, std::vector<uint8_t>(c->priceText.begin(), c->priceText.end()));

        const std::vector<catalog::CatalogRow> rows =
            catalog::CatalogGenerator(kSeed, count).Rest();
        std::vector<std::string> orderIds;
        for (size_t i = 0; i < kOrderLines; ++i)
            orderIds.push_back(i < kMissing ? "X" + std::to_string(i)
                                            : rows[(i * 7919) % rows.size()].id);
        WriteOrderFile(*c, orderIds);
        FillSqlite(*c, rows, orderIds);
        return *c;
    }

  private:
    std::string dir_;
    std::map<size_t, std::unique_ptr<Catalog>> catalogs_;
};

Catalogs& TheCatalogs() {
    static Catalogs catalogs;
    return catalogs;
}

Catalog& CatalogFor(const benchmark::State& state) {
    return TheCatalogs().For(size_t(state.range(0)));
}

size_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    size_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// The catalog table as the program opens it: sorted by NAME ignoring case.
void OpenSortedByName(ridov::TRidovTable& table, const Catalog& c) {
    table.SetTableName(c.table);
    table.SetIndexFieldNames("NAME");
    table.SetSortOptions(ridov::vsoCaseInsensitive);
    table.SetRememberSortOrder(true);
    table.Open();
}

// price.db copied page by page into a database in memory.
Db LoadSqliteFile(const Catalog& c) {
    Db file = OpenDb(c.sqliteFile);
    Db memory = OpenDb(":memory:");
    sqlite3_backup* backup = sqlite3_backup_init(memory.get(), "main", file.get(), "main");
    if (backup == nullptr) throw std::runtime_error(sqlite3_errmsg(memory.get()));
    sqlite3_backup_step(backup, -1);
    Check(memory.get(), sqlite3_backup_finish(backup));
    return memory;
}

// ---------------------------------------------------------------- pairs

void BM_ReadOurs(benchmark::State& state) {
    const Catalog& c = CatalogFor(state);
    // The memory the catalog takes, from one read into memory handed back
    // to the system beforehand.
    malloc_trim(0);
    size_t growth = 0;
    {
        const size_t before = ResidentBytes();
        ridov::TRidovTable table;
        table.SetTableName(c.table);
        table.Open();
        growth = ResidentBytes() - before;
    }
    int records = 0;
    for (auto _ : state) {
        ridov::TRidovTable table;
        table.SetTableName(c.table);
        table.Open();
        records = table.RecordCount();
    }
    if (records != state.range(0)) state.SkipWithError("records missing");
    state.counters["rss/file"] = double(growth) / double(c.tableBytes);
    state.SetBytesProcessed(int64_t(state.iterations()) * c.tableBytes);
}

void BM_ReadSqlite(benchmark::State& state) {
    const Catalog& c = CatalogFor(state);
    for (auto _ : state) {
        Db memory = LoadSqliteFile(c);
        benchmark::DoNotOptimize(memory.get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) *
                            int64_t(std::filesystem::file_size(c.sqliteFile)));
}

void BM_OpenOurs(benchmark::State& state) {
    const Catalog& c = CatalogFor(state);
    {
        ridov::TRidovTable first;  // remembers the order
        OpenSortedByName(first, c);
    }
    for (auto _ : state) {
        ridov::TRidovTable table;
        OpenSortedByName(table, c);
        benchmark::DoNotOptimize(table.RecordCount());
    }
}

void BM_OpenOursAfterChange(benchmark::State& state) {
    const Catalog& c = CatalogFor(state);
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(ridov::SortOrderMemoPath(c.table));
        state.ResumeTiming();
        ridov::TRidovTable table;
        OpenSortedByName(table, c);
        benchmark::DoNotOptimize(table.RecordCount());
    }
}

void BM_OpenSqlite(benchmark::State& state) {
    const Catalog& c = CatalogFor(state);
    int64_t rows = 0;
    for (auto _ : state) {
        Db memory = LoadSqliteFile(c);
        Stmt sorted = Prepare(memory.get(), "SELECT rowid FROM price ORDER BY NAME COLLATE RU");
        rows = RunToEnd(memory.get(), sorted.get(), 1);
    }
    if (rows != state.range(0)) state.SkipWithError("rows missing");
}

void BM_SortOurs(benchmark::State& state) {
    const Catalog& c = CatalogFor(state);
    ridov::TRidovTable table;
    table.SetTableName(c.table);
    table.Open();
    for (auto _ : state) {
        ridov::ViewSettings sorted;
        sorted.indexFieldNames = "NAME";
        sorted.sortOptions = ridov::vsoCaseInsensitive;
        table.ApplyViewSettings(sorted);
        benchmark::DoNotOptimize(table.RecordCount());
        state.PauseTiming();
        // Sorted by another field in between, so that the view by name kept
        // for filters is gone and the next one is a real sort.
        ridov::ViewSettings other;
        other.indexFieldNames = "ID";
        table.ApplyViewSettings(other);
        state.ResumeTiming();
    }
}

// Every row of the catalog in the order `sql` gives it.
void TimeSqliteOrder(benchmark::State& state, const char* sql) {
    Catalog& c = CatalogFor(state);
    Stmt sorted = Prepare(c.memory.get(), sql);
    int64_t rows = 0;
    for (auto _ : state) rows = RunToEnd(c.memory.get(), sorted.get(), 1);
    if (rows != state.range(0)) state.SkipWithError("rows missing");
}

void BM_SortSqlite(benchmark::State& state) {
    TimeSqliteOrder(state, "SELECT rowid FROM price ORDER BY NAME COLLATE RU");
}

void BM_FilterOurs(benchmark::State& state) {
    const Catalog& c = CatalogFor(state);
    const std::string filter = "NAME LIKE '" + text::Utf8ToCp1251(kPrefixes[state.range(1)]) + "*'";
    ridov::TRidovTable table;
    OpenSortedByName(table, c);
    table.SetFiltered(true);
    int shown = 0;
    for (auto _ : state) {
        table.SetFilter(filter);  // rebuilds the view, sorted by NAME
        shown = table.RecordCount();
        state.PauseTiming();
        table.SetFilter("");
        state.ResumeTiming();
    }
    state.counters["records"] = double(shown);
    state.SetLabel(kPrefixes[state.range(1)]);
}

void BM_FilterSqlite(benchmark::State& state) {
    Catalog& c = CatalogFor(state);
    const std::string prefix = text::Utf8ToCp1251(kPrefixes[state.range(1)]);
    Stmt filtered =
        Prepare(c.memory.get(),
                "SELECT rowid FROM price WHERE ru_prefix(NAME, ?) ORDER BY NAME COLLATE RU");
    Check(c.memory.get(),
          sqlite3_bind_text(filtered.get(), 1, prefix.data(), int(prefix.size()), SQLITE_STATIC));
    int64_t rows = 0;
    for (auto _ : state) rows = RunToEnd(c.memory.get(), filtered.get(), 1);
    state.counters["records"] = double(rows);
    state.SetLabel(kPrefixes[state.range(1)]);
}

void SetUpOrderView(ridov::TRidovQuery& q, const Catalog& c) {
    q.SetSQL({"select o.ID, p.NAME, p.CENA, o.KOL, p.EDIZM", "from :OrderTblNm o, :TblNm p",
              "where o.ID *= p.ID"});
    q.SetOrigin("o");
    q.uniqueFieldNames = "ID";
    q.ParamByName("OrderTblNm").SetAsString(c.order);
    q.ParamByName("TblNm").SetAsString(c.table);
}

void BM_OrderViewOurs(benchmark::State& state) {
    const Catalog& c = CatalogFor(state);
    ridov::TRidovQuery q;
    SetUpOrderView(q, c);
    q.Open();  // the first view reads and sorts the catalog once
    q.Close();
    int records = 0;
    for (auto _ : state) {
        q.Open();
        records = q.RecordCount();
        q.Close();
    }
    if (records != int(kOrderLines)) state.SkipWithError("lines missing");
}

void BM_OrderViewOursUncached(benchmark::State& state) {
    const Catalog& c = CatalogFor(state);
    ridov::TRidovQuery q;
    q.useTableCache = false;
    SetUpOrderView(q, c);
    for (auto _ : state) {
        q.Open();
        benchmark::DoNotOptimize(q.RecordCount());
        q.Close();
    }
}

const char* const kOrderViewSql =
    "SELECT o.ID, p.NAME, p.CENA, o.KOL, p.EDIZM FROM orders o LEFT JOIN price p ON p.ID = o.ID";

void OrderViewSqlite(benchmark::State& state, bool indexed) {
    Catalog& c = CatalogFor(state);
    sqlite3* db = c.memory.get();
    if (indexed) Exec(db, "CREATE INDEX price_id ON price(ID)");
    Stmt view = Prepare(db, kOrderViewSql);
    int64_t rows = 0;
    for (auto _ : state) rows = RunToEnd(db, view.get(), 5);
    view.reset();
    if (indexed) Exec(db, "DROP INDEX price_id");
    if (rows != int64_t(kOrderLines)) state.SkipWithError("lines missing");
}

void BM_OrderViewSqlite(benchmark::State& state) {
    OrderViewSqlite(state, false);
}
void BM_OrderViewSqliteIndexed(benchmark::State& state) {
    OrderViewSqlite(state, true);
}

void BM_IndexBuildSqlite(benchmark::State& state) {
    Catalog& c = CatalogFor(state);
    for (auto _ : state) {
        Exec(c.memory.get(), "CREATE INDEX price_id ON price(ID)");
        state.PauseTiming();
        Exec(c.memory.get(), "DROP INDEX price_id");
        state.ResumeTiming();
    }
}

void BM_ImportOurs(benchmark::State& state) {
    const Catalog& c = CatalogFor(state);
    for (auto _ : state) {
        state.PauseTiming();
        WriteOld(c.table + ".import", c.emptyTable);
        state.ResumeTiming();
        // No question may come up: a value that does not convert stops the
        // import and the run.
        core::ImportTextIntoTable(c.table + ".import", c.text, nullptr);
    }
    ridov::TRidovTable table;
    table.SetTableName(c.table + ".import");
    table.Open();
    if (table.RecordCount() != state.range(0)) state.SkipWithError("catalog incomplete");
}

void BM_ImportSqlite(benchmark::State& state) {
    const Catalog& c = CatalogFor(state);
    int64_t rows = 0;
    for (auto _ : state) rows = ImportIntoSqlite(ReadText(c.text));
    if (rows != state.range(0)) state.SkipWithError("rows missing");
}

void BM_GroupOurs(benchmark::State& state) {
    const Catalog& c = CatalogFor(state);
    ridov::TRidovQuery q;
    q.SetSQL({"select BREND, COUNT(ID), SUM(KOLUPAK), MAX(CENA)",
              "from \"" + c.table + "\" t group by BREND"});
    int groups = 0;
    for (auto _ : state) {
        q.Open();
        groups = q.RecordCount();
        q.Close();
    }
    state.counters["groups"] = groups;
}

void BM_GroupSqlite(benchmark::State& state) {
    Catalog& c = CatalogFor(state);
    Stmt group =
        Prepare(c.memory.get(),
                "SELECT BREND, COUNT(ID), SUM(KOLUPAK), MAX(CENA) FROM price GROUP BY BREND");
    int64_t groups = 0;
    for (auto _ : state) groups = RunToEnd(c.memory.get(), group.get(), 4);
    state.counters["groups"] = double(groups);
}

// The title click: from the view by name to the view by price, highest
// first, as the grid's second click on the price title asks.
void BM_TitleClickOurs(benchmark::State& state) {
    const Catalog& c = CatalogFor(state);
    ridov::TRidovTable table;
    OpenSortedByName(table, c);
    for (auto _ : state) {
        ridov::ViewSettings byPrice;
        byPrice.indexFieldNames = "CENA";
        byPrice.sortOptions = ridov::vsoCaseInsensitive | ridov::vsoDescendSort;
        table.ApplyViewSettings(byPrice);
        benchmark::DoNotOptimize(table.RecordCount());
        state.PauseTiming();
        ridov::ViewSettings byName;
        byName.indexFieldNames = "NAME";
        byName.sortOptions = ridov::vsoCaseInsensitive;
        table.ApplyViewSettings(byName);
        state.ResumeTiming();
    }
}

// The click that turns the view by price round.
void BM_TitleTurnOurs(benchmark::State& state) {
    const Catalog& c = CatalogFor(state);
    ridov::TRidovTable table;
    OpenSortedByName(table, c);
    table.SetIndexFieldNames("CENA");
    for (auto _ : state) {
        table.SetSortOptions(ridov::vsoCaseInsensitive | ridov::vsoDescendSort);
        benchmark::DoNotOptimize(table.RecordCount());
        state.PauseTiming();
        table.SetSortOptions(ridov::vsoCaseInsensitive);
        state.ResumeTiming();
    }
}

void BM_TitleClickSqlite(benchmark::State& state) {
    TimeSqliteOrder(state, "SELECT rowid FROM price ORDER BY CENA DESC");
}

// The name cell's prefixes for the value list: none, and the first letter.
const char* const kListPrefixes[] = {"", "ф"};

void BM_ValueListOurs(benchmark::State& state) {
    const Catalog& c = CatalogFor(state);
    ridov::TRidovTable table;
    OpenSortedByName(table, c);
    const QString prefix = QString::fromUtf8(kListPrefixes[state.range(1)]);
    size_t entries = 0;
    for (auto _ : state) {
        entries =
            ui::DistinctValues(table, "NAME", "", prefix, ui::FilterRowCell::kListLimit).size();
    }
    state.counters["entries"] = double(entries);
    state.SetLabel(kListPrefixes[state.range(1)]);
}

void BM_ValueListSqlite(benchmark::State& state) {
    Catalog& c = CatalogFor(state);
    const std::string prefix = text::Utf8ToCp1251(kListPrefixes[state.range(1)]);
    const std::string sql =
        "SELECT DISTINCT NAME FROM price WHERE NAME <> '' AND "
        "ru_prefix(NAME, ?) ORDER BY NAME COLLATE RU LIMIT " +
        std::to_string(ui::FilterRowCell::kListLimit);
    Stmt list = Prepare(c.memory.get(), sql.c_str());
    Check(c.memory.get(),
          sqlite3_bind_text(list.get(), 1, prefix.data(), int(prefix.size()), SQLITE_STATIC));
    int64_t rows = 0;
    for (auto _ : state) rows = RunToEnd(c.memory.get(), list.get(), 1);
    state.counters["entries"] = double(rows);
    state.SetLabel(kListPrefixes[state.range(1)]);
}

// Catalog sizes; --benchmark_filter=/100000/ runs one of them only.
constexpr int64_t kSizes[] = {100000, 300000, 1000000};

void Sizes(benchmark::internal::Benchmark* b) {
    for (int64_t n : kSizes) b->Arg(n);
}

void SizesAndPrefixes(benchmark::internal::Benchmark* b) {
    for (int64_t n : kSizes)
        for (int64_t p = 0; p < int64_t(std::size(kPrefixes)); ++p) b->Args({n, p});
}

void SizesAndListPrefixes(benchmark::internal::Benchmark* b) {
    for (int64_t n : kSizes)
        for (int64_t p = 0; p < int64_t(std::size(kListPrefixes)); ++p) b->Args({n, p});
}

#define SIDE_BY_SIDE(fn, apply)         \
    BENCHMARK(fn)                       \
        ->Apply(apply)                  \
        ->Unit(benchmark::kMillisecond) \
        ->Repetitions(kRepetitions)     \
        ->ReportAggregatesOnly(false)   \
        ->MinTime(0.2)

SIDE_BY_SIDE(BM_ReadOurs, Sizes);
SIDE_BY_SIDE(BM_ReadSqlite, Sizes);
SIDE_BY_SIDE(BM_OpenOurs, Sizes);
SIDE_BY_SIDE(BM_OpenOursAfterChange, Sizes);
SIDE_BY_SIDE(BM_OpenSqlite, Sizes);
SIDE_BY_SIDE(BM_SortOurs, Sizes);
SIDE_BY_SIDE(BM_SortSqlite, Sizes);
SIDE_BY_SIDE(BM_FilterOurs, SizesAndPrefixes);
SIDE_BY_SIDE(BM_FilterSqlite, SizesAndPrefixes);
SIDE_BY_SIDE(BM_OrderViewOurs, Sizes);
SIDE_BY_SIDE(BM_OrderViewOursUncached, Sizes);
SIDE_BY_SIDE(BM_OrderViewSqlite, Sizes);
SIDE_BY_SIDE(BM_OrderViewSqliteIndexed, Sizes);
SIDE_BY_SIDE(BM_IndexBuildSqlite, Sizes);
SIDE_BY_SIDE(BM_ImportOurs, Sizes);
SIDE_BY_SIDE(BM_ImportSqlite, Sizes);
SIDE_BY_SIDE(BM_GroupOurs, Sizes);
SIDE_BY_SIDE(BM_GroupSqlite, Sizes);
SIDE_BY_SIDE(BM_TitleClickOurs, Sizes);
SIDE_BY_SIDE(BM_TitleTurnOurs, Sizes);
SIDE_BY_SIDE(BM_TitleClickSqlite, Sizes);
SIDE_BY_SIDE(BM_ValueListOurs, SizesAndListPrefixes);
SIDE_BY_SIDE(BM_ValueListSqlite, SizesAndListPrefixes);

// ---------------------------------------------------------------- summary

struct Best {
    double real = 0, cpu = 0;  // seconds per iteration, minimum over repetitions
};

// The console output as usual, plus the best time of every benchmark
// instance, printed pairwise at the end.
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0)
                continue;
            const double real = run.real_accumulated_time / double(run.iterations);
            const double cpu = run.cpu_accumulated_time / double(run.iterations);
            const std::string key = run.run_name.function_name + "/" + run.run_name.args;
            auto [it, fresh] = best_.try_emplace(key, Best{real, cpu});
            if (!fresh) {
                it->second.real = std::min(it->second.real, real);
                it->second.cpu = std::min(it->second.cpu, cpu);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintSummary() const {
        struct Pair {
            const char* action;
            const char* ours;
            const char* sqlite;
            const char* const* prefixes;  // the labels of the second argument
            size_t prefixCount;
        };
        static const Pair kPairs[] = {
            {"read whole catalog", "BM_ReadOurs", "BM_ReadSqlite", nullptr, 0},
            {"open: read + sort by name", "BM_OpenOurs", "BM_OpenSqlite", nullptr, 0},
            {"open after a change of the file", "BM_OpenOursAfterChange", "BM_OpenSqlite", nullptr,
             0},
            {"sort by name (no case)", "BM_SortOurs", "BM_SortSqlite", nullptr, 0},
            {"filter prefix", "BM_FilterOurs", "BM_FilterSqlite", kPrefixes, std::size(kPrefixes)},
            {"order view, cached | no index", "BM_OrderViewOurs", "BM_OrderViewSqlite", nullptr, 0},
            {"order view, cached | index", "BM_OrderViewOurs", "BM_OrderViewSqliteIndexed", nullptr,
             0},
            {"order view, uncached | no index", "BM_OrderViewOursUncached", "BM_OrderViewSqlite",
             nullptr, 0},
            {"order view, uncached | index", "BM_OrderViewOursUncached",
             "BM_OrderViewSqliteIndexed", nullptr, 0},
            {"  (SQLite index build on ID)", nullptr, "BM_IndexBuildSqlite", nullptr, 0},
            {"import TAB price list", "BM_ImportOurs", "BM_ImportSqlite", nullptr, 0},
            {"group by brand", "BM_GroupOurs", "BM_GroupSqlite", nullptr, 0},
            {"title click: by price, descending", "BM_TitleClickOurs", "BM_TitleClickSqlite",
             nullptr, 0},
            {"  the same, second click", "BM_TitleTurnOurs", "BM_TitleClickSqlite", nullptr, 0},
            {"name value list", "BM_ValueListOurs", "BM_ValueListSqlite", kListPrefixes,
             std::size(kListPrefixes)},
        };
        std::printf("\nSide by side (best of %d; ms; ratio = SQLite / ours, above 1: ahead)\n",
                    kRepetitions);
        std::printf("%-34s %9s | %9s %9s %6s | %9s %9s %6s\n", "action", "products", "ours real",
                    "SQLite", "ratio", "ours cpu", "SQLite", "ratio");
        for (const Pair& pair : kPairs) {
            for (int64_t n : kSizes) {
                const int prefixes = pair.prefixes ? int(pair.prefixCount) : 1;
                for (int p = 0; p < prefixes; ++p) {
                    std::string args = std::to_string(n);
                    std::string action = pair.action;
                    if (pair.prefixes) {
                        args.append("/").append(std::to_string(p));
                        action.append(" \"").append(pair.prefixes[p]).append("\"");
                    }
                    PrintLine(action, n, pair.ours ? Find(pair.ours, args) : nullptr,
                              Find(pair.sqlite, args));
                }
            }
        }
    }

  private:
    const Best* Find(const std::string& function, const std::string& args) const {
        auto it = best_.find(function + "/" + args);
        return it == best_.end() ? nullptr : &it->second;
    }

    static void PrintLine(const std::string& action, int64_t n, const Best* ours,
                          const Best* sqlite) {
        if (ours == nullptr && sqlite == nullptr) return;
        auto ms = [](const Best* b, double Best::*field) {
            return b ? std::to_string(b->*field * 1e3).substr(0, 9) : std::string("-");
        };
        auto ratio = [&](double Best::*field) {
            if (!ours || !sqlite || ours->*field <= 0) return std::string("-");
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%.2f", sqlite->*field / (ours->*field));
            return std::string(buffer);
        };
        // Cyrillic labels are wider in bytes than on screen: pad by characters.
        std::string label = action;
        size_t shown = 0;
        for (unsigned char ch : label) shown += (ch & 0xC0) != 0x80;
        if (shown < 34) label.append(34 - shown, ' ');
        std::printf("%s %9lld | %9s %9s %6s | %9s %9s %6s\n", label.c_str(), (long long)n,
                    ms(ours, &Best::real).c_str(), ms(sqlite, &Best::real).c_str(),
                    ratio(&Best::real).c_str(), ms(ours, &Best::cpu).c_str(),
                    ms(sqlite, &Best::cpu).c_str(), ratio(&Best::cpu).c_str());
    }

    std::map<std::string, Best> best_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
