#include "app/StartUp.h"

#include <QApplication>
#include <QFileInfo>
#include <QWidget>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>
#include <thread>

#include "app/HandOverReceiver.h"
#include "app/HelpText.h"
#include "app/IgnoreQuestion.h"
#include "app/InstanceServer.h"
#include "app/QtTranslations.h"
#include "core/AppTitle.h"
#include "core/ClientInfo.h"
#include "core/DesktopIntegration.h"
#include "core/Settings.h"
#include "core/WriteTarget.h"
#include "engine/storage/RidovSession.h"
#include "platform/FileIdentity.h"
#include "platform/Platform.h"
#include "ui/PasswordDialog.h"
#include "ui/Prompter.h"
#include "ui/Win1251Text.h"

namespace app {

QString CatalogOpenErrorText(const QString& programDir) {
    return QStringLiteral(
               "Не удается открыть одну из таблиц базы данных, которые должны находиться в "
               "каталоге '%1'.")
        .arg(programDir);
}

std::optional<int> CheckSingleInstance(const std::vector<std::string>& arguments,
                                       std::chrono::milliseconds patience) {
    platform::Platform& os = platform::CurrentPlatform();
    const std::string name = os.ProgramFilePath();
    if (name.empty()) return std::nullopt;
    if (os.ClaimSingleInstance(name) != platform::Platform::InstanceClaim::Other)
        return std::nullopt;
    // The running copy has a current folder of its own: a file named
    // relative to this one's is handed over with its full path.
    std::vector<std::string> handed;
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    for (const std::string& argument : arguments) {
        // UTF-8 both ways: the narrow strings of std::filesystem are the
        // ANSI code page on Windows.
        const std::filesystem::path path(std::u8string(argument.begin(), argument.end()));
        const bool relativeFile = !argument.empty() && argument[0] != '-' && path.is_relative();
        if (!relativeFile || error) {
            handed.push_back(argument);
            continue;
        }
        const std::u8string full = (here / path).make_preferred().u8string();
        handed.emplace_back(full.begin(), full.end());
    }
    // A running copy answers every argument as it arrives, so a failed
    // hand-over means it is going or gone (or hung). Two full copies would
    // write the same order files over each other: this one starts only once
    // the lock is free.
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        if (os.HandOverToRunningInstance(name, handed)) return 0;
        if (os.ClaimSingleInstance(name) == platform::Platform::InstanceClaim::First)
            return std::nullopt;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::fprintf(stderr, "%s: %s\n", core::kAppTitle,
                 "запущенная копия программы не отвечает; файлы ей не переданы.");
    return 1;
}

StartUp::StartUp(QString programFolder, QStringList arguments, MainWindowFactory factory)
    : programFolder_(std::move(programFolder)),
      arguments_(std::move(arguments)),
      factory_(std::move(factory)) {}

StartUp::~StartUp() {
    // The window refers to the data module's datasets.
    handOvers_.reset();
    mainWindow_.reset();
    dataModule_.reset();
}

InstanceServer* StartUp::HandOverServer() const {
    return handOvers_ ? &handOvers_->Server() : nullptr;
}

core::BatchEnvironment StartUp::BatchEnvironmentFor(core::DataModule& dm) const {
    core::BatchEnvironment environment;
    environment.settingsFile = core::DataModule::EnginePath(dm.SettingsFile);
    environment.catalogFile = core::DataModule::EnginePath(dm.CatalogFile);
    environment.showReport = [](const QString& text) {
        ui::CurrentPrompter().Plain(QString::fromUtf8(core::kAppTitle), text);
    };
    environment.mayAsk = ui::CurrentPrompter().CanAsk();
    environment.ask = AskIgnore;
    if (catalogExport_)
        environment.exportCatalog = [this, &dm](const QString& path) { catalogExport_(dm, path); };
    return environment;
}

bool StartUp::CatalogOpens(const std::function<void()>& open) {
    core::DataModule& dm = *dataModule_;
    try {
        open();
        return true;
    } catch (const std::exception& error) {
        // A damaged catalog: the program cannot work without it.
        dm.LastError = core::MakeLastError(error);
        ui::CurrentPrompter().Error(CatalogOpenErrorText(dm.ProgramDir),
                                    core::LastErrorDetails(dm.LastError));
        return false;
    }
}

void StartUp::RunFirstStart() {
    const core::DataModule& dm = *dataModule_;
    if (const std::optional<std::string> failure =
            core::FirstStart(core::DataModule::EnginePath(dm.ProgramDir),
                             core::DataModule::EnginePath(dm.SettingsFile),
                             core::DataModule::EnginePath(dm.ReadmeFile)))
        // A program folder the user may not write to: say so and go on.
        ui::CurrentPrompter().Warning(ui::FromWin1251(*failure));
    OpenHelp(dm);
}

std::optional<int> StartUp::PrepareWindow() {
    QCoreApplication::setApplicationName(QString::fromUtf8(core::kAppTitle));
    // Qt's dialogs and standard buttons in Russian, as the program's own.
    InstallQtTranslations();
    // Enciphered tables (the catalog, orders) ask for their password with
    // the program's own dialog.
    ui::InstallPasswordPrompt(ridov::TRidovSession::Instance());

    dataModule_ = std::make_unique<core::DataModule>(programFolder_);
    core::DataModule& dm = *dataModule_;
    if (dm.CatalogDates.size() != 1) {
        // No catalog: end silently, unless a batch run has to say so.
        const QString catalog = dm.ProgramDir + QString::fromUtf8(core::kCatalogFileName);
        return core::EndWithoutCatalog(arguments_, catalog, BatchEnvironmentFor(dm));
    }
    dm.CatalogFile = dm.ProgramDir + dm.CatalogName();
    // A settings file that is a pipe, a device or a folder is no first
    // start: writing the first settings would replace it.
    const std::string settings = core::DataModule::EnginePath(dm.SettingsFile);
    if (platform::IsNonRegularFile(settings)) {
        ui::CurrentPrompter().Error(core::NotRegularFileText(dm.SettingsFile), QString());
        return 1;
    }

    const core::BatchSwitch batch = core::RecognizeBatchSwitch(arguments_);
    if (batch == core::BatchSwitch::ZvConvert)
        return core::RunBatchSwitch(arguments_, BatchEnvironmentFor(dm));
    const auto openTable = [&dm] {
        dm.vtPrice.Close();
        dm.vtPrice.SetTableName(core::DataModule::EnginePath(dm.CatalogFile));
        dm.vtPrice.Open();
    };
    const bool namesFiles = !arguments_.isEmpty() && !arguments_.front().startsWith('-');
    if (namesFiles && !CatalogOpens(openTable)) return 1;
    core::RegisterOrderFileType();
    int batchExitCode = 0;
    if (batch != core::BatchSwitch::None) {
        batchExitCode = core::RunBatchSwitch(arguments_, BatchEnvironmentFor(dm));
        if (batch != core::BatchSwitch::K) return batchExitCode;
    }
    if (core::IsFirstStart(settings)) RunFirstStart();
    // "-k" lets the start go on to here, then the program ends.
    if (batch == core::BatchSwitch::K) return CatalogOpens(openTable) ? batchExitCode : 1;

    dm.FotoDir =
        ui::FromWin1251(core::ReadSetting(settings, core::kClientSection, core::kKeyFotoDir));
    mainWindow_ = factory_(dm);
    mainWindow_->SetCaption(dm.CatalogDate(QFileInfo(dm.CatalogFile).fileName()));
    if (!CatalogOpens([&] { mainWindow_->OpenCatalog(dm.CatalogFile); })) {
        mainWindow_.reset();
        return 1;
    }
    if (namesFiles) {
        for (const QString& argument : arguments_) {
            if (platform::CurrentPlatform().FileExists(core::DataModule::EnginePath(argument)))
                mainWindow_->OpenOrder(argument);
        }
    }
    return std::nullopt;
}

std::optional<int> StartUp::Begin() {
    if (std::optional<int> exitCode = PrepareWindow()) return exitCode;
    MainWindowHost& host = *mainWindow_;
    host.Widget()->show();
    // Later starts hand their arguments to this window from now on.
    handOvers_ = std::make_unique<HandOverReceiver>(
        instanceListener_, *host.Widget(), [&host] { return host.CommandRunning(); },
        [&host](const QString& path) { host.OpenOrder(path); });
    return std::nullopt;
}

int StartUp::Run() {
    if (std::optional<int> exitCode = Begin()) return *exitCode;
    return QApplication::exec();
}

}  // namespace app
