#include "core/OrderFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/WriteTarget.h"
#include "engine/dataset/RidovTable.h"
#include "support/SpecialFiles.h"
#include "support/TempFolder.h"

namespace {

using testing_support::TempFolder;

void Touch(const std::string& path, const std::string& bytes = "") {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(OrderFiles, NewNameFillsTheFirstGap) {
    TempFolder dir;
    std::string folder = dir.Path() + "/";
    EXPECT_EQ(core::NewOrderFileName(folder, "Zakaz"), folder + "Zakaz1.zv");
    Touch(folder + "Zakaz1.zv");
    Touch(folder + "Zakaz3.zv");
    EXPECT_EQ(core::NewOrderFileName(folder, "Zakaz"), folder + "Zakaz2.zv");
    // A name taken by a pipe or a folder is not free either.
    if (testing_support::kHasFifos) {
        ASSERT_TRUE(testing_support::MakeFifo(folder + "Zakaz2.zv"));
    } else {
        Touch(folder + "Zakaz2.zv");
    }
    ASSERT_TRUE(std::filesystem::create_directory(folder + "Zakaz4.zv"));
    EXPECT_EQ(core::NewOrderFileName(folder, "Zakaz"), folder + "Zakaz5.zv");
}

// A new order never replaces what is not a regular file.
TEST(OrderFiles, CreatingAnOrderOverAPipeIsRefused) {
    if (!testing_support::kHasFifos) GTEST_SKIP() << testing_support::kNoFifos;
    TempFolder dir;
    ASSERT_TRUE(testing_support::MakeFifo(dir.File("Zakaz1.zv")));
    EXPECT_THROW(
        core::CreateOrderFile(dir.File("Zakaz1.zv"), dir.File("Zetrovo.ini"), dir.File("price.zv")),
        core::WriteRefused);
    EXPECT_EQ(std::filesystem::symlink_status(dir.File("Zakaz1.zv")).type(),
              std::filesystem::file_type::fifo);
}

TEST(OrderFiles, CreatedOrderIsEmptyAndCarriesSettingsAndCatalog) {
    TempFolder dir;
    std::string settings = dir.File("Zetrovo.ini");
    // A settings file with LF-only and CR LF lines: each line is copied and
    // ends with CR LF in the comment.
    Touch(settings, "[Client]\r\nKlient=\xcd\xee\xe2\xfb\xe9\nAdres=X");
    std::string order = dir.File("Zakaz1.zv");
    core::CreateOrderFile(order, settings, dir.File("price.zv"));

    ridov::TRidovTable t;
    t.SetTableName(order);
    t.Open();
    EXPECT_EQ(t.RecordCount(), 0);
    ASSERT_EQ(t.FieldCount(), 2);
    EXPECT_EQ(t.Fields()[0]->FieldName(), "ID");
    EXPECT_EQ(t.Fields()[1]->FieldName(), "KOL");
    EXPECT_EQ(t.Comment(),
              "[Client]\r\nKlient=\xcd\xee\xe2\xfb\xe9\r\nAdres=X\r\ncatalog=price.zv\r\n");
    t.Close();
    EXPECT_EQ(core::CountOrderLines(order), 0);
}

TEST(OrderFiles, CatalogPathComesFromTheCommentOrDefaults) {
    TempFolder dir;
    std::string programDir = dir.Path() + "/";
    struct Case {
        const char* settings;
        const char* catalogName;
        const char* expected;
    } cases[] = {
        {"", "price.zv", "price.zv"},
        {"", "other.zv", "other.zv"},
        // The first line named "catalog" in any letter case wins, even one
        // the settings file brought along.
        {"[Client]\r\nCATALOG=old.zv\r\n", "price.zv", "old.zv"},
        {"catalog=\r\n", "price.zv", "price.zv"},
    };
    for (const Case& c : cases) {
        std::string settings = dir.File("Zetrovo.ini");
        Touch(settings, c.settings);
        std::string order = dir.File("Zakaz1.zv");
        core::CreateOrderFile(order, settings, programDir + c.catalogName);
        EXPECT_EQ(core::OrderCatalogPath(order, programDir), programDir + c.expected)
            << c.settings << " / " << c.catalogName;
    }
}

}  // namespace
