// The data grid over a real in-memory table: title sorting, incremental
// search with its time-out, keyboard navigation, the filter row's value
// lists and the column fitting.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTableView>
#include <QTest>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "engine/text/Win1251.h"
#include "support/DatasetFixture.h"
#include "ui/DataGrid.h"
#include "ui/DatasetModel.h"
#include "ui/FilterRowCell.h"
#include "ui/FilterRowValues.h"
#include "ui/GridColumn.h"

namespace {

using ridov::DataType;
using ridov::TRidovTable;
using ridov::testing::BuildTable;
using ridov::testing::Column;
using ridov::testing::Values;

const std::vector<Column> kColumns = {{"ID", DataType::String, 8},
                                      {"NAME", DataType::String, 30},
                                      {"BREND", DataType::String, 20},
                                      {"IDBREND", DataType::Integer}};
const std::vector<std::vector<std::string>> kRows = {
    {"1", "bravo", "Mann", "7"}, {"2", "Alpha", "bosch", "3"}, {"3", "charlie", "Mann", "7"},
    {"4", "Beta", "Bosch", "4"}, {"5", "alpine", "", "0"},     {"6", "Delta", "Mahle", "9"},
};

// ---- title sorting ----

TEST(DataGridTitleSort, CyclesAscendingDescendingAscendingKeepingTheRecord) {
    TRidovTable t;
    BuildTable(t, kColumns, kRows);
    ui::DataGrid grid;
    grid.SetDataSet(&t);
    const int name = grid.ColumnOfField("NAME");
    const int id = grid.ColumnOfField("ID");
    grid.SetSortMarker(id, ui::SortMarker::Descending);
    t.SetRecNo(3);  // charlie

    struct Step {
        ui::SortMarker marker;
        ridov::TRidovSortOptions options;
        const char* names;
    };
    const Step steps[] = {
        {ui::SortMarker::Ascending, ridov::vsoCaseInsensitive,
         "Alpha,alpine,Beta,bravo,charlie,Delta"},
        {ui::SortMarker::Descending, ridov::vsoCaseInsensitive | ridov::vsoDescendSort,
         "Delta,charlie,bravo,Beta,alpine,Alpha"},
        {ui::SortMarker::Ascending, ridov::vsoCaseInsensitive,
         "Alpha,alpine,Beta,bravo,charlie,Delta"},
    };
    for (const Step& step : steps) {
        ASSERT_TRUE(grid.SortByTitle(name));
        EXPECT_EQ(grid.GetSortMarker(name), step.marker);
        EXPECT_EQ(t.IndexFieldNames(), "NAME");
        EXPECT_EQ(t.SortOptions(), step.options);
        EXPECT_EQ(Values(t, "NAME"), step.names);
        EXPECT_EQ(t.FieldByName("NAME").AsString(), "charlie");
        EXPECT_EQ(grid.CurrentRow(), t.CurrentRow());
    }
    // Another column's marker is left as it was.
    EXPECT_EQ(grid.GetSortMarker(id), ui::SortMarker::Descending);
}

TEST(DataGridTitleSort, KeepsTheFilterAndThePriceHandler) {
    TRidovTable t;
    BuildTable(t, kColumns, kRows);
    ui::DataGrid grid;
    grid.SetDataSet(&t);
    // A filter text and a record handler, and filtering on with a handler
    // alone: both survive a sort.
    for (const char* filter : {"IDBREND > 3", ""}) {
        SCOPED_TRACE(filter);
        t.SetIndexFieldNames("");
        t.onFilterRecord = [](ridov::DataSet& ds, bool& accept) {
            accept = ds.FieldByName("ID").AsString() != "6";
        };
        t.SetFiltered(true);
        t.SetFilter(filter);
        grid.SetSortMarker(grid.ColumnOfField("BREND"), ui::SortMarker::None);
        ASSERT_TRUE(grid.SortByTitle(grid.ColumnOfField("BREND")));
        EXPECT_TRUE(t.Filtered());
        EXPECT_EQ(t.Filter(), filter);
        EXPECT_EQ(Values(t, "ID"), *filter ? "4,1,3" : "5,2,4,1,3");
    }
}

TEST(DataGridTitleSort, CalculatedColumnHasNoTitleButton) {
    TRidovTable t;
    t.SetLoadMode(ridov::lmClear);
    t.Defs().Add("ID", DataType::Integer);
    t.AddCalculatedField("CALC", DataType::Integer);
    t.Open();
    ui::DataGrid grid;
    grid.SetDataSet(&t);
    const int calc = grid.ColumnOfField("CALC");
    ASSERT_GE(calc, 0);
    EXPECT_FALSE(grid.SortByTitle(calc));
    EXPECT_EQ(grid.GetSortMarker(calc), ui::SortMarker::None);
    EXPECT_EQ(t.IndexFieldNames(), "");
}

// ---- incremental search ----

TEST(DataGridSearch, ExtendsFollowsCaseKeepsOnMissAndTimesOut) {
    TRidovTable t;
    BuildTable(t, kColumns, kRows);
    t.SetSortOptions(ridov::vsoCaseInsensitive);
    t.SetIndexFieldNames("NAME");  // Alpha,alpine,Beta,bravo,charlie,Delta
    ui::DataGrid grid;
    grid.SetDataSet(&t);
    grid.SetCurrentColumn(grid.ColumnOfField("NAME"));
    int64_t now = 1000;
    grid.Search().SetClock([&now] { return now; });
    ASSERT_EQ(grid.Search().TimeoutMs(), 60000);

    struct Stroke {
        int64_t at;
        const char* typed;
        bool found;
        const char* text;  // the search text afterwards
        const char* name;  // the current record's name afterwards
    };
    const Stroke strokes[] = {
        {1000, "A", true, "A", "Alpha"},
        {2000, "L", true, "Al", "Alpha"},
        {3000, "P", true, "Alp", "Alpha"},
        {4000, "i", true, "alpi", "alpine"},    // the case follows the value found
        {5000, "x", false, "alpi", "alpine"},   // a miss keeps text and record
        {64999, "n", true, "alpin", "alpine"},  // just inside the time-out
        {124999, "b", true, "B", "Beta"},       // 60 s later: a new text
        {125000, "r", true, "br", "bravo"},
    };
    for (const Stroke& s : strokes) {
        SCOPED_TRACE(s.typed);
        now = s.at;
        EXPECT_EQ(grid.TypeSearch(s.typed), s.found);
        EXPECT_EQ(grid.SearchText(), s.text);
        EXPECT_EQ(t.FieldByName("NAME").AsString(), s.name);
    }
    // Moving to another row forgets the search text.
    QTest::keyClick(&grid.View(), Qt::Key_Down);
    EXPECT_EQ(grid.SearchText(), "");
}

// ---- keyboard ----

TEST(DataGridKeys, MoveTheDatasetRecord) {
    TRidovTable t;
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= 200; ++i) rows.push_back({std::to_string(i), "n", "b", "1"});
    BuildTable(t, kColumns, rows);
    t.First();
    ui::DataGrid grid;
    grid.resize(400, 300);
    grid.SetDataSet(&t);
    grid.show();
    QApplication::processEvents();
    grid.View().setFocus();

    QTest::keyClick(&grid.View(), Qt::Key_Down);
    EXPECT_EQ(t.RecNo(), 2);
    QTest::keyClick(&grid.View(), Qt::Key_Up);
    EXPECT_EQ(t.RecNo(), 1);
    QTest::keyClick(&grid.View(), Qt::Key_PageDown);
    const int page = t.RecNo() - 1;
    EXPECT_GT(page, 3);
    QTest::keyClick(&grid.View(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(t.RecNo(), 200);
    QTest::keyClick(&grid.View(), Qt::Key_PageUp);
    EXPECT_LT(t.RecNo(), 200);
    EXPECT_GT(t.RecNo(), 200 - 2 * page);
    QTest::keyClick(&grid.View(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(t.RecNo(), 1);
    // Home/End move between columns, not records.
    QTest::keyClick(&grid.View(), Qt::Key_End);
    EXPECT_EQ(grid.CurrentColumn(), grid.ColumnCount() - 1);
    EXPECT_EQ(t.RecNo(), 1);
    QTest::keyClick(&grid.View(), Qt::Key_Home);
    EXPECT_EQ(grid.CurrentColumn(), 0);

    // And the other way: the dataset moving moves the grid's row.
    t.SetRecNo(150);
    EXPECT_EQ(grid.View().currentIndex().row(), 149);

    int entered = 0;
    QObject::connect(&grid, &ui::DataGrid::enterPressed, [&] { ++entered; });
    QTest::keyClick(&grid.View(), Qt::Key_Return);
    QTest::keyClick(&grid.View(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(entered, 1);
}

// ---- filter-row value lists ----

TEST(FilterRowValues, DistinctSortedNarrowedCappedAndKeyed) {
    TRidovTable t;
    BuildTable(t, kColumns, kRows);
    auto texts = [](const std::vector<ui::FilterChoice>& choices) {
        QStringList out;
        for (const ui::FilterChoice& c : choices) out << c.text + "=" + c.key;
        return out.join(',');
    };
    struct Case {
        const char* list;
        const char* key;
        const char* prefix;
        int limit;
        QString expected;
    };
    const Case cases[] = {
        // Empty values are never offered; case variants are both offered.
        {"BREND", "", "", 10, "Bosch=Bosch,bosch=bosch,Mahle=Mahle,Mann=Mann"},
        {"BREND", "IDBREND", "ma", 10, "Mahle=9,Mann=7"},
        {"BREND", "IDBREND", "BOS", 10, "Bosch=4,bosch=3"},
        // A cap keeps the first entries in alphabetical order.
        {"NAME", "", "", 3, "Alpha=Alpha,alpine=alpine,Beta=Beta"},
        {"NAME", "", "alp", 1, "Alpha=Alpha"},
        {"NAME", "", "z", 10, ""},
        {"NOSUCH", "", "", 10, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.list) + " " + c.prefix);
        EXPECT_EQ(texts(ui::DistinctValues(t, c.list, c.key, c.prefix, c.limit)), c.expected);
    }
    // The view is read as it is, its filter included.
    t.SetFilter("ID > '3'");
    t.SetFiltered(true);
    EXPECT_EQ(texts(ui::DistinctValues(t, "BREND", "", "", 10)), "Bosch=Bosch,Mahle=Mahle");
}

// A view sorted by the list's field is read only over the run of its
// prefix, up to the last text kept; whatever the order, filter and state of
// the view, the list must be the one that reading every row gives.
TEST(FilterRowValues, SortedWalkOffersWhatReadingEveryRowOffers) {
    // Names of up to three syllables with case variants, е beside ё, and
    // many repeats; every row has a key of its own, so that the key of a
    // text's first row is told from that of its others.
    const char* const syllables[] = {"е", "Е", "ё", "Ё", "ж", "a", "A", "b", "'"};
    std::vector<std::vector<std::string>> rows;
    uint32_t seed = 7;
    auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int i = 0; i < 400; ++i) {
        std::string name;
        const uint32_t length = next(4);
        for (uint32_t k = 0; k < length; ++k) name += syllables[next(9)];
        char id[8];
        std::snprintf(id, sizeof id, "%03d", i);
        rows.push_back({id, text::Utf8ToCp1251(name), "", std::to_string(i)});
    }
    TRidovTable t;
    BuildTable(t, kColumns, rows);

    // Every row read, the texts kept in alphabetical order ignoring case,
    // each with the key of its first row.
    auto everyRow = [&t](const char* listName, const char* keyName, const QString& prefix,
                         size_t limit) {
        const ridov::Field& list = t.FieldByName(listName);
        const ridov::Field& key = t.FieldByName(*keyName ? keyName : listName);
        const std::string upper = text::Upper(text::Utf8ToCp1251(prefix.toStdString()));
        auto less = [](const std::string& a, const std::string& b) {
            const int c = text::CompareNoCase(a, b);
            return c != 0 ? c < 0 : a < b;
        };
        std::map<std::string, std::string, decltype(less)> found(less);
        std::string value, keyText;
        for (int row = 0; row < t.RowCount(); ++row) {
            t.ReadCellText(row, list, value);
            if (value.empty() || text::Upper(value).rfind(upper, 0) != 0) continue;
            t.ReadCellText(row, key, keyText);
            found.try_emplace(value, keyText);
        }
        QStringList out;
        for (const auto& [text, keyValue] : found) {
            if (size_t(out.size()) == limit) break;
            out << QString::fromStdString(text::Cp1251ToUtf8(text)) + "=" +
                       QString::fromStdString(text::Cp1251ToUtf8(keyValue));
        }
        return out.join(',');
    };
    auto offered = [](const std::vector<ui::FilterChoice>& choices) {
        QStringList out;
        for (const ui::FilterChoice& c : choices) out << c.text + "=" + c.key;
        return out.join(',');
    };

    struct View {
        const char* index;
        ridov::TRidovSortOptions options;
        const char* filter;
        bool walked;  // the name list is read over a run
    };
    const View views[] = {
        {"NAME", ridov::vsoCaseInsensitive, "", true},
        {"NAME", ridov::vsoCaseInsensitive | ridov::vsoDescendSort, "", true},
        {"NAME;ID", ridov::vsoCaseInsensitive | ridov::vsoDescendSort, "", true},
        {"NAME", ridov::vsoCaseInsensitive, "ID > '150'", true},
        {"NAME", ridov::vsoCaseInsensitive | ridov::vsoDescendSort, "ID < '300'", true},
        {"NAME", 0, "", false},
        {"ID", ridov::vsoCaseInsensitive, "", false},
        {"", 0, "", false},
    };
    const char* const prefixes[] = {"", "е", "Е", "ё", "Ё", "еж", "ЁЖ", "a", "Ab", "'", "z"};
    const int limits[] = {1, 2, 5, 1000};
    for (const View& v : views) {
        t.SetFiltered(false);
        t.SetFilter(v.filter);
        t.SetFiltered(*v.filter != 0);
        t.SetSortOptions(v.options);
        t.SetIndexFieldNames(v.index);
        EXPECT_EQ(t.RowsStartingWith(t.FieldByName("NAME"), "").has_value(), v.walked);
        for (const char* prefix : prefixes) {
            for (const int limit : limits) {
                for (const char* keyName : {"", "IDBREND"}) {
                    SCOPED_TRACE(std::string(v.index) + " " + std::to_string(v.options) + " " +
                                 v.filter + " [" + prefix + "] " + std::to_string(limit) + " " +
                                 keyName);
                    const QString p = QString::fromUtf8(prefix);
                    EXPECT_EQ(offered(ui::DistinctValues(t, "NAME", keyName, p, limit)),
                              everyRow("NAME", keyName, p, size_t(limit)));
                }
            }
        }
    }

    // The run is exactly the rows of the prefix; a row being edited makes
    // every row be read.
    t.SetFiltered(false);
    t.SetSortOptions(ridov::vsoCaseInsensitive);
    t.SetIndexFieldNames("NAME");
    const auto run = t.RowsStartingWith(t.FieldByName("NAME"), text::Utf8ToCp1251("ё"));
    ASSERT_TRUE(run.has_value());
    int starting = 0;
    std::string value;
    for (int row = 0; row < t.RowCount(); ++row) {
        t.ReadCellText(row, t.FieldByName("NAME"), value);
        if (text::Upper(value).rfind(text::Utf8ToCp1251("Ё"), 0) == 0) {
            ++starting;
            EXPECT_GE(row, run->first);
            EXPECT_LT(row, run->last);
        }
    }
    EXPECT_EQ(run->last - run->first, starting);
    EXPECT_GT(starting, 0);
    t.Edit();
    EXPECT_FALSE(t.RowsStartingWith(t.FieldByName("NAME"), "").has_value());
    t.Cancel();
}

TEST(FilterRowCell, AsksTheProviderOncePerOpeningAndYieldsKeys) {
    int asked = 0;
    ui::FilterRowCell cell;
    cell.SetProvider([&asked](const QString& prefix, int limit) {
        ++asked;
        std::vector<ui::FilterChoice> all = {
            {"Bosch", "4"}, {"bosch", "3"}, {"Mahle", "9"}, {"Mann", "7"}};
        std::vector<ui::FilterChoice> out;
        for (const ui::FilterChoice& c : all)
            if (c.text.startsWith(prefix, Qt::CaseInsensitive) && int(out.size()) < limit)
                out.push_back(c);
        return out;
    });
    cell.SetText("M");
    EXPECT_EQ(cell.OpenList().size(), 2u);
    cell.SetText("Man");
    EXPECT_EQ(cell.NarrowList().size(), 1u);
    EXPECT_EQ(asked, 1);
    cell.SetText("");  // erased below the built prefix: asked again
    EXPECT_EQ(cell.NarrowList().size(), 4u);
    EXPECT_EQ(asked, 2);
    cell.Pick(cell.List()[1]);
    EXPECT_EQ(cell.Key(), "3");
    cell.CloseList();

    struct Typed {
        const char* text;
        const char* key;
    };
    for (const Typed& typed : {Typed{"bosch", "3"}, Typed{"Bosch", "4"}, Typed{"MANN", "7"},
                               Typed{"Man", ""}, Typed{"", ""}}) {
        cell.SetText(typed.text);
        EXPECT_EQ(cell.Key(), typed.key) << typed.text;
    }
}

// ---- column widths ----

TEST(FitColumnWidths, FittedColumnsShareWhatTheOthersLeave) {
    struct Case {
        std::vector<ui::FitColumn> columns;
        int available;
        std::vector<int> widths;
    };
    const Case cases[] = {
        // 100 + 50 fixed; 350 shared 1:2 by the fitted ones.
        {{{100, 50, false}, {100, 50, true}, {20, 50, false}, {200, 50, true}},
         500,
         {100, 117, 50, 233}},
        // The share of a narrow fitted column falls below the minimum.
        {{{300, 50, false}, {10, 50, true}, {290, 50, true}}, 500, {300, 50, 150}},
        // Too narrow a grid: minimums hold, the grid scrolls.
        {{{100, 50, false}, {100, 50, true}}, 80, {100, 50}},
        // No fitted column: display widths as they are.
        {{{100, 50, false}, {30, 50, false}}, 1000, {100, 50}},
    };
    for (const Case& c : cases) EXPECT_EQ(ui::FitColumnWidths(c.columns, c.available), c.widths);
}

}  // namespace
