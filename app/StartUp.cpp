#include "app/StartUp.h"

#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>
#include <thread>

#include "app/AppTitle.h"
#include "app/InstanceServer.h"
#include "app/QtTranslations.h"
#include "app/WriteTarget.h"
#include "engine/storage/RidovSession.h"
#include "platform/FileIdentity.h"
#include "platform/Platform.h"
#include "ui/PasswordDialog.h"
#include "ui/Prompter.h"

namespace app {

QString CatalogOpenErrorText(const QString& programDir) {
    return QStringLiteral(
               "Не удается открыть одну из таблиц базы данных, которые должны находиться в "
               "каталоге '%1'.")
        .arg(programDir);
}

StartUp::StartUp(QString programFolder, QStringList arguments, MainWindowFactory factory)
    : programFolder_(std::move(programFolder)),
      arguments_(std::move(arguments)),
      factory_(std::move(factory)) {}

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
        const bool relativeFile = !argument.empty() && argument[0] != '-' &&
                                  std::filesystem::path(argument).is_relative();
        handed.push_back(relativeFile && !error ? (here / argument).string() : argument);
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
    std::fprintf(stderr, "%s: %s\n", kAppTitle,
                 "запущенная копия программы не отвечает; файлы ей не переданы.");
    return 1;
}

std::unique_ptr<InstanceServer> ListenForHandOvers(intptr_t listener, MainWindowHost& host) {
    auto server = std::make_unique<InstanceServer>(listener);
    server->onConnection = [&host] { host.BringForward(); };
    server->canDeliver = [&host] { return host.CanReceiveHandOver(); };
    server->onArgument = [&host](const QString& argument) { host.ReceiveHandOver(argument); };
    return server;
}

StartUp::~StartUp() {
    // The window refers to the data module's datasets.
    instanceServer_.reset();
    mainWindow_.reset();
    dataModule_.reset();
}

std::optional<int> StartUp::Begin() {
    QCoreApplication::setApplicationName(QString::fromUtf8(kAppTitle));
    // Qt's dialogs and standard buttons in Russian, as the program's own.
    InstallQtTranslations();
    // Enciphered tables (the catalog, orders) ask for their password with
    // the program's own dialog.
    ui::InstallPasswordPrompt(ridov::TRidovSession::Instance());

    dataModule_ = std::make_unique<TdmZetrovo>(programFolder_);
    TdmZetrovo& dm = *dataModule_;
    if (dm.CatalogDates.size() != 1) {
        // No catalog: end silently, unless a batch run has to say so.
        const QString catalog = dm.ProgramDir + QString::fromUtf8(kCatalogFileName);
        return noCatalogEnd_ ? noCatalogEnd_(arguments_, catalog) : 0;
    }
    dm.CatalogFile = dm.ProgramDir + dm.CatalogName();
    // A settings file that is a pipe, a device or a folder is no first
    // start: writing the first settings would replace it.
    if (platform::IsNonRegularFile(TdmZetrovo::EnginePath(dm.SettingsFile))) {
        ui::CurrentPrompter().Error(NotRegularFileText(dm.SettingsFile), QString());
        return 1;
    }

    mainWindow_ = factory_(dm);
    int exitCode = 0;
    if (!mainWindow_->FormCreate(arguments_, exitCode)) {
        mainWindow_.reset();
        return exitCode;
    }
    mainWindow_->CreateDialogs();
    try {
        mainWindow_->OpenCatalog(dm.CatalogFile);
    } catch (const std::exception& error) {
        // A damaged catalog: the program cannot work without it.
        dm.LastError = MakeLastError(error);
        ui::CurrentPrompter().Error(CatalogOpenErrorText(dm.ProgramDir),
                                    LastErrorDetails(dm.LastError));
        mainWindow_.reset();
        return 1;
    }
    if (mainWindow_->TerminationRequested()) return mainWindow_->TerminationExitCode();
    mainWindow_->Widget()->show();

    // Later starts hand their arguments to this window from now on.
    instanceServer_ = ListenForHandOvers(instanceListener_, *mainWindow_);
    return std::nullopt;
}

int StartUp::Run() {
    if (std::optional<int> exitCode = Begin()) return *exitCode;
    return QApplication::exec();
}

}  // namespace app
