// The batch switches run by the order core: a value that does not convert
// is asked about only where somebody may answer; otherwise the question is
// written out and that file stops.
#include "core/BatchMode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/FileBytes.h"
#include "support/OrderTestFiles.h"
#include "support/TempFolder.h"

namespace core {
namespace {

TEST(BatchMode, AValueQuestionIsAskedOnlyWhereSomebodyMayAnswer) {
    struct Case {
        bool mayAsk;
        IgnoreAnswer answer;
        int exitCode;
        std::vector<std::string> lines;  // of the order made from the text
        int asked;
    } const cases[] = {
        {true, IgnoreAnswer::All, 0, {"P1=1", "P2=0"}, 1},
        {true, IgnoreAnswer::No, 1, {}, 1},
        {false, IgnoreAnswer::All, 1, {}, 0},
    };
    for (const Case& c : cases) {
        testing_support::TempFolder dir;
        testing_support::WriteCatalog(dir.File("price.zv"), {{"P1", "A", "1"}, {"P2", "B", "2"}});
        testing_support::WriteFilledRequisites(dir.File("Zetrovo.ini"));
        testing_support::WriteBytes(dir.File("z.txt"), "P1\t1\r\nP2\tx\r\n");
        BatchEnvironment environment;
        environment.settingsFile = dir.File("Zetrovo.ini");
        environment.catalogFile = dir.File("price.zv");
        int asked = 0;
        environment.mayAsk = c.mayAsk;
        environment.ask = [&](const std::string&) {
            ++asked;
            return c.answer;
        };
        QStringList reports;
        environment.showReport = [&](const QString& text) { reports << text; };
        const QString text = QString::fromStdString(dir.File("z.txt"));
        EXPECT_EQ(RunBatchSwitch({"-k", text}, environment), c.exitCode) << c.mayAsk;
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(reports, c.exitCode == 0 ? QStringList{} : QStringList{BatchErrorText(text)});
        if (c.exitCode == 0) {
            EXPECT_EQ(testing_support::OrderLines(dir.File("z.zv")), c.lines);
        }
    }
}

}  // namespace
}  // namespace core
