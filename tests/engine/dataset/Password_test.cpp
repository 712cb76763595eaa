#include <gtest/gtest.h>

#include "engine/dataset/RidovTable.h"
#include "engine/storage/RidovSession.h"
#include "support/DatasetFixture.h"

namespace ridov {
namespace {

using namespace ridov::testing;

// Two tables enciphered with one password: the first is opened with the
// table's own password, the second with the one the session remembered,
// and both are written back enciphered with it.
TEST(DatasetPassword, RememberedPasswordOpensAndStaysWithTheTable) {
    TempDir dir;
    TRidovSession session;
    for (const char* name : {"a.zv", "b.zv"}) {
        TRidovTable table;
        table.SetSession(session);
        BuildTable(table, {{"ID", DataType::String, 8}}, {{"1"}});
        table.SetPassword("secret");
        table.SaveToFile(dir.File(name));
    }
    session.RemovePassword("secret");
    EXPECT_TRUE(session.KnownPasswords().empty());

    TRidovTable first;
    first.SetSession(session);
    first.SetTableName(dir.File("a.zv"));
    first.SetPassword("secret");
    EXPECT_EQ(session.KnownPasswords(), std::vector<std::string>{"secret"});
    first.Open();

    TRidovTable second;
    second.SetSession(session);
    second.SetTableName(dir.File("b.zv"));
    second.Open();  // no prompt installed: only the remembered password can open it
    EXPECT_EQ(second.Password(), "secret");
    second.Edit();
    second.FieldByName("ID").SetAsString("2");
    second.Post();
    second.SaveChanges();
    second.Close();
    session.RemovePassword("secret");
    second.SetPassword("");
    EXPECT_NE(ErrorOf([&] { second.Open(); }), "") << "written back enciphered";

    first.SetPassword("");
    EXPECT_TRUE(session.KnownPasswords().empty()) << "an emptied password is forgotten";
}

}  // namespace
}  // namespace ridov
