// The grid model over a real in-memory table: the Qt signals each dataset
// operation turns into, the rows read by position, and how few rows a
// painted grid reads.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QTableView>
#include <functional>
#include <string>
#include <vector>

#include "support/DatasetFixture.h"
#include "ui/DataGrid.h"
#include "ui/DatasetModel.h"
#include "ui/Win1251Text.h"

namespace {

using ridov::DataType;
using ridov::TRidovTable;
using ridov::testing::BuildTable;
using ridov::testing::Column;

const std::vector<Column> kColumns = {
    {"ID", DataType::String, 20}, {"NAME", DataType::String, 20}, {"KOL", DataType::Integer}};
const std::vector<std::vector<std::string>> kRows = {
    {"1", "a", "10"}, {"2", "b", "20"}, {"4", "d", "40"}, {"5", "e", "50"}};

// The Qt signals of a model, one entry each, consecutive repeats folded
// (a row may be repainted more than once; once is what matters).
class SignalLog {
  public:
    explicit SignalLog(QAbstractItemModel& model) {
        QObject::connect(&model, &QAbstractItemModel::modelReset, [this] { Add("reset"); });
        QObject::connect(&model, &QAbstractItemModel::dataChanged,
                         [this](const QModelIndex& from, const QModelIndex& to) {
                             Add("changed " + std::to_string(from.row()) +
                                 (to.row() != from.row() ? "-" + std::to_string(to.row()) : ""));
                         });
        QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                         [this](const QModelIndex&, int first, int last) {
                             Add("inserted " + std::to_string(first) + "-" + std::to_string(last));
                         });
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved,
                         [this](const QModelIndex&, int first, int last) {
                             Add("removed " + std::to_string(first) + "-" + std::to_string(last));
                         });
        QObject::connect(&model, &QAbstractItemModel::rowsMoved,
                         [this](const QModelIndex&, int first, int, const QModelIndex&, int row) {
                             Add("moved " + std::to_string(first) + ">" + std::to_string(row));
                         });
    }
    std::string Take() {
        std::string out;
        for (const std::string& e : log_) out += (out.empty() ? "" : "; ") + e;
        log_.clear();
        return out;
    }

  private:
    void Add(std::string entry) {
        if (log_.empty() || log_.back() != entry) log_.push_back(std::move(entry));
    }
    std::vector<std::string> log_;
};

// Column `column` of every model row, joined by ",".
std::string ModelColumn(const ui::DatasetModel& model, int column) {
    std::string out;
    for (int row = 0; row < model.rowCount(); ++row)
        out += (row ? "," : "") + model.index(row, column).data().toString().toStdString();
    return out;
}

// The same column as the dataset's view shows it.
std::string ViewColumn(const ridov::DataSet& ds, const std::string& field) {
    std::string out, text;
    for (int row = 0; row < ds.RowCount(); ++row) {
        ds.ReadCellText(row, ds.FieldByName(field), text);
        out += (row ? "," : "") + text;
    }
    return out;
}

void Set(TRidovTable& t, const char* field, const char* value) {
    t.FieldByName(field).SetAsString(value);
}

struct ModelCase {
    const char* name;
    std::string indexFieldNames;
    ridov::TRidovSortOptions sortOptions;
    std::function<void(TRidovTable&)> setup;
    std::function<void(TRidovTable&)> action;
    const char* qtSignals;  // as SignalLog writes them
    const char* ids;        // the ID column afterwards
};

const ModelCase kModelCases[] = {
    {"EditRepaintsOneRow", "", 0, [](TRidovTable& t) { t.SetRecNo(2); },
     [](TRidovTable& t) {
         t.Edit();
         Set(t, "NAME", "x");
         t.Post();
     },
     "changed 1", "1,2,4,5"},
    // Even an edit of the sort key keeps the row where it is.
    {"EditSortKeyKeepsRow", "ID", 0, [](TRidovTable& t) { t.SetRecNo(2); },
     [](TRidovTable& t) {
         t.Edit();
         Set(t, "ID", "9");
         t.Post();
     },
     "changed 1", "1,9,4,5"},
    {"InsertThenPostMovesLast", "", 0, [](TRidovTable& t) { t.SetRecNo(2); },
     [](TRidovTable& t) {
         t.Insert();
         Set(t, "ID", "3");
         t.Post();
     },
     "inserted 1-1; changed 1; moved 1>5; changed 4", "1,2,4,5,3"},
    {"AppendInOrderMovesToSortedPlace", "ID", ridov::vsoInsertInOrder,
     [](TRidovTable& t) { t.First(); },
     [](TRidovTable& t) {
         t.Append();
         Set(t, "ID", "3");
         t.Post();
     },
     "inserted 4-4; changed 4; moved 4>2; changed 2", "1,2,3,4,5"},
    {"CancelledInsertGoes", "", 0, [](TRidovTable& t) { t.SetRecNo(2); },
     [](TRidovTable& t) {
         t.Insert();
         t.Cancel();
     },
     "inserted 1-1; removed 1-1", "1,2,4,5"},
    {"DeleteRemovesOneRow", "", 0, [](TRidovTable& t) { t.SetRecNo(3); },
     [](TRidovTable& t) { t.Delete(); }, "removed 2-2", "1,2,5"},
    {"FilterResets", "", 0, [](TRidovTable& t) { t.SetFiltered(true); },
     [](TRidovTable& t) { t.SetFilter("KOL > 15"); }, "reset", "2,4,5"},
    {"OrderResets", "", 0, [](TRidovTable&) {},
     [](TRidovTable& t) {
         t.SetSortOptions(ridov::vsoDescendSort);
         t.SetIndexFieldNames("KOL");
     },
     "reset", "5,4,2,1"},
};

class DatasetModelSignals : public ::testing::TestWithParam<ModelCase> {};

TEST_P(DatasetModelSignals, FollowTheViewWithoutResettingOnEdits) {
    const ModelCase& c = GetParam();
    TRidovTable t;
    BuildTable(t, kColumns, kRows);
    t.SetIndexFieldNames(c.indexFieldNames);
    t.SetSortOptions(c.sortOptions);
    c.setup(t);
    ui::DatasetModel model;
    model.SetDataSet(&t);
    // Qt's own consistency checks of every signal against rowCount/data.
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    SignalLog log(model);
    c.action(t);
    EXPECT_EQ(log.Take(), c.qtSignals);
    EXPECT_EQ(ModelColumn(model, 0), c.ids);
    // Every row and cell as the view has them, by position.
    EXPECT_EQ(model.rowCount(), t.RowCount());
    EXPECT_EQ(ModelColumn(model, 1), ViewColumn(t, "NAME"));
    EXPECT_EQ(model.CurrentRow(), t.CurrentRow());
}

INSTANTIATE_TEST_SUITE_P(EachOperation, DatasetModelSignals, ::testing::ValuesIn(kModelCases),
                         [](const ::testing::TestParamInfo<ModelCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(DatasetModel, ReadsRowsByPositionWithoutMovingTheRecord) {
    TRidovTable t;
    BuildTable(t, kColumns, kRows);
    t.SetSortOptions(ridov::vsoDescendSort);
    t.SetIndexFieldNames("KOL");
    t.SetRecNo(2);
    ui::DatasetModel model;
    model.SetDataSet(&t);
    EXPECT_EQ(model.index(3, 1).data().toString(), "a");
    EXPECT_EQ(model.index(0, 2).data().toString(), "50");
    EXPECT_EQ(model.CellText(4, 0), "");  // beyond the view
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "NAME");
}

TEST(DatasetModel, ClosingAndReopeningKeepsFixedColumns) {
    ridov::testing::TempDir dir;
    ridov::testing::WriteTableFile(dir.File("t.zv"), kColumns, kRows);
    TRidovTable t;
    t.SetTableName(dir.File("t.zv"));
    t.Open();
    ui::DatasetModel model;
    model.SetDataSet(&t);
    ui::GridColumn kol;
    kol.fieldName = "KOL";
    ui::GridColumn id;
    id.fieldName = "ID";
    model.SetColumns({kol, id});
    t.Close();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.ColumnField(0), nullptr);
    t.Open();
    EXPECT_EQ(ModelColumn(model, 0), "10,20,40,50");
    EXPECT_EQ(ModelColumn(model, 1), "1,2,4,5");
}

// A grid over 100,000 records paints without reading more than the rows on
// its screen: a calculated column counts the rows read.
TEST(DatasetModel, PaintedGridReadsOnlyTheRowsOnScreen) {
    TRidovTable t;
    t.SetLoadMode(ridov::lmClear);
    t.Defs().Add("ID", DataType::Integer);
    t.AddCalculatedField("CALC", DataType::Integer);
    int calculations = 0;
    t.onCalcFields = [&](ridov::DataSet& ds) {
        ++calculations;
        ds.FieldByName("CALC").SetAsInteger(ds.FieldByName("ID").AsInteger() * 2);
    };
    t.Open();
    t.DisableControls();
    for (int i = 0; i < 100000; ++i) {
        t.Append();
        t.FieldByName("ID").SetAsInteger(i);
        t.Post();
    }
    t.EnableControls();
    t.First();

    ui::DataGrid grid;
    grid.resize(400, 300);
    grid.SetDataSet(&t);
    calculations = 0;
    grid.show();
    QApplication::processEvents();
    (void)grid.grab();
    EXPECT_GT(calculations, 0);
    EXPECT_LT(calculations, 300);
    EXPECT_EQ(grid.Model().index(99999, 1).data().toString(), "199998");
}

}  // namespace
