// The main window as the program's start-up leaves it, for the benchmarks
// that work through it: created on the data module's folder, its dialogs
// made, the folder's price.zv open, at a desktop size.
#pragma once

#include <memory>

#include "app/DataModule.h"
#include "orders/MainWindow.h"

namespace bench_support {

inline std::unique_ptr<orders::TFormMain> StartProgramWindow(app::TdmZetrovo& dm) {
    dm.CatalogFile = dm.ProgramDir + "price.zv";
    auto window = std::make_unique<orders::TFormMain>(dm);
    int exitCode = 0;
    window->FormCreate({}, exitCode);
    window->CreateDialogs();
    window->OpenCatalog(dm.CatalogFile);
    window->resize(1200, 800);
    return window;
}

}  // namespace bench_support
