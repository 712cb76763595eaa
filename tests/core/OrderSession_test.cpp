// The open orders without a widget: lines written through the order view,
// the order files stamped, an empty order deleted on closing, and saving
// an order under the name of another open one.
#include "core/OrderSession.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/DataModule.h"
#include "support/OrderTestFiles.h"
#include "support/TempFolder.h"

namespace core {
namespace {

using testing_support::Exists;
using testing_support::OrderLines;

class OrderSessionTest : public testing::Test {
  protected:
    void SetUp() override {
        testing_support::WriteCatalog(dir.File("price.zv"),
                                      {{"P1", "Фильтр", "10,5"}, {"P2", "Свеча", "2"}});
        testing_support::WriteFilledRequisites(dir.File("Zetrovo.ini"));
        dm.vtPrice.SetTableName(dir.File("price.zv"));
        dm.vtPrice.Open();
    }
    QString Path(const char* name) const { return QString::fromStdString(dir.File(name)); }

    testing_support::TempFolder dir;
    core::DataModule dm{QString::fromStdString(dir.Path())};
    OrderSession session{dm};
};

TEST_F(OrderSessionTest, LinesAreWrittenAtOnceAndOnlyAnEmptyOrderGoesOnClosing) {
    EXPECT_EQ(session.NewOrder(), Path("Zakaz1.zv"));
    session.Refresh();
    session.StoreLine("P1", 2);
    session.StoreLine("P2", 1);
    session.StoreLine("P1", 5);  // the line of P1 is edited, not added
    EXPECT_EQ(OrderLines(dir.File("Zakaz1.zv")), (std::vector<std::string>{"P1=5", "P2=1"}));
    session.Refresh("P2");
    EXPECT_EQ(session.At(0).lines, 2);
    EXPECT_EQ(dm.qvZayavka.FieldByName("SUM").AsFloat(), 2.0) << "1 x 2";
    session.DeleteCurrentLine();
    EXPECT_EQ(OrderLines(dir.File("Zakaz1.zv")), std::vector<std::string>{"P1=5"});

    EXPECT_EQ(session.NewOrder(), Path("Zakaz2.zv"));
    session.Refresh();
    EXPECT_EQ(session.Active(), 1);
    session.Close(1);
    EXPECT_FALSE(Exists(dir.File("Zakaz2.zv"))) << "no lines: not kept";
    EXPECT_EQ(session.Active(), 0) << "the first when the last one closed";
    session.Refresh();
    session.Close(0);
    EXPECT_TRUE(Exists(dir.File("Zakaz1.zv")));
    EXPECT_EQ(session.Count(), 0);
    EXPECT_EQ(session.Active(), -1);
}

TEST_F(OrderSessionTest, SavedUnderTheNameOfAnotherOpenOrderThatOneIsForgotten) {
    testing_support::WriteOrder(dir.File("a.zv"), {{"P1", 3}});
    testing_support::WriteOrder(dir.File("b.zv"), {{"P2", 4}});
    session.Add(Path("b.zv"));
    session.Refresh();
    session.Add(Path("a.zv"));
    session.Refresh();
    session.SaveAs(Path("b.zv"));
    ASSERT_EQ(session.Count(), 1);
    EXPECT_EQ(session.ActivePath(), Path("b.zv"));
    EXPECT_EQ(OrderLines(dir.File("b.zv")), std::vector<std::string>{"P1=3"});
    EXPECT_EQ(OrderLines(dir.File("a.zv")), std::vector<std::string>{"P1=3"}) << "kept as it was";
    EXPECT_EQ(session.Find(Path("a.zv")), -1);
}

}  // namespace
}  // namespace core
