// The data module: the program folder, the fixed file names and the
// catalog's date.
#include <gtest/gtest.h>

#include <QDateTime>
#include <fstream>

#include "core/DataModule.h"
#include "platform/Platform.h"
#include "support/TempFolder.h"

namespace core {
namespace {

using testing_support::TempFolder;

// Noon local time, so that the day is the same in every time zone.
int64_t LocalNoon(int year, int month, int day) {
    return QDateTime(QDate(year, month, day), QTime(12, 0)).toSecsSinceEpoch();
}

TEST(CatalogDateText, RussianLongDateWithTheMonthInTheGenitive) {
    struct Case {
        int year, month, day;
        const char* text;
    } const cases[] = {
        {2026, 12, 10, "четверг, 10 декабря 2026"}, {2010, 5, 5, "среда, 5 мая 2010"},
        {2024, 3, 1, "пятница, 1 марта 2024"},      {2023, 1, 1, "воскресенье, 1 января 2023"},
        {2000, 2, 29, "вторник, 29 февраля 2000"},  {2021, 8, 16, "понедельник, 16 августа 2021"},
        {2019, 6, 22, "суббота, 22 июня 2019"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CatalogDateText(LocalNoon(c.year, c.month, c.day)), QString::fromUtf8(c.text));
    }
}

TEST(TdmZetrovo, PathsAndTheCatalogLine) {
    TempFolder folder;
    const QString dir = QString::fromStdString(folder.Path());
    const QString sep = core::DataModule::Separator();
    {
        core::DataModule dm(dir);  // no separator at the end: one is added
        EXPECT_EQ(dm.ProgramDir, dir + sep);
        EXPECT_EQ(dm.OrderDir, dm.ProgramDir);
        EXPECT_EQ(dm.SettingsFile, dir + sep + "Zetrovo.ini");
        EXPECT_EQ(dm.ReadmeFile, dir + sep + "readme.txt");
        EXPECT_TRUE(dm.CatalogDates.isEmpty()) << "no catalog file";
        EXPECT_EQ(dm.CatalogName(), QString());
    }

    std::ofstream(folder.File("price.zv")) << "x";
    ASSERT_TRUE(platform::CurrentPlatform().SetModificationTime(folder.File("price.zv"),
                                                                LocalNoon(2010, 5, 5)));
    core::DataModule dm(dir + sep);
    EXPECT_EQ(dm.ProgramDir, dir + sep);
    EXPECT_EQ(dm.CatalogDates, QStringList{QString::fromUtf8("price.zv=среда, 5 мая 2010")});
    EXPECT_EQ(dm.CatalogName(), "price.zv");
    EXPECT_EQ(dm.CatalogDate("price.zv"), QString::fromUtf8("среда, 5 мая 2010"));
}

}  // namespace
}  // namespace core
