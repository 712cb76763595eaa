// The catalog view over a small catalog file: opening and reopening, the
// column set-up, the filter row's Filter texts and price keys, the markers,
// the title sorting and the mouse and key rules.
#include "orders/CatalogView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTableView>
#include <QTest>
#include <fstream>
#include <string>
#include <vector>

#include "engine/text/Win1251.h"
#include "qtsupport/ScriptedPrompter.h"
#include "support/DatasetFixture.h"
#include "support/TempFolder.h"
#include "ui/DataGrid.h"
#include "ui/DatasetModel.h"
#include "ui/FilterRowEdit.h"
#include "ui/FilterRowHeader.h"

namespace orders {
namespace {

using ridov::DataType;
using ridov::testing::Column;

const std::vector<Column> kCatalogColumns = {
    {"ID", DataType::String, 8},     {"ARTIKUL", DataType::String, 20},
    {"IDBREND", DataType::Integer},  {"NAME", DataType::String, 80},
    {"CENA", DataType::Float},       {"NALICHIE", DataType::String, 4},
    {"KOLUPAK", DataType::Integer},  {"BREND", DataType::String, 40},
    {"IZMCENA", DataType::SmallInt}, {"ARTIKUL0", DataType::String, 20},
    {"EDIZM", DataType::String, 20},
};

// Sorted by name, ignoring case: 105, 104, 103, 102, 101.
const std::vector<std::vector<std::string>> kCatalogRows = {
    {"101", "O'B-1", "17", "фильтр масляный", "120", "10", "1", "Mann", "65", "N1", "шт"},
    {"102", "W712", "17", "Фильтр воздушный", "99", "5", "1", "Mann", "128", "N2", "шт"},
    {"103", "B-5", "3", "Свеча", "50", "", "4", "Bosch", "64", "N3", "шт"},
    {"104", "B-6", "3", "ремень", "", "", "1", "Bosch", "0", "N4", "шт"},
    {"105", "X1", "9", "Антифриз", "300", "2", "6", "Mahle", "1", "N5", "л"},
};

class CatalogViewTest : public ::testing::Test {
  protected:
    CatalogViewTest() : use_(prompter_) {
        std::vector<std::vector<std::string>> rows;
        for (const auto& row : kCatalogRows) {
            std::vector<std::string> bytes;
            for (const std::string& value : row) bytes.push_back(text::Utf8ToCp1251(value));
            rows.push_back(std::move(bytes));
        }
        ridov::testing::WriteTableFile(folder_.File("price.zv"), kCatalogColumns, rows);
        dm_ = std::make_unique<core::DataModule>(QString::fromStdString(folder_.Path()));
        view_ = std::make_unique<orders::CatalogView>(*dm_);
        view_->resize(800, 300);
    }

    QString CatalogPath() const { return QString::fromStdString(folder_.File("price.zv")); }
    ui::DataGrid& Grid() { return *view_->Grid(); }
    ridov::TRidovTable& Table() { return dm_->vtPrice; }
    int ColumnOf(const char* field) { return Grid().ColumnOfField(field); }
    // The IDs of the view, joined by ",".
    std::string Ids() { return ridov::testing::Values(Table(), "ID"); }

    testing_support::TempFolder folder_;
    testing_support::ScriptedPrompter prompter_;
    testing_support::ScopedPrompter use_;
    std::unique_ptr<core::DataModule> dm_;
    std::unique_ptr<orders::CatalogView> view_;
};

TEST_F(CatalogViewTest, OpensSortedByNameWithTheColumnsSetUp) {
    ASSERT_TRUE(view_->OpenCatalog(CatalogPath()));
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_EQ(Ids(), "105,104,103,102,101");
    EXPECT_EQ(Table().IndexFieldNames(), "NAME");
    EXPECT_EQ(Table().SortOptions(), ridov::vsoCaseInsensitive);

    QStringList titles, fields;
    for (int c = 0; c < Grid().ColumnCount(); ++c) {
        titles << Grid().Model().ColumnTitle(c);
        fields << QString::fromStdString(Grid().Column(c).fieldName);
        EXPECT_EQ(Grid().Column(c).minWidth, 50);
        EXPECT_EQ(Grid().GetSortMarker(c),
                  fields.back() == "NAME" ? ui::SortMarker::Ascending : ui::SortMarker::None);
        const bool fitted =
            QStringList{"ARTIKUL", "NAME", "BREND", "ARTIKUL0", "EDIZM"}.contains(fields.back());
        EXPECT_EQ(Grid().Column(c).fitted, fitted) << fields.back().toStdString();
    }
    EXPECT_EQ(titles.join('|'),
              "Код|Модель|Номер|Наименование|Ед.Изм.|Цена|Остаток|Тарная Норма|Производитель");
    for (int c = 0; c < Grid().ColumnCount(); ++c)
        EXPECT_EQ(fields[c].toStdString(), kCatalogColumnOrder[c]);

    // Two decimals, with the format's decimal separator.
    const QString price = Grid().Model().index(0, ColumnOf("CENA")).data().toString();
    EXPECT_EQ(price.left(3) + price.mid(4), "30000") << price.toStdString();
    EXPECT_TRUE(Grid().Model().ColumnAlignment(ColumnOf("ID")) & Qt::AlignRight);
}

struct FilterRowCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> cells;  // field, typed text
    const char* filter;
    const char* ids;
};

const FilterRowCase kFilterRowCases[] = {
    {"NamePrefixIgnoringCase", {{"NAME", "ф"}}, "NAME LIKE 'ф*'", "102,101"},
    {"QuoteInModel", {{"ARTIKUL", "O'B"}}, "ARTIKUL LIKE 'O''B*'", "101"},
    {"NameAndBrand",
     {{"NAME", "Ф"}, {"BREND", "Mann"}},
     "NAME LIKE 'Ф*' AND IDBREND = '17'",
     "102,101"},
    {"BrandTypedInOtherCase", {{"BREND", "bosch"}}, "IDBREND = '3'", "104,103"},
    {"BrandNamingNoEntry", {{"NAME", "Ф"}, {"BREND", "Man"}}, "ID<>ID", ""},
    {"PriceNew", {{"CENA", "Новинка"}}, "", "105,101"},
    {"PriceAnyChange", {{"CENA", "Любое изменение"}}, "", "105,103,102,101"},
    {"PriceDown", {{"CENA", "Цена снижена"}}, "", "102"},
    {"PriceUp", {{"CENA", "Цена повышена"}}, "", "103"},
    {"PriceNamingNoKey", {{"NAME", "Ф"}, {"CENA", "Цена"}}, "ID<>ID", ""},
    {"NameAndPrice", {{"NAME", "Ф"}, {"CENA", "Цена снижена"}}, "NAME LIKE 'Ф*'", "102"},
    {"UnitAndNumber",
     {{"EDIZM", "ШТ"}, {"ARTIKUL0", "n"}},
     "ARTIKUL0 LIKE 'n*' AND EDIZM LIKE 'ШТ*'",
     "104,103,102,101"},
};

class CatalogFilterRow : public CatalogViewTest,
                         public ::testing::WithParamInterface<FilterRowCase> {};

TEST_P(CatalogFilterRow, SetsTheTableFilterAndShowsThePassingRecords) {
    const FilterRowCase& c = GetParam();
    ASSERT_TRUE(view_->OpenCatalog(CatalogPath()));
    for (const auto& [field, typed] : c.cells)
        Grid().SetFilterText(ColumnOf(field), QString::fromUtf8(typed));
    view_->ApplySTFilter();
    EXPECT_EQ(text::Cp1251ToUtf8(Table().Filter()), c.filter);
    EXPECT_TRUE(Table().Filtered());
    EXPECT_EQ(Ids(), c.ids);
    EXPECT_EQ(Table().RecNo(), Table().IsEmpty() ? 0 : 1);
    EXPECT_EQ(Grid().Model().rowCount(), Table().RecordCount());

    // Cleared again, every record shows.
    Grid().ClearFilters();
    view_->ApplySTFilter();
    EXPECT_EQ(Table().Filter(), "");
    EXPECT_EQ(Ids(), "105,104,103,102,101");
}

INSTANTIATE_TEST_SUITE_P(Cells, CatalogFilterRow, ::testing::ValuesIn(kFilterRowCases),
                         [](const ::testing::TestParamInfo<FilterRowCase>& info) {
                             return std::string(info.param.name);
                         });

// A typed text yields the key of the list entry it names: what MakeSTFilter
// bound each cell to.
TEST_F(CatalogViewTest, FilterCellsYieldTheKeysOfTheirLists) {
    ASSERT_TRUE(view_->OpenCatalog(CatalogPath()));
    auto keyOf = [&](const char* field, const char* typed) {
        Grid().SetFilterText(ColumnOf(field), QString::fromUtf8(typed));
        return Grid().FilterKey(ColumnOf(field));
    };
    EXPECT_EQ(keyOf("BREND", "Mahle"), "9");
    EXPECT_EQ(keyOf("BREND", "MANN"), "17");
    EXPECT_EQ(keyOf("CENA", "Любое изменение"), "3");
    EXPECT_EQ(keyOf("CENA", "Цена снижена"), "0");
    EXPECT_EQ(keyOf("CENA", "Цена"), "");
    EXPECT_EQ(keyOf("NAME", "свеча"), "Свеча");
}

// The price cell's list offers all four keys and an empty choice whatever
// the cell holds, so a picked key can be changed or taken away again.
TEST_F(CatalogViewTest, PriceCellAlwaysOffersEveryKeyAndAnEmptyChoice) {
    ASSERT_TRUE(view_->OpenCatalog(CatalogPath()));
    view_->show();
    auto* header = qobject_cast<ui::FilterRowHeader*>(Grid().View().horizontalHeader());
    ui::FilterRowEdit* cell = header->Edit(ColumnOf("CENA"));
    const QStringList every = {"", "Цена снижена", "Цена повышена", "Новинка", "Любое изменение"};
    const auto offered = [cell] {
        cell->OpenList();
        QStringList texts;
        for (const ui::FilterChoice& choice : cell->Cell().List()) texts << choice.text;
        return texts;
    };
    struct Step {
        const char* typed;  // typed into the cell before the list opens; null: nothing
        int pick;           // the entry picked from the list offered
        const char* ids;
    };
    for (const Step& step : {Step{nullptr, 3, "105,101"}, Step{nullptr, 1, "102"},
                             Step{"Нов", 4, "105,103,102,101"}, Step{nullptr, 0, nullptr}}) {
        SCOPED_TRACE(step.pick);
        if (step.typed != nullptr) cell->setText(QString::fromUtf8(step.typed));
        EXPECT_EQ(offered(), every);
        cell->PickShown(step.pick);
        EXPECT_EQ(cell->text(), every[step.pick]);
        EXPECT_EQ(Ids(), step.ids != nullptr ? step.ids : "105,104,103,102,101");
    }
    EXPECT_EQ(Table().Filter(), "");
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(CatalogViewTest, MarkersPerRow) {
    QDir().mkpath(QString::fromStdString(folder_.File("foto")));
    std::ofstream(folder_.File("foto/ZV103.jpg")) << "x";
    ASSERT_TRUE(view_->OpenCatalog(CatalogPath()));
    const int price = ColumnOf("CENA");
    const int id = ColumnOf("ID");
    const int name = ColumnOf("NAME");
    struct Folder {
        QString fotoDir;
        const char* cameras;
    };
    for (const Folder& f : {Folder{QString::fromStdString(folder_.File("foto")), "0,0,1,0,0"},
                            Folder{"", "0,0,0,0,0"}, Folder{" /", "0,0,0,0,0"}}) {
        dm_->FotoDir = f.fotoDir;
        std::string prices, cameras, names;
        for (int row = 0; row < Table().RecordCount(); ++row) {
            prices += (row ? "," : "") + std::to_string(view_->MarkerImage(row, price));
            cameras += (row ? "," : "") + std::to_string(view_->MarkerImage(row, id));
            names += (row ? "," : "") + std::to_string(view_->MarkerImage(row, name));
        }
        // 105 plus, 104 no price, 103 up, 102 down, 101 (65) plus.
        EXPECT_EQ(prices, "4,0,3,2,4");
        EXPECT_EQ(cameras, f.cameras) << f.fotoDir.toStdString();
        EXPECT_EQ(names, "0,0,0,0,0");
    }
}

TEST_F(CatalogViewTest, ReopeningKeepsRecordNumberAndFilterButResetsTheOrder) {
    ASSERT_TRUE(view_->OpenCatalog(CatalogPath()));
    Grid().SetFilterText(ColumnOf("EDIZM"), "шт");
    view_->ApplySTFilter();
    view_->TitleClick(ColumnOf("ID"));
    Table().SetRecNo(3);
    const std::string filter = Table().Filter();

    QString opened;
    view_->onCatalogOpened = [&](const QString& path) { opened = path; };
    ASSERT_TRUE(view_->OpenCatalog(CatalogPath()));
    EXPECT_EQ(opened, CatalogPath());
    EXPECT_EQ(Table().Filter(), filter);
    EXPECT_EQ(Table().RecNo(), 3);
    EXPECT_EQ(Table().IndexFieldNames(), "NAME");
    EXPECT_EQ(Ids(), "104,103,102,101");
    EXPECT_EQ(Grid().GetSortMarker(ColumnOf("ID")), ui::SortMarker::None);
    EXPECT_EQ(Grid().GetSortMarker(ColumnOf("NAME")), ui::SortMarker::Ascending);
    EXPECT_EQ(Grid().FilterText(ColumnOf("EDIZM")), "шт");
    // The columns were set up afresh, not moved again.
    EXPECT_EQ(Grid().Column(2).fieldName, "ARTIKUL0");
    EXPECT_EQ(Grid().Column(4).fieldName, "EDIZM");
}

TEST_F(CatalogViewTest, MissingFileSaysSoAndLeavesTheGridAlone) {
    ASSERT_TRUE(view_->OpenCatalog(CatalogPath()));
    Table().SetRecNo(2);
    const QString missing = QString::fromStdString(folder_.File("nothere.zv"));
    EXPECT_FALSE(view_->OpenCatalog(missing));
    EXPECT_EQ(prompter_.Texts(), QStringList{"Не удается найти файл '" + missing + "'."});
    EXPECT_TRUE(Table().Active());
    EXPECT_EQ(Table().RecNo(), 2);
    for (int c = 0; c < Grid().ColumnCount(); ++c)
        EXPECT_EQ(Grid().Column(c).fieldName, kCatalogColumnOrder[c]);
}

TEST_F(CatalogViewTest, CheckFileExists) {
    EXPECT_TRUE(CheckFileExists(CatalogPath()));
    EXPECT_TRUE(prompter_.shown.empty());
    const QString missing = QString::fromStdString(folder_.File("Заказ.zv"));
    EXPECT_FALSE(CheckFileExists(missing));
    EXPECT_EQ(prompter_.Texts(), QStringList{"Не удается найти файл '" + missing + "'."});
}

TEST_F(CatalogViewTest, ThreeTitleClicksSortAscendingDescendingAscending) {
    ASSERT_TRUE(view_->OpenCatalog(CatalogPath()));
    const int price = ColumnOf("CENA");
    view_->TitleClick(price);
    EXPECT_EQ(Ids(), "104,103,102,101,105");  // the empty price first
    EXPECT_EQ(Grid().GetSortMarker(price), ui::SortMarker::Ascending);
    view_->TitleClick(price);
    EXPECT_EQ(Ids(), "105,101,102,103,104");
    EXPECT_EQ(Table().SortOptions(), ridov::vsoCaseInsensitive | ridov::vsoDescendSort);
    EXPECT_EQ(Grid().GetSortMarker(price), ui::SortMarker::Descending);
    view_->TitleClick(price);
    EXPECT_EQ(Ids(), "104,103,102,101,105");
    EXPECT_EQ(Grid().GetSortMarker(price), ui::SortMarker::Ascending);
    // The name column's marker stays as it was.
    EXPECT_EQ(Grid().GetSortMarker(ColumnOf("NAME")), ui::SortMarker::Ascending);
}

TEST_F(CatalogViewTest, EnterAndDoubleClickAddOrShowThePhoto) {
    ASSERT_TRUE(view_->OpenCatalog(CatalogPath()));
    view_->show();
    QApplication::processEvents();
    int added = 0, slides = 0;
    QObject::connect(view_.get(), &orders::CatalogView::addProductRequested, [&] { ++added; });
    QObject::connect(view_.get(), &orders::CatalogView::slideRequested, [&] { ++slides; });

    QTest::keyClick(&Grid().View(), Qt::Key_Return);
    EXPECT_EQ(added, 1);

    struct Click {
        int x;
        bool slideEnabled;
        bool slide;
    };
    QWidget* cells = Grid().View().viewport();
    const int y = Grid().View().rowViewportPosition(0) + 3;
    for (const Click& c : {Click{10, true, true}, Click{1, true, true}, Click{16, true, false},
                           Click{10, false, false}, Click{0, true, false}}) {
        SCOPED_TRACE(c.x);
        view_->slideEnabled = [&c] { return c.slideEnabled; };
        added = slides = 0;
        // A double click: press and release, then the double-click event.
        QTest::mouseClick(cells, Qt::LeftButton, Qt::NoModifier, QPoint(c.x, y));
        QTest::mouseDClick(cells, Qt::LeftButton, Qt::NoModifier, QPoint(c.x, y));
        EXPECT_EQ(slides, c.slide ? 1 : 0);
        EXPECT_EQ(added, c.slide ? 0 : 1);
        EXPECT_FALSE(view_->PhotoClick && !c.slide);
    }
}

}  // namespace
}  // namespace orders
