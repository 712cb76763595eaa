// The real prompter without a display: what it writes on standard error.
#include "ui/QtPrompter.h"

#include <gtest/gtest.h>

#include <string>

namespace ui {
namespace {

TEST(QtPrompterTest, WithoutADisplayAnErrorIsOneEscapedLineOfSaneLength) {
    ASSERT_TRUE(NoDisplay()) << "the tests run on the offscreen platform";
    // A damaged file's text of 10,000 lines with terminal escapes.
    QString engineText;
    for (int i = 0; i < 10000; ++i) engineText += QStringLiteral("строка\x1b[2J\n");
    QtPrompter prompter;
    testing::internal::CaptureStderr();
    prompter.Error(QStringLiteral("Файл заявки имеет недопустимое имя или поврежден."), engineText);
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.find('\n'), err.size() - 1);
    EXPECT_EQ(err.find('\x1b'), std::string::npos);
    EXPECT_LE(err.size(), kMaxReportLine + 1);
    EXPECT_EQ(err.rfind("Заявка по каталогу: Файл заявки имеет недопустимое имя или поврежден. "
                        "строка\\x1b[2J\\nстрока",
                        0),
              0u);
}

}  // namespace
}  // namespace ui
