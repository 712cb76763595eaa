// A table file read ahead (at the program's start) is taken by the first
// table that opens that very file, and only while the file is unchanged and
// was read whole without the user; otherwise the table reads the file
// itself, with its usual results and errors.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <system_error>
#include <thread>

#include "engine/dataset/RidovTable.h"
#include "engine/storage/RidovSession.h"
#include "engine/text/FormatSettings.h"
#include "support/DatasetFixture.h"

namespace ridov::testing {
namespace {

const std::vector<Column> kColumns = {{"ID", DataType::String, 8}, {"NAME", DataType::String, 20}};

void WriteRows(const std::string& path, const std::vector<std::vector<std::string>>& rows,
               const std::string& password = "") {
    TRidovTable table;
    BuildTable(table, kColumns, rows);
    table.SetPassword(password);
    table.SaveToFile(path);
}

// Retries `step` while it fails: on Windows a file being read (here, by
// the read ahead) can be neither renamed over nor removed.
void Retrying(const std::function<void(std::error_code&)>& step) {
    std::error_code error;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        error.clear();
        step(error);
        if (!error) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    throw std::filesystem::filesystem_error("still failing", error);
}

struct Opened {
    std::string ids;   // or the error
    int progress = 0;  // reports of a read of the file by the table itself
};

Opened OpenCounting(TRidovSession& session, const std::string& path) {
    TRidovTable table;
    table.SetSession(session);
    table.SetTableName(path);
    Opened opened;
    table.onCallback = [&](TRidovDataset&, int) { ++opened.progress; };
    opened.ids = ErrorOf([&] { table.Open(); });
    if (opened.ids.empty()) opened.ids = Values(table, "ID");
    return opened;
}

struct PreloadCase {
    const char* name;
    // Done to the folder's table file "t.zv" (rows 1, 2, 3) before the read
    // ahead starts, and after it.
    std::function<void(const std::string& path)> before;
    std::function<void(const std::string& path)> after;
    bool taken;
};

TEST(TablePreload, TakenOnlyForTheUnchangedFileReadWhole) {
    const auto nothing = [](const std::string&) {};
    const PreloadCase cases[] = {
        {"unchanged", nothing, nothing, true},
        {"replaced after the read", nothing,
         [](const std::string& path) {
             WriteRows(path + ".new", {{"7"}, {"8"}});
             Retrying([&](std::error_code& e) { std::filesystem::rename(path + ".new", path, e); });
         },
         false},
        {"removed and written anew", nothing,
         [](const std::string& path) {
             Retrying([&](std::error_code& e) { std::filesystem::remove(path, e); });
             WriteRows(path, {{"9"}});
         },
         false},
        {"enciphered", [](const std::string& path) { WriteRows(path, {{"5"}}, "secret"); }, nothing,
         false},
        {"damaged",
         [](const std::string& path) {
             std::filesystem::resize_file(path, std::filesystem::file_size(path) - 3);
         },
         nothing, false},
    };
    for (const PreloadCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.File("t.zv");
        WriteRows(path, {{"1", "a"}, {"2", "b"}, {"3", "c"}});
        c.before(path);
        TRidovSession session;
        session.AddPassword("secret");
        // What the table shows without anything read ahead.
        TRidovSession plain;
        plain.AddPassword("secret");

        session.PreloadTable(path, text::FormatSettings::Russian());
        c.after(path);
        const Opened expected = OpenCounting(plain, path);
        const Opened opened = OpenCounting(session, path);
        EXPECT_EQ(opened.ids, expected.ids);
        EXPECT_GT(expected.progress, 0) << "a table's own read reports progress";
        EXPECT_EQ(opened.progress == 0, c.taken);
        // Taken once: the next table reads the file.
        EXPECT_GT(OpenCounting(session, path).progress, 0);
    }
}

// A table opening another file first neither takes nor waits for the read
// ahead, which stays for the table that opens its file, however that table
// spells the path.
TEST(TablePreload, AnotherFileLeavesItForItsOwnTable) {
    TempDir dir;
    const std::string catalog = dir.File("price.zv");
    const std::string order = dir.File("order.zv");
    WriteRows(catalog, {{"1"}, {"2"}});
    WriteRows(order, {{"2"}});
    TRidovSession session;
    session.PreloadTable(catalog, text::FormatSettings::Russian());
    const Opened first = OpenCounting(session, order);
    EXPECT_EQ(first.ids, "2");
    EXPECT_GT(first.progress, 0);
    const Opened second = OpenCounting(session, dir.File("./price.zv"));
    EXPECT_EQ(second.ids, "1,2");
    EXPECT_EQ(second.progress, 0);
}

}  // namespace
}  // namespace ridov::testing
