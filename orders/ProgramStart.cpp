#include "orders/ProgramStart.h"

#include <QCoreApplication>
#include <cstdio>
#include <stdexcept>

#include "core/GridXlsExport.h"
#include "orders/CatalogView.h"
#include "orders/GridXlsSheet.h"
#include "orders/MainWindow.h"
#include "platform/Platform.h"
#include "ui/BusyCursor.h"

namespace orders {

std::unique_ptr<app::StartUp> MakeProgramStart(const QString& programFolder,
                                               const QStringList& arguments) {
    auto start = std::make_unique<app::StartUp>(
        programFolder, arguments, [](core::DataModule& dm) -> std::unique_ptr<app::MainWindowHost> {
            return std::make_unique<orders::MainWindow>(dm);
        });
    start->SetCatalogExport(ExportCatalogForBatch);
    return start;
}

orders::MainWindow* ProgramWindow(const app::StartUp& start) {
    return static_cast<orders::MainWindow*>(start.MainWindow());
}

void ExportCatalogForBatch(core::DataModule& dm, const QString& path) {
    orders::CatalogView catalog(dm);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    {
        ui::BusyCursor busy;
        if (!catalog.OpenCatalog(dm.CatalogFile))
            throw std::runtime_error("The catalog file is missing");
        try {
            ExportGridToXls(*catalog.Grid(), path);
        } catch (const core::XlsRowLimitError& error) {
            std::fprintf(stderr, "%s\n", error.what());
            std::fflush(stderr);
            throw;
        }
    }
    platform::CurrentPlatform().OpenWithAssociatedProgram(core::DataModule::EnginePath(path));
}

}  // namespace orders
