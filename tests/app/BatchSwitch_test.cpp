// The batch switches as the start-up runs them, before any window exists:
// each file converted or reported, and the start ended with its exit code.
#include <gtest/gtest.h>

#include "core/BatchMode.h"
#include "qtsupport/MainWindowFixture.h"
#include "support/FileBytes.h"

namespace {

using testing_support::Exists;
using testing_support::OrderLines;
using testing_support::ReadBytes;
using testing_support::WriteBytes;
using testing_support::WriteOrder;

class BatchSwitchTest : public testing_support::MainWindowTest {
  protected:
    BatchSwitchTest() { startInSetUp = false; }
};

TEST_F(BatchSwitchTest, KConvertsEachTextAndReportsTheFailingOne) {
    WriteBytes(File("a.txt"), "P1\t1\r\n");
    WriteBytes(File("b.txt"), "P2\tx\r\n");  // "x" is no quantity
    // Without a display the value question is not asked: the file stops.
    prompter.failWhenUnscripted = false;  // the batch report
    int exitCode = 0;
    // The start ends after the conversions, without a window.
    EXPECT_FALSE(Start({"-k", QFile("a.txt"), QFile("b.txt"), QFile("c.txt")}, exitCode));
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(OrderLines(File("a.zv")), (std::vector<std::string>{"P1=1"}));
    EXPECT_TRUE(Exists(File("b.zv")));  // created before its import failed
    QStringList reports;
    for (const auto& shown : prompter.shown)
        if (shown.kind == testing_support::ScriptedPrompter::Kind::Plain) reports << shown.details;
    EXPECT_EQ(reports, (QStringList{core::BatchErrorText(QFile("b.txt")),
                                    core::BatchErrorText(QFile("c.txt"))}));
}

TEST_F(BatchSwitchTest, ZvconvertWritesTheTextAndEndsTheStart) {
    WriteOrder(File("z.zv"), {{"P1", 4}});
    int exitCode = -1;
    EXPECT_FALSE(Start({"-zvconvert", QFile("z.zv")}, exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(ReadBytes(File("z.txt")), "ID\tKOL\r\nP1\t4\r\n");

    prompter.failWhenUnscripted = false;
    EXPECT_FALSE(Start({"-convert", QFile("missing.txt")}, exitCode));
    EXPECT_EQ(exitCode, 1);
}

}  // namespace
