// The start-up sequence: with a fake main window where only the order of
// the steps matters, with the real one for the first start, the caption
// and a damaged catalog.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <fstream>
#include <iterator>
#include <memory>

#include "app/StartUp.h"
#include "engine/dataset/RidovTable.h"
#include "engine/storage/RidovSession.h"
#include "engine/text/Win1251.h"
#include "orders/ProgramStart.h"
#include "platform/NativePlatform.h"
#include "qtsupport/ScriptedPrompter.h"
#include "support/FileBytes.h"
#include "support/TempFolder.h"
#include "ui/PasswordDialog.h"

namespace app {
namespace {

using testing_support::ReadBytes;
using testing_support::WriteBytes;

using testing_support::ScopedPrompter;
using testing_support::ScriptedPrompter;
using testing_support::TempFolder;

// The real platform, except that nothing is opened, started or linked:
// those requests are recorded.
class RecordingPlatform : public platform::NativePlatform {
  public:
    bool OpenWithAssociatedProgram(const std::string& target) override {
        opened.push_back(target);
        return true;
    }
    bool StartProcess(const std::string& path) override {
        opened.push_back(path);
        return true;
    }
    std::vector<std::string> opened;
};

// Writes a catalog of one product, enciphered when `password` is given.
void WriteCatalog(const std::string& path, const std::string& password = {}) {
    ridov::TRidovTable table;
    table.SetLoadMode(ridov::lmClear);
    using ridov::DataType;
    const std::pair<const char*, DataType> fields[] = {
        {"ID", DataType::String},    {"ARTIKUL", DataType::String},  {"NAME", DataType::String},
        {"CENA", DataType::Float},   {"NALICHIE", DataType::String}, {"KOLUPAK", DataType::Integer},
        {"EDIZM", DataType::String},
    };
    for (const auto& [name, type] : fields)
        table.Defs().Add(name, type, type == DataType::String ? 20 : 0);
    table.Open();
    table.Append();
    table.FieldByName("ID").SetAsString("1");
    table.FieldByName("NAME").SetAsString("Filter");
    table.Post();
    if (!password.empty()) table.SetPassword(password);
    table.SaveToFile(path);
    if (!password.empty()) ridov::TRidovSession::Instance().RemovePassword(password);
}

// A main window that only records the steps; it opens the catalog the way
// the real one does, through the data module's table.
class FakeWindow : public MainWindowHost {
  public:
    FakeWindow(core::DataModule& dm, std::vector<QString>& log) : dm_(dm), log_(log) {}
    void SetCaption(const QString& text) override { log_.push_back("SetCaption " + text); }
    void OpenOrder(const QString& path) override { log_.push_back("OpenOrder " + path); }
    bool OpenCatalog(const QString& path) override {
        log_.push_back("OpenCatalog " + path);
        dm_.vtPrice.SetTableName(core::DataModule::EnginePath(path));
        dm_.vtPrice.Open();
        return true;
    }
    QWidget* Widget() override { return &widget_; }

  private:
    core::DataModule& dm_;
    std::vector<QString>& log_;
    QWidget widget_;
};

class StartUpTest : public ::testing::Test {
  protected:
    StartUpTest() { previousPlatform_ = platform::SetCurrentPlatform(&platform_); }
    ~StartUpTest() override { platform::SetCurrentPlatform(previousPlatform_); }

    QString Dir() const { return QString::fromStdString(folder_.Path()); }
    // `name` in the program folder, as the program writes its paths.
    QString File(const char* name) const { return QString::fromStdString(folder_.File(name)); }

    std::unique_ptr<StartUp> FakeStart(QStringList arguments) {
        return std::make_unique<StartUp>(Dir(), std::move(arguments), [this](core::DataModule& dm) {
            ++windowsMade_;
            return std::make_unique<FakeWindow>(dm, log_);
        });
    }
    std::unique_ptr<StartUp> RealStart(QStringList arguments) {
        return orders::MakeProgramStart(Dir(), std::move(arguments));
    }

    TempFolder folder_;
    RecordingPlatform platform_;
    platform::Platform* previousPlatform_ = nullptr;
    ScriptedPrompter prompter_;
    ScopedPrompter usePrompter_{prompter_};
    std::vector<QString> log_;
    int windowsMade_ = 0;
};

TEST_F(StartUpTest, WithoutCatalogEndsAtOnceWithNothingShownOrWritten) {
    auto start = FakeStart({"Zakaz1.zv"});
    EXPECT_EQ(start->Begin(), 0);
    EXPECT_EQ(windowsMade_, 0);
    EXPECT_TRUE(prompter_.shown.empty());
    EXPECT_TRUE(folder_.Names().empty());
    EXPECT_TRUE(platform_.opened.empty());
}

TEST_F(StartUpTest, StepsInOrderAndABatchSwitchEndsBeforeAnyWindow) {
    WriteCatalog(folder_.File("price.zv"));
    WriteBytes(folder_.File("Zakaz1.zv"), "order");
    {
        auto start = FakeStart({File("Zakaz1.zv"), File("missing.zv")});
        EXPECT_EQ(start->Begin(), std::nullopt);
        const core::DataModule& dm = *start->DataModule();
        EXPECT_EQ(log_, (std::vector<QString>{"SetCaption " + dm.CatalogDate("price.zv"),
                                              "OpenCatalog " + File("price.zv"),
                                              "OpenOrder " + File("Zakaz1.zv")}));
        EXPECT_TRUE(start->MainWindow()->Widget()->isVisible());
        EXPECT_EQ(dm.CatalogFile, File("price.zv"));
    }
    log_.clear();
    prompter_.failWhenUnscripted = false;  // the batch report
    auto start = FakeStart({"-convert", "x"});
    EXPECT_EQ(start->Begin(), 1);
    EXPECT_TRUE(log_.empty());
    EXPECT_EQ(windowsMade_, 1);
    EXPECT_EQ(start->MainWindow(), nullptr);
}

// Qt's own dialogs and standard buttons speak Russian from the start on:
// the file dialogs, the print dialogs and the buttons of every box.
TEST_F(StartUpTest, QtDialogsAndStandardButtonsAreRussian) {
    WriteCatalog(folder_.File("price.zv"));
    auto start = FakeStart({});
    ASSERT_EQ(start->Begin(), std::nullopt);

    QDialogButtonBox box(QDialogButtonBox::Save | QDialogButtonBox::Cancel |
                         QDialogButtonBox::Open | QDialogButtonBox::Close);
    EXPECT_EQ(box.button(QDialogButtonBox::Save)->text(), "Сохранить");
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), "Отмена");
    EXPECT_EQ(box.button(QDialogButtonBox::Open)->text(), "Открыть");
    EXPECT_EQ(box.button(QDialogButtonBox::Close)->text(), "Закрыть");

    QFileDialog dialog(nullptr, QString(), Dir());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    EXPECT_EQ(dialog.labelText(QFileDialog::LookIn), "Перейти к:");
    EXPECT_EQ(dialog.labelText(QFileDialog::FileName), "&Имя файла:");
    EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), "Печать");
    EXPECT_EQ(QCoreApplication::translate("QPrintPreviewDialog", "Page Setup"),
              "Параметры страницы");
}

// The catalog enciphered: the start asks with the program's own password
// dialog, and the entry typed there opens it.
TEST_F(StartUpTest, EncipheredCatalogAsksWithThePasswordDialog) {
    WriteCatalog(folder_.File("price.zv"), "secret");
    int asked = 0;
    const ui::PasswordDialogHook previous = ui::SetPasswordDialogHook([&](ui::PasswordDialog& d) {
        ++asked;
        d.Edit()->setText(QStringLiteral("secret"));
        return int(QDialog::Accepted);
    });
    auto start = FakeStart({});
    EXPECT_EQ(start->Begin(), std::nullopt);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(start->DataModule()->vtPrice.Active());
    ui::SetPasswordDialogHook(previous);
    ridov::TRidovSession::Instance().RemovePassword("secret");
}

// The first start writes the settings file with the new client's name and
// opens the help text; the caption shows the catalog's date. A second start
// does neither.
TEST_F(StartUpTest, FirstStartWritesTheSettingsAndOpensTheHelp) {
    WriteCatalog(folder_.File("price.zv"));
    ASSERT_TRUE(platform_.SetModificationTime(
        folder_.File("price.zv"), QDateTime(QDate(2010, 5, 5), QTime(12, 0)).toSecsSinceEpoch()));
    const std::string settings = text::Utf8ToCp1251("[Client]\r\nKlient=Новый клиент\r\n");
    for (int run = 1; run <= 2; ++run) {
        platform_.opened.clear();
        auto start = RealStart({});
        ASSERT_EQ(start->Begin(), std::nullopt) << run;
        EXPECT_EQ(ReadBytes(folder_.File("Zetrovo.ini")), settings) << run;
        EXPECT_EQ(platform_.opened, run == 1 ? std::vector<std::string>{folder_.File("readme.txt")}
                                             : std::vector<std::string>{})
            << run;
        EXPECT_EQ(start->MainWindow()->Widget()->windowTitle(),
                  QString::fromUtf8("Заявка по каталогу - среда, 5 мая 2010"));
        EXPECT_TRUE(prompter_.shown.empty());
    }
}

// A damaged catalog: the error box with the folder and the details, exit
// code 1, no window, and not a byte written.
TEST_F(StartUpTest, DamagedCatalogEndsWithExitCode1) {
    const std::string damaged = "not a table at all";
    std::ofstream(folder_.File("price.zv"), std::ios::binary) << damaged;
    std::ofstream(folder_.File("Zetrovo.ini"), std::ios::binary) << "[Client]\r\nKlient=A\r\n";
    std::ofstream(folder_.File("Zakaz1.zv"), std::ios::binary) << "order";
    for (const QStringList& arguments : {QStringList{}, QStringList{"Zakaz1.zv"}}) {
        prompter_.Clear();
        auto start = RealStart(arguments);
        EXPECT_EQ(start->Begin(), 1) << arguments.join(' ').toStdString();
        EXPECT_EQ(start->MainWindow(), nullptr);
        ASSERT_EQ(prompter_.Kinds(), std::vector{ScriptedPrompter::Kind::Error});
        EXPECT_EQ(prompter_.shown[0].text,
                  QString::fromUtf8("Не удается открыть одну из таблиц базы данных, которые "
                                    "должны находиться в каталоге '") +
                      File("") + "'.");
        EXPECT_TRUE(prompter_.shown[0].details.startsWith(
            QString::fromUtf8("В программе Заявка по каталогу произошла ошибка класса "
                              "DatabaseError с сообщением 'Error opening table: ")))
            << prompter_.shown[0].details.toStdString();
        EXPECT_EQ(ReadBytes(folder_.File("price.zv")), damaged);
        EXPECT_EQ(folder_.Names(), (std::set<std::string>{"price.zv", "Zetrovo.ini", "Zakaz1.zv"}));
        EXPECT_TRUE(platform_.opened.empty());
    }
}

}  // namespace
}  // namespace app
