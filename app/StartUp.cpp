#include "app/StartUp.h"

#include <QApplication>
#include <QWidget>
#include <exception>

#include "app/AppTitle.h"
#include "engine/storage/RidovSession.h"
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

StartUp::~StartUp() {
    // The window refers to the data module's datasets.
    mainWindow_.reset();
    dataModule_.reset();
}

std::optional<int> StartUp::Begin() {
    QCoreApplication::setApplicationName(QString::fromUtf8(kAppTitle));
    // Enciphered tables (the catalog, orders) ask for their password with
    // the program's own dialog.
    ui::InstallPasswordPrompt(ridov::TRidovSession::Instance());

    dataModule_ = std::make_unique<TdmZetrovo>(programFolder_);
    TdmZetrovo& dm = *dataModule_;
    if (dm.CatalogDates.size() != 1) return 0;  // no catalog: end silently
    dm.CatalogFile = dm.ProgramDir + dm.CatalogName();

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
    return std::nullopt;
}

int StartUp::Run() {
    if (std::optional<int> exitCode = Begin()) return *exitCode;
    return QApplication::exec();
}

}  // namespace app
