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
        programFolder, arguments, [](core::TdmZetrovo& dm) -> std::unique_ptr<app::MainWindowHost> {
            return std::make_unique<TFormMain>(dm);
        });
    start->SetCatalogExport(ExportCatalogForBatch);
    return start;
}

TFormMain* ProgramWindow(const app::StartUp& start) {
    return static_cast<TFormMain*>(start.MainWindow());
}

void ExportCatalogForBatch(core::TdmZetrovo& dm, const QString& path) {
    TCatalogView catalog(dm);
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
    platform::CurrentPlatform().OpenWithAssociatedProgram(core::TdmZetrovo::EnginePath(path));
}

}  // namespace orders
