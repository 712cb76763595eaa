// The settings file: reading and writing single values with the classic
// profile-string rules, on real files in a temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/ClientInfo.h"
#include "core/IniFile.h"
#include "core/Settings.h"
#include "core/WriteTarget.h"
#include "engine/text/Win1251.h"
#include "platform/Platform.h"
#include "support/FileBytes.h"
#include "support/SpecialFiles.h"
#include "support/TempFolder.h"

namespace core {
namespace {

using testing_support::ReadBytes;
using testing_support::WriteBytes;

using testing_support::TempFolder;

std::string Cp(const char* utf8) {
    return text::Utf8ToCp1251(utf8);
}

struct ReadCase {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::string expected;
};

TEST(IniRead, ProfileStringRules) {
    const std::string cyr = Cp("[Клиент]\r\nИмя=Пётр\r\n");
    const ReadCase cases[] = {
        {"section and key without regard to case", "[CLIENT]\r\nKLIENT=A\r\n", "Client", "klient",
         "A"},
        {"Cyrillic names without regard to case", cyr, Cp("клиент"), Cp("ИМЯ"), Cp("Пётр")},
        {"blanks around section, key and value", "  [ Client ]  \r\n\t Klient \t=  A B \r\n",
         "Client", "Klient", "A B"},
        {"first of two equal keys", "[Client]\r\nKlient=A\r\nklient=B\r\n", "Client", "Klient",
         "A"},
        {"key of another section is not seen", "[Other]\r\nKlient=A\r\n[Client]\r\nX=1\r\n",
         "Client", "Klient", ""},
        {"missing section", "[Other]\r\nKlient=A\r\n", "Client", "Klient", ""},
        {"empty value", "[Client]\r\nKlient=\r\n", "Client", "Klient", ""},
        {"value holding '='", "[Client]\r\nURL=a=b\r\n", "Client", "URL", "a=b"},
        {"a pair of double quotes is dropped", "[Client]\r\nK=\" A \"\r\n", "Client", "K", " A "},
        {"a pair of single quotes is dropped", "[Client]\r\nK='A'\r\n", "Client", "K", "A"},
        {"unlike quotes stay", "[Client]\r\nK=\"A'\r\n", "Client", "K", "\"A'"},
        {"inner quotes stay", "[Client]\r\nK=ООО \"Р\"\r\n", "Client", "K", "ООО \"Р\""},
        {"LF line ends", "[Client]\nKlient=A\nX=B\n", "Client", "X", "B"},
        {"last line without line end", "[Client]\r\nKlient=A", "Client", "Klient", "A"},
        {"comment line is no entry", "[Client]\r\n;Klient=A\r\n", "Client", "Klient", ""},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(FindIniValue(c.file, c.section, c.key).value_or(""), c.expected) << c.name;
    }
}

struct WriteCase {
    const char* name;
    std::string before;
    std::string section;
    std::string key;
    std::string value;
    std::string after;
};

// Every byte outside the one entry stays as it was; new lines take the
// file's own line end, CR LF in a new file.
TEST(IniWrite, ChangesOnlyTheEntry) {
    const WriteCase cases[] = {
        {"new file", "", "Client", "Klient", Cp("Новый клиент"),
         Cp("[Client]\r\nKlient=Новый клиент\r\n")},
        {"replace, keeping the key's spelling, comments and blanks",
         "; note\r\n[client]\r\n  KLIENT = old \r\nAdres=X\r\n\r\n[Other]\r\nKlient=Y\r\n",
         "Client", "Klient", "new",
         "; note\r\n[client]\r\nKLIENT=new\r\nAdres=X\r\n\r\n[Other]\r\nKlient=Y\r\n"},
        {"new key after the section's last entry, before the blank line",
         "[Client]\r\nKlient=A\r\n\r\n[Other]\r\nQ=1\r\n", "Client", "Adres", "B",
         "[Client]\r\nKlient=A\r\nAdres=B\r\n\r\n[Other]\r\nQ=1\r\n"},
        {"new section at the end of a file without a final line end", "[Other]\r\nQ=1", "Client",
         "Klient", "A", "[Other]\r\nQ=1\r\n[Client]\r\nKlient=A\r\n"},
        {"LF file stays LF", "[Client]\nKlient=A\n", "Client", "Adres", "B",
         "[Client]\nKlient=A\nAdres=B\n"},
        {"line breaks in the value become blanks", "[Client]\r\n", "Client", "Adres", "a\r\nb\nc",
         "[Client]\r\nAdres=a  b c\r\n"},
        {"empty value", "[Client]\r\nKlient=A\r\n", "Client", "Klient", "",
         "[Client]\r\nKlient=\r\n"},
        {"bytes outside the code page's text kept", "x\x01\xff\r\n[Client]\r\nK=1\r\n\x98",
         "Client", "K", "2", "x\x01\xff\r\n[Client]\r\nK=2\r\n\x98"},
    };
    for (const WriteCase& c : cases) {
        EXPECT_EQ(WithIniValue(c.before, c.section, c.key, c.value), c.after) << c.name;
    }
}

TEST(Settings, WriteThenReadAcrossCallsAndCutAt2047) {
    TempFolder folder;
    const std::string file = folder.File("Zetrovo.ini");
    EXPECT_EQ(ReadSetting(file, "Client", "Klient"), "") << "missing file";

    WriteSetting(file, "Client", "Klient", Cp("Новый клиент"));
    WriteSetting(file, "Client", "Adres", std::string(3000, 'a'));
    EXPECT_EQ(ReadSetting(file, "CLIENT", "klient"), Cp("Новый клиент"));
    EXPECT_EQ(ReadSetting(file, "Client", "Adres"), std::string(2047, 'a'));
    EXPECT_EQ(ReadSetting(file, "Client", "Telefon"), "");

    // Edits made outside the program are seen by the next read.
    WriteBytes(file, "[Client]\r\nAdres=" + std::string(2047, 'b') + "\r\n");
    EXPECT_EQ(ReadSetting(file, "Client", "Adres"), std::string(2047, 'b'));
    EXPECT_EQ(folder.Names(), std::set<std::string>{"Zetrovo.ini"}) << "no temporary file left";
}

// A refused write raises "Unable to write to <file>" and leaves the old
// file whole.
TEST(Settings, RefusedWriteReportsAndKeepsTheFile) {
    TempFolder folder;
    const std::string readOnly = folder.File("Zetrovo.ini");
    const std::string before = "[Client]\r\nKlient=A\r\n";
    WriteBytes(readOnly, before);
    ASSERT_TRUE(platform::CurrentPlatform().SetReadOnly(readOnly, true));
    const std::string noFolder = folder.File("missing/Zetrovo.ini");

    for (const std::string& file : {readOnly, noFolder}) {
        try {
            WriteSetting(file, "Client", "Klient", "B");
            ADD_FAILURE() << "no error for " << file;
        } catch (const SettingsWriteError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + file);
        }
    }
    EXPECT_EQ(ReadBytes(readOnly), before);
    EXPECT_EQ(folder.Names(), std::set<std::string>{"Zetrovo.ini"});
    platform::CurrentPlatform().SetReadOnly(readOnly, false);
}

// A settings file that is a pipe, or a link to one, is not replaced
// by a file holding the one value: the refusal names it.
TEST(Settings, WriteRefusesWhatIsNotARegularFile) {
    if (!testing_support::kHasFifos) GTEST_SKIP() << testing_support::kNoFifos;
    TempFolder folder;
    const std::string pipe = folder.File("Zetrovo.ini");
    const std::string toPipe = folder.File("link.ini");
    ASSERT_TRUE(testing_support::MakeFifo(pipe));
    ASSERT_TRUE(testing_support::MakeSymlink(pipe, toPipe));
    for (const std::string& file : {pipe, toPipe}) {
        try {
            WriteSetting(file, "Client", "Klient", "B");
            ADD_FAILURE() << "no error for " << file;
        } catch (const WriteRefused& e) {
            EXPECT_EQ(e.Text(), NotRegularFileText(QString::fromStdString(file)));
        }
    }
    EXPECT_EQ(std::filesystem::symlink_status(pipe).type(), std::filesystem::file_type::fifo);
    EXPECT_TRUE(std::filesystem::is_symlink(toPipe));
    EXPECT_EQ(folder.Names(), (std::set<std::string>{"Zetrovo.ini", "link.ini"}));
}

TEST(Settings, ClientInfoAndItsSummaryLine) {
    TempFolder folder;
    const std::string file = folder.File("Zetrovo.ini");
    WriteBytes(
        file, "[Client]\r\nKlient=A\r\nTelefon=1\r\nKontaktLico=B\r\nAdres=C\r\nDownLoadURL=u\r\n");
    const TClientInfo info = LoadClientInfo(file);
    EXPECT_EQ(info.klient, "A");
    EXPECT_EQ(info.telefon, "1");
    EXPECT_EQ(info.kontaktLico, "B");
    EXPECT_EQ(info.adres, "C");
    EXPECT_EQ(info.downLoadUrl, "u");
    EXPECT_EQ(info.summary, "A;1;B;C;");

    EXPECT_EQ(LoadClientInfo(folder.File("none.ini")).summary, ";;;;");
}

}  // namespace
}  // namespace core
