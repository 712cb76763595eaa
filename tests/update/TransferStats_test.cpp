// The transfer figures of the update window: progress maximum, speed and
// its text, the statistics line.
#include "update/TransferStats.h"

#include <gtest/gtest.h>

#include <chrono>

#include "qtsupport/UpdateTestSupport.h"

namespace {

using std::chrono::milliseconds;
using update::TransferStats;

TEST(TransferStats, ProgressSpeedAndSummary) {
    const TransferStats::Clock::time_point start{};
    TransferStats stats;
    stats.Begin(0, 4096, start);
    EXPECT_EQ(stats.Maximum(), 4096);
    // No time has passed: the speed stays 0 rather than dividing by it.
    stats.Progress(1024, start);
    EXPECT_EQ(stats.Speed(), 0);
    EXPECT_EQ(stats.SpeedText(), "Скорость доступа 0,00 Кб/с");

    stats.Progress(3072, start + milliseconds(1500));
    EXPECT_EQ(stats.Position(), 3072);
    EXPECT_DOUBLE_EQ(stats.Speed(), 2.0);
    EXPECT_EQ(stats.SpeedText(), "Скорость доступа 2,00 Кб/с");

    stats.End();
    EXPECT_EQ(stats.Maximum(), 0);
    EXPECT_EQ(stats.Position(), 0);
    EXPECT_EQ(stats.Speed(), 0);
    EXPECT_EQ(stats.SpeedText(), "Скорость доступа 2,00 Кб/с") << "the text stays";

    stats.CountFetched(4096);
    EXPECT_EQ(stats.SummaryText(), "Скорость доступа 2,00 Кб/с. Обновлено 1 файлов, всего 4 Кб.");

    // An announced size wins over the queried one.
    stats.Begin(700, 4096, start);
    EXPECT_EQ(stats.Maximum(), 700);
    stats.Reset();
    EXPECT_EQ(stats.FileCount(), 0);
    EXPECT_EQ(stats.SummaryText(), ". Обновлено 0 файлов");
}

TEST(TransferStats, SpeedTextRounding) {
    EXPECT_EQ(update::SpeedText(1234.567), "Скорость доступа 1234,57 Кб/с");
    EXPECT_EQ(update::SpeedText(0.004), "Скорость доступа 0,00 Кб/с");
}

}  // namespace
