// The text import and export commands, through the real main window.
#include <gtest/gtest.h>

#include "core/WriteTarget.h"

#include "core/OrderText.h"
#include "qtsupport/MainWindowFixture.h"
#include "support/FileBytes.h"
#include "support/SpecialFiles.h"

namespace {

using testing_support::ReadBytes;
using testing_support::WriteBytes;

using testing_support::Exists;
using testing_support::OrderLines;
using testing_support::WriteOrder;
using Prompt = ui::Prompter::Answer;

using ImportExportTest = testing_support::MainWindowTest;

TEST_F(ImportExportTest, ImportedOrdersGetTheNextNamesAndOpenInTabs) {
    WriteBytes(File("a.txt"), "P1\t3\r\nP2\t1");
    for (int i = 0; i < 2; ++i) {
        prompter.fileAnswers.push_back({QFile("a.txt")});
        window->Actions().ActionImportOrderFromTxt->trigger();
    }
    ASSERT_EQ(tabs->Count(), 2);
    EXPECT_EQ(tabs->TabCaption(1), "Zakaz2.zv");
    EXPECT_EQ(OrderLines(File("Zakaz1.zv")), (std::vector<std::string>{"P1=3", "P2=1"}));
    EXPECT_EQ(OrderLines(File("Zakaz2.zv")), OrderLines(File("Zakaz1.zv")));

    // The next-to-the-text import.
    prompter.fileAnswers.push_back({QFile("a.txt")});
    window->Actions().ActionImportOrder->trigger();
    EXPECT_EQ(tabs->ActivePath(), QFile("a.zv"));
    EXPECT_TRUE(prompter.shown.size() == 3 && prompter.AllAnswered());
}

TEST_F(ImportExportTest, ExportAsksBeforeOverwritingAndTheLabelLineComesBack) {
    window->LineEntry().StoreOrderLine("P1", 2);
    WriteBytes(File("out.txt"), "old");
    prompter.fileAnswers.push_back({QFile("out.txt")});
    prompter.answers.push_back(Prompt::No);
    window->Actions().ActionExportOrder->trigger();
    EXPECT_EQ(ReadBytes(File("out.txt")), "old");

    prompter.fileAnswers.push_back({QFile("out.txt")});
    prompter.answers.push_back(Prompt::Yes);
    window->Actions().ActionExportOrder->trigger();
    EXPECT_EQ(ReadBytes(File("out.txt")), "ID\tKOL\r\nP1\t2\r\n");

    // Imported again, the label line is a record whose quantity does not
    // convert: Yes keeps it with no quantity.
    prompter.fileAnswers.push_back({QFile("out.txt")});
    prompter.answers.push_back(Prompt::Yes);
    window->Actions().ActionImportOrder->trigger();
    EXPECT_EQ(OrderLines(File("out.zv")), (std::vector<std::string>{"ID=0", "P1=2"}));
}

TEST_F(ImportExportTest, PriceImportRefillsTheCatalogAndReopensIt) {
    WriteBytes(File("price.txt"), "N1\t\xcd\xee\xe2\xfb\xe9\t5\r\n");
    prompter.fileAnswers.push_back({QFile("price.txt")});
    window->Actions().ActionImportPrice->trigger();
    ASSERT_TRUE(dm->vtPrice.Active());
    EXPECT_EQ(dm->vtPrice.RecordCount(), 1);
    EXPECT_EQ(dm->vtPrice.FieldByName("ID").AsString(), "N1");

    // A format error leaves the catalog as it was and is shown.
    const std::string before = ReadBytes(File("price.zv"));
    WriteBytes(File("bad.txt"), "X\r1\r\n");
    prompter.fileAnswers.push_back({QFile("bad.txt")});
    window->Actions().ActionImportPrice->trigger();
    EXPECT_EQ(ReadBytes(File("price.zv")), before);
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_TRUE(prompter.shown.back().text.endsWith("Invalid text format"));
    EXPECT_TRUE(dm->vtPrice.Active());

    // A text that yields no catalog (a NUL byte, nothing with a code) is a
    // failed import, not an emptied catalog.
    for (const std::string& text : {std::string("N2\tA\0B\t1\r\n", 11), std::string("\r\n\r\n"),
                                    std::string("\t\xcd\xee\t5\r\n"), std::string()}) {
        SCOPED_TRACE(text.size());
        WriteBytes(File("odd.txt"), text);
        const size_t shown = prompter.shown.size();
        prompter.fileAnswers.push_back({QFile("odd.txt")});
        window->Actions().ActionImportPrice->trigger();
        EXPECT_EQ(ReadBytes(File("price.zv")), before);
        ASSERT_EQ(prompter.shown.size(), shown + 2);  // the file dialog, the error
        EXPECT_TRUE(prompter.shown.back().text.endsWith("Invalid text format"));
        EXPECT_EQ(dm->vtPrice.FieldByName("ID").AsString(), "N1");
    }
}

// A pipe where the export would write stays a pipe; the box names it.
TEST_F(ImportExportTest, ExportRefusesWhatIsNotARegularFile) {
    if (!testing_support::kHasFifos) GTEST_SKIP() << testing_support::kNoFifos;
    window->LineEntry().StoreOrderLine("P1", 2);
    ASSERT_TRUE(testing_support::MakeFifo(File("out.txt")));
    prompter.fileAnswers.push_back({QFile("out.txt")});
    window->Actions().ActionExportOrder->trigger();
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back().text, core::NotRegularFileText(QFile("out.txt")));
    EXPECT_TRUE(testing_support::IsFifo(File("out.txt")));
}

}  // namespace
